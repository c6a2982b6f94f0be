#!/usr/bin/env python3
"""Window mechanics of Tarrowmead under a player's hands, in a real X server:
modal windows, boxes, close requests and the end of the program.

    windows.py <tarrowmead binary>

Runs, each with its own game process and one shared home folder:
  1. Return in the start window starts a game; with the statistics window
     on, a close request to the game window ends the program with status 0;
     File > "E&xit" does the same.
  2. Escape in the start window loads a saved game. A refused one: the game
     stands still behind the box, however long it is up, and Escape is not
     read as held by the game afterwards.
  3. The name entry at game over stands centred over the game window, wherever
     the player has put it, and is modal: the game window ignores its menu
     and close requests meanwhile; the name typed then reaches "High Scores".
     A close request to "High Scores" writes the score file and starts the
     next game, as "OK" does; "Quit" ends the program.

A close request is the WM_DELETE_WINDOW message a window manager's close box
sends. Exit status 0 passed, 1 failed, 77 skipped (no X server can run here).
Set TM_E2E_KEEP=1 to keep the home folder with its screenshots.
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (START_SIZE, Board, Failure, Session, blank_board, caught_game,  # noqa: E402
                     log, main_in_x, one_robot_counters, saved_game_lines, wait_for)


# ------------------------------------------------------------- session

class Windows(Session):
    def pointer_away(self):
        """The pointer off the game's windows, to the screen's corner."""
        self.x.pointer_to(None, 0, 0)

    def start_by_key(self, key, scale=1.0):
        """Return ("LET'S GO!") or Escape ("Load Saved Game") in the start
        window; returns the game window's geometry."""
        self.start_game()
        self.pointer_away()
        self.choose_settings(scale)  # Slider1 keeps the keyboard focus
        self.x.key(key)
        return self.await_game_window(scale)

    def await_game_window(self, scale):
        self.win, geo = self.game_window(int(988 * scale), timeout=15)
        self.menubar = geo[3] - int(600 * scale)
        self.board = Board(scale, geo[0] + int(138 * scale), geo[1] + self.menubar)
        self.geo, self.scale = geo, scale
        self.board_painted()
        return geo

    def clock_pixels(self):
        """The pixels of the clock label (TIME's value) on the side panel."""
        s, (left, top) = self.scale, self.geo[:2]
        return self.x.grab(left + int(20 * s), top + self.menubar + int(50 * s),
                           int(90 * s), int(22 * s)).data

    def stats_on(self):
        """Ctrl+Alt+S in play until the statistics window ("Untitled") shows."""
        x = self.x
        for _ in range(12):
            x.focus(self.win)
            x.chord(["Control_L", "Alt_L", "s"], 0.06)
            try:
                return wait_for("the statistics window", lambda: x.windows("Untitled"), timeout=1)
            except Failure:
                pass
        raise Failure("the statistics window never showed")

    def open_file_menu(self):
        """Clicks "File" on the game window's menu bar; returns whether a menu
        popped up (the area below it changed)."""
        geo = self.x.geometry(self.win)
        area = (geo[0], geo[1] + self.menubar, 120, 60)
        before = self.x.grab(*area).data
        self.pointer_away()
        self.x.click(self.win, 20, self.menubar // 2)
        time.sleep(0.5)
        return self.x.grab(*area).data != before

    # ------------------------------------------------------------- runs

    def run_statistics_window(self):
        log("-- run 1: the statistics window never keeps the program alive")
        for how in ("a close request", 'File > "E&xit"'):
            with self.step(f"Return starts a game; with the statistics window on, {how} to "
                           "the game window ends the program with status 0"):
                self.start_by_key("Return")
                self.stats_on()
                if how == "a close request":
                    self.x.close_request(self.win)
                else:
                    if not self.open_file_menu():
                        raise Failure("the File menu did not open")
                    self.x.key("Down")
                    self.x.key("Return")
                self.game.ends_with_status_0(5)

    def run_refused_load(self):
        log("-- run 2: nothing runs behind the box of a refused saved game")
        codes = blank_board()
        codes[7][6], codes[8][9] = 2, 4
        self.write_saved_game(saved_game_lines(codes, one_robot_counters((8, 9)))[:200])
        with self.step("Escape (\"Load Saved Game\") shows the box; left up 5 s, then closed, "
                       "the robots start 2 s later and not before"):
            self.start_game()
            self.pointer_away()
            self.choose_settings(1.0)
            self.x.key("Escape")  # "Load Saved Game"

            def box():
                for w, g in self.titled("Tarrowmead"):
                    if g and g[4] and (g[2], g[3]) != START_SIZE and g[2] < 700:
                        return w
                return None
            box_id = wait_for("the message box", box, timeout=10)
            time.sleep(5)
            self.x.focus(box_id)
            self.x.key("Return")
            self.await_game_window(1.0)
            first = self.read_board()
            time.sleep(0.8)
            now = self.read_board()
            changed = sorted((c, first[c], now[c]) for c in first if now[c] != first[c])
            if changed:
                raise Failure("the board changed within a second of the box closing (the "
                              f"robots were already running): {changed[:4]}")
        # The robots' start also starts the clock; a robot walled in by the
        # random board may never move, but the clock always counts down.
        with self.step("the clock then runs; Escape was not read as held"):
            before = self.clock_pixels()
            wait_for("the clock to change", lambda: self.clock_pixels() != before, timeout=10)
            if self.x.windows("High Scores"):
                raise Failure('"High Scores" opened: the game read Escape as held')
        self.game.stop()

    def run_name_entry(self):
        log("-- run 3: the modal name entry, then closing \"High Scores\" by the desktop")
        self.write_saved_game(saved_game_lines(*caught_game()))
        x = self.x
        with self.step("the game window dragged to the top left corner, the name entry opens "
                       "after the last life is lost, centred over the game window"):
            self.start_by_key("Escape", 1.0)
            x.move_window(self.win, 0, 0)
            wait_for("the game window at the top left",
                     lambda: (x.geometry(self.win) or (1, 1))[:2] == (0, 0), timeout=5)
            game = self.await_game_window(1.0)  # the board is read where it is now
            entry = x.sync_window("Untitled", timeout=10)[0]
            geo = wait_for("the name entry's geometry", lambda: x.geometry(entry))
            off = [geo[0] + geo[2] // 2 - (game[0] + game[2] // 2),
                   geo[1] + geo[3] // 2 - (game[1] + game[3] // 2)]
            if max(abs(d) for d in off) > 2:
                raise Failure(f"the name entry's centre is {off[0]}, {off[1]} px off the game "
                              f"window's: it stands at {geo[:4]}, the game window at {game[:4]}")
        with self.step("while it is up the game window opens no menu and ignores close requests"):
            if self.open_file_menu():
                raise Failure("the File menu opened behind the name entry")
            x.key("Escape")  # a menu that did open closes again
            self.x.close_request(self.win)
            time.sleep(1)
            if not self.mapped(self.win):
                raise Failure("the game window closed behind the name entry")
            if not self.game.alive():
                raise Failure(f"the program ended with status {self.game.proc.returncode}")
        with self.step('a name and Return close it; "High Scores" opens and the game lives on'):
            x.focus(entry)
            x.type("Kim", delay=0.03)
            x.key("Return")
            wid, geo = self.scores_window(timeout=5)
            if not self.game.alive():
                raise Failure(f"the program ended with status {self.game.proc.returncode}")
        with self.step('a close request to "High Scores" writes the score file and starts '
                       'the next game, as "OK" does'):
            before = self.read_board()
            self.scores_closed(wid, before, lambda: self.x.close_request(wid))
            # The new game's board is random: its clock, set when the robots
            # start and counting down, shows that it runs.
            first = self.clock_pixels()
            wait_for("the new game's clock running", lambda: self.clock_pixels() != first,
                     timeout=10)
            if len(x.windows("High Scores")) != 0:
                raise Failure('"High Scores" is still shown')
        self.quit_from_scores()


def main(argv):
    def play(x, paths, home):
        session = Windows(x, paths[0], home)
        return session.play([session.run_statistics_window, session.run_refused_load,
                             session.run_name_entry], independent=True)
    return main_in_x(argv, __doc__, 1, "the window test", "tm-windows-", play, budget=200)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
