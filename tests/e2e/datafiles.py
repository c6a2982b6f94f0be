#!/usr/bin/env python3
"""Tarrowmead's data files and the end of the program under a player's
hands, in a real X server.

    datafiles.py <tarrowmead binary>

Runs, each with its own game process and one shared home folder:
  1. A normal save on the pause screen: "Your game is saved". Then, with the
     game window up, Escape and a close request to the game window: the
     program ends with status 0, no window left, the score file written.
  2. The game started on a full disk (a file-size limit of 0, SIGXFSZ at its
     default, which would end the process: the game itself ignores it, so
     that every write fails as on a full file system): a save on
     the pause screen and Escape, then "OK" on "High Scores", leave both files
     byte for byte as they were, and the boxes say so (each is the wider box
     of a failure, not the narrow "Your game is saved").

A close request is the WM_DELETE_WINDOW message a window manager's close box
sends. Exit status 0 passed, 1 failed, 77 skipped (no X server can run here).
Set TM_E2E_KEEP=1 to keep the home folder with its screenshots.
"""
import os
import resource
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (START_SIZE, Failure, Game, Session, blank_board, log, main_in_x,  # noqa: E402
                     one_robot_counters, saved_game_lines, wait_for)

HERE = os.path.dirname(os.path.abspath(__file__))
SCORE_FIXTURE = os.path.join(HERE, "..", "fixtures", "mydata-1.1.0.txt")


class FullDiskGame(Game):
    """A game whose files may not grow at all: every write fails with EFBIG."""

    def start(self):
        def no_room():
            # The default action ends the process; the game must ignore it itself.
            signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
            hard = resource.getrlimit(resource.RLIMIT_FSIZE)[1]
            resource.setrlimit(resource.RLIMIT_FSIZE, (0, hard))
        self.log = open(os.path.join(self.home, "game.log"), "ab")
        self.started = time.monotonic()
        self.proc = subprocess.Popen([self.binary], env=self.env(), stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=self.log, cwd=self.home,
                                     preexec_fn=no_room)
        return self


class DataFiles(Session):
    def __init__(self, x, binary, home):
        super().__init__(x, binary, home)
        self.ok_box_width = None

    def files(self):
        folder = Game(self.binary, self.x, self.home).data_dir
        return {name: open(os.path.join(folder, name), "rb").read()
                for name in ("mydata.txt", "mygame.txt")
                if os.path.exists(os.path.join(folder, name))}

    def prepare_files(self):
        """A saved game and a score file as the game wrote them."""
        codes = blank_board()
        codes[7][6], codes[8][9] = 2, 4
        self.write_saved_game(saved_game_lines(codes, one_robot_counters((8, 9))))
        folder = Game(self.binary, self.x, self.home).data_dir
        with open(SCORE_FIXTURE, "rb") as src, open(os.path.join(folder, "mydata.txt"), "wb") as f:
            f.write(src.read())

    def new_game(self, game_class=Game):
        self.game = game_class(self.binary, self.x, self.home).start()
        self.x.sync_window("Tarrowmead", timeout=20)
        self.start, self.start_geo = wait_for("the start window", lambda: next(
            ((w, g) for w, g in self.titled("Tarrowmead") if g and g[4] and (g[2], g[3]) == START_SIZE),
            None))
        self.choose_settings(1.0)
        self.open_game_window(1.0, "go")

    def box(self, not_ids=()):
        """The one message box shown (a window titled "Tarrowmead" that is no
        game window), and its geometry."""
        def shown():
            for w, g in self.titled("Tarrowmead"):
                if w != self.win and w not in not_ids and g and g[4] and g[2] < 900:
                    return w, g
            return None
        return wait_for("a message box", shown, timeout=10)

    def save_on_pause(self):
        """Space, then S held until a box shows; returns the box and its width."""
        x = self.x
        self.pause()
        x.keydown("s")
        try:
            wid, geo = self.box()
        finally:
            x.keyup("s")
        return wid, geo[2]

    # ------------------------------------------------------------- runs

    def run_close_ends_the_program(self):
        log("-- run 1: a normal save, then closing the game window under \"High Scores\"")
        self.prepare_files()
        with self.step('a save on the pause screen says "Your game is saved"'):
            self.new_game()
            wid, self.ok_box_width = self.save_on_pause()
            self.close_message(wid)
            self.resume()
        with self.step('Escape shows "High Scores"; a close request to the game window ends '
                       "the program with status 0, no window left, the score file written"):
            self.high_scores()
            os.remove(self.game.file("mydata.txt"))
            self.x.close_request(self.win)
            self.game.ends_with_status_0()
            left = [w for w in self.x.all_windows() if w[1] in ("Tarrowmead", "High Scores")]
            if left:
                raise Failure(f"windows left on the screen: {left}")
            lines = self.game.lines("mydata.txt")
            if not lines or len(lines) != 50:
                raise Failure(f'"mydata.txt" is {lines and len(lines)} lines, not 50')

    def run_full_disk(self):
        log("-- run 2: the game on a full disk (file-size limit 0, SIGXFSZ at its default)")
        if self.ok_box_width is None:
            raise Failure('run 1 measured no "Your game is saved" box to compare with')
        self.prepare_files()
        before = self.files()
        with self.step("a save on the pause screen keeps the saved game byte for byte and "
                       "says it could not be saved"):
            self.new_game(FullDiskGame)
            wid, width = self.save_on_pause()
            if self.files() != before:
                raise Failure("a data file changed")
            if width <= self.ok_box_width:
                raise Failure(f"the box is {width} pixels wide, no wider than the "
                              f'{self.ok_box_width} of "Your game is saved"')
            self.close_message(wid)
            self.resume()
        with self.step('Escape and "OK" keep the score file byte for byte and say it could '
                       "not be saved; the next game starts"):
            scores, geo = self.high_scores()
            self.scores_button(scores, geo, "OK")
            wid, g = self.box(not_ids=(scores,))
            if g[2] <= self.ok_box_width:
                raise Failure(f"the box is {g[2]} pixels wide, no wider than the "
                              f'{self.ok_box_width} of "Your game is saved"')
            self.close_message(wid)
            wait_for("the high-score window to close", lambda: not self.mapped(scores), timeout=5)
            if self.files() != before:
                raise Failure("a data file changed")
            if not self.game.alive():
                raise Failure(f"the program ended with status {self.game.proc.returncode}")
        self.game.stop()


def main(argv):
    def play(x, paths, home):
        session = DataFiles(x, paths[0], home)
        return session.play([session.run_close_ends_the_program, session.run_full_disk],
                            independent=True)
    return main_in_x(argv, __doc__, 1, "the data-file test", "tm-data-", play, budget=200)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
