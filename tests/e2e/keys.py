#!/usr/bin/env python3
"""The game's keys under a player's hands, in a real X server with real X
key events (XTest): a key counts in the phase it was pressed in, a tap is
spent in the next tick, Alt and the File menu never take the game's keys, a
key held into a window types nothing there, auto-repeat on a busy machine is
never a release, and the move keys are physical keys whatever the layout.

    keys.py <tarrowmead binary>

Runs, each with its own game process (or several) and one shared home folder,
every one from a saved game, never from a random board:
  1. taps between phases: Escape and a direction tapped on the pause screen,
     S tapped in play just before the pause, a direction tapped while the
     pausing Space is held: none of them is read once the phase changed;
     Alt alone, Alt+F and a mouse-opened File menu closed with Escape leave
     the game's keys working at once; Ctrl+Alt+S shows the statistics.
  5. rolling from one direction to another (Z and X, X and down, down and
     up): the lower key tapped while the higher stays held, and both held,
     let go in either order, 10 ms or 0.3 s apart: no step once both are up.
  2. a busy machine: two spinning processes per core and a client grabbing
     the screen in a loop; move keys and Space held 0.7 to 1.5 s with the
     server's auto-repeat on (16 of each), and with it off as the control.
  3. a direction key held from play into the name entry types nothing there.
  4. the German layout: the keys at the places of Z, X, "/" and left of 1
     move left, right, down and up; the key that types "z" moves nothing;
     Space, S and Escape work.
  6. the Dvorak layout: every keycode 10 to 135 tapped in play and on the
     pause screen: each of the seven functions on exactly one key, no key
     does two things.

Exit status 0 passed, 1 failed, 77 skipped (no X server can run here).
Set TM_E2E_KEEP=1 to keep the home folder with its screenshots.
"""
import contextlib
import os
import random
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (HERO_REST_SECONDS, SCREEN_H, SCREEN_W, Failure, blank_board, board_mismatches,  # noqa: E402
                     caught_game, end_process, fail_on, hero_move, log, main_in_x,
                     one_robot_counters, parse_score_file, saved_game_lines, trunc, wait_for)
from windows import Windows  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
# The X keycodes of the key right of the full stop and of the key left of 1
# (the evdev keycodes every X layout uses).
KEY_RIGHT_OF_FULL_STOP, KEY_LEFT_OF_1 = 61, 49


def row_game():
    """The hero on (7,6) of an open row with a wall block at each end, the
    robot shut in the top-left corner: Z and X held always move him (a step,
    or against the end block a push and a bounce in turn), so every move
    shows on the row."""
    codes = blank_board()
    for c, r in [(2, 1), (1, 2), (2, 2), (1, 6), (15, 6)]:
        codes[c][r] = 1
    codes[1][1] = 4
    codes[7][6] = 2
    counters = one_robot_counters((1, 1))
    counters["timeleft"] = 100
    return codes, counters


class Keys(Windows):
    # A held key comes up at most this long (s) after the move it let show,
    # well inside the 7 Ticks (over 100 ms) before the next move may come.
    RELEASE_MARGIN = 0.075

    # ------------------------------------------------------------ screen

    def row(self, r=6):
        """The raw pixels of one board row: they change when the hero moves on it."""
        b = self.board
        return self.x.grab_raw(b.left, b.top + b.ys[r], b.width, trunc(b.ch))

    def paused(self):
        b = self.board
        shot = self.x.grab(b.left, b.top, b.width, trunc(40 * b.scale))
        return shot is not None and b.white_in_top_band(shot) > 50

    def still(self, before, seconds, what):
        """Fails when the hero's row differs from before now or within the time."""
        end = time.monotonic() + seconds
        while True:
            if self.row() != before:
                raise Failure(what)
            if time.monotonic() >= end:
                return
            time.sleep(0.01)

    def moves(self, within, before=None):
        """Waits for the hero's row to change from before (by default, the row
        now); returns whether it did."""
        before = self.row() if before is None else before
        end = time.monotonic() + within
        while time.monotonic() < end:
            if self.row() != before:
                return True
            time.sleep(0.01)
        return False

    def popup(self):
        """An open menu (an override-redirect window), or None."""
        return next((w[0] for w in self.x.all_windows() if w[6]), None)

    # ------------------------------------------------------------- keys

    def down(self, key):
        self.x.key_event(key, True)

    def up(self, key):
        self.x.key_event(key, False)

    def tap(self, key, ms=70):
        self.down(key)
        time.sleep(ms / 1000)
        self.up(key)

    # A player's next key comes a moment after the Space that paused or
    # resumed; a key pressed while the game still waits for that Space to
    # come up belongs to the wait, and nothing else reads it.
    def pause_by_tap(self):
        self.tap("space")
        wait_for("the pause message", self.paused, timeout=3)
        time.sleep(0.15)

    def resume_by_tap(self):
        self.tap("space")
        wait_for("the pause message to go", lambda: not self.paused(), timeout=3)
        time.sleep(0.15)

    def open_saved(self, codes, counters, scale=1.0):
        """Starts the game and loads this saved game ("Load Saved Game" by
        Escape in the start window)."""
        self.write_saved_game(saved_game_lines(codes, counters))
        self.start_by_key("Escape", scale)
        self.x.focus(self.win)

    def open_row_game(self):
        self.open_saved(*row_game())

    # ------------------------------------------------------------- runs

    def run_phases(self):
        log("-- run 1: a key pressed in one phase is not read in another; Alt and the menu")
        checks = [
            ('Escape tapped on the pause screen, then Space: play resumes and goes on, no '
             '"High Scores"', self.escape_on_pause),
            ('S tapped in play as Space pauses: the pause screen does not save',
             self.s_before_pause),
            ("X tapped on the pause screen, then Space: the hero stays", self.move_on_pause),
            ("X tapped while the pausing Space is held: the hero stays when Space comes up",
             self.move_while_space_held),
            ("Alt alone, then X held 0.6 s moves the hero and Space pauses", self.lone_alt),
            ("Alt+F opens the File menu; once Escape closes it Z moves the hero at once",
             self.alt_f),
            ("File opened with the mouse and closed with Escape: X moves the hero at once and "
             "Space pauses", self.mouse_menu),
            ("Ctrl+Alt+S shows the statistics window", self.stats_on),
        ]
        for name, check in checks:
            if not self.game or not self.game.alive():
                self.open_row_game()
            try:
                with self.step(name):
                    check()
            except Failure:
                self.game.stop()
                self.game = None

    def escape_on_pause(self):
        self.pause_by_tap()
        time.sleep(0.1)
        self.tap("Escape", 60)
        time.sleep(0.02)
        self.tap("space", 60)
        wait_for("the pause message to go", lambda: not self.paused(), timeout=2)
        time.sleep(0.6)
        if self.x.windows("High Scores"):
            raise Failure('"High Scores" opened: the Escape of the pause screen ended the game')
        if not self.hold_moves("x", 0.4):
            raise Failure("X does not move the hero: play did not go on")

    def hold_moves(self, key, seconds):
        """Holds the key; returns whether the hero's row changed meanwhile."""
        before = self.row()
        self.down(key)
        try:
            return self.moves(seconds, before)
        finally:
            self.up(key)

    def s_before_pause(self):
        # S goes down in play, Space pauses while it is held, S comes up at
        # once: it was never held on the pause screen. Three times, as the
        # pause screen's first read may fall anywhere.
        for _ in range(3):
            with contextlib.suppress(FileNotFoundError):
                os.remove(self.game.file("mygame.txt"))
            self.down("s")
            time.sleep(0.03)
            self.down("space")
            time.sleep(0.01)
            self.up("s")
            time.sleep(0.02)
            self.up("space")
            wait_for("the pause message", self.paused, timeout=2)
            time.sleep(0.6)
            if self.game.lines("mygame.txt") is not None:
                raise Failure('the pause screen saved "mygame.txt" for an S pressed in play')
            self.resume_by_tap()
            time.sleep(0.1)

    def move_on_pause(self):
        # Three times, at different places between two reads of the pause screen.
        for wait in (0.02, 0.1, 0.18):
            self.pause_by_tap()
            before = self.row()
            time.sleep(wait)
            self.tap("x", 70)
            time.sleep(0.02)
            self.resume_by_tap()
            self.still(before, 0.5,
                       "the hero moved after the pause for an X tapped on the pause screen")

    def move_while_space_held(self):
        self.down("space")
        wait_for("the pause message", self.paused, timeout=2)
        before = self.row()
        time.sleep(0.1)
        self.tap("x", 70)
        time.sleep(0.1)
        self.up("space")
        self.still(before, 0.5, "the hero moved for an X tapped and let go while Space was held")
        if not self.paused():
            raise Failure("the game is not paused")
        self.resume_by_tap()

    def lone_alt(self):
        self.tap("Alt_L", 60)
        time.sleep(0.1)
        if not self.hold_moves("x", 0.6):
            raise Failure("X held 0.6 s after Alt did not move the hero")
        time.sleep(0.2)
        self.tap("Alt_L", 60)
        time.sleep(0.1)
        try:
            self.pause_by_tap()
        except Failure:
            raise Failure("Space after Alt did not pause" +
                          (" (it opened the menu)" if self.popup() else ""))
        self.resume_by_tap()

    def alt_f(self):
        self.down("Alt_L")
        self.tap("f", 60)
        self.up("Alt_L")
        wait_for("the File menu", self.popup, timeout=2)
        self.tap("Escape", 60)
        wait_for("the File menu to close", lambda: not self.popup(), timeout=2)
        if not self.hold_moves("z", 0.4):
            raise Failure("Z did not move the hero after the File menu closed")
        self.pause_by_tap()
        self.resume_by_tap()

    def mouse_menu(self):
        self.pointer_away()
        self.x.click(self.win, 20, self.menubar // 2)
        wait_for("the File menu", self.popup, timeout=2)
        self.tap("Escape", 60)
        wait_for("the File menu to close", lambda: not self.popup(), timeout=2)
        if not self.hold_moves("x", 0.4):
            raise Failure("X did not move the hero after the File menu closed")
        try:
            self.pause_by_tap()
        except Failure:
            raise Failure("Space did not pause" + (" (it opened the menu)" if self.popup() else ""))
        self.resume_by_tap()


    # ----------------------------------------------------- a busy machine

    def run_busy(self):
        log("-- run 2: held keys on a busy machine, with the server's auto-repeat on and off")
        self.open_row_game()
        rnd = random.Random(int(os.environ.get("TM_KEYS_SEED", "17")))
        # Two holds with auto-repeat on, then one with it off, in turn, so
        # that both meet the same load.
        plan = ["on", "on", "off"] * 8
        space_plan = plan
        moves = {"on": [0, 0], "off": [0, 0]}  # holds, steps after release
        spaces = {"on": [0, 0], "off": [0, 0]}  # presses, wrong outcomes
        with busy_machine(self.x.display):
            with self.step("move keys held 0.7 to 0.9 s: no step after the key came up"):
                for i, mode in enumerate(plan):
                    self.x.auto_repeat(mode == "on")
                    after = self.hold_and_count(("x", "z")[i % 2], rnd.uniform(0.7, 0.9), rnd)
                    if after is not None:
                        moves[mode][0] += 1
                        moves[mode][1] += after
                log(f"       auto-repeat on: {moves['on'][1]} steps after release in "
                    f"{moves['on'][0]} holds judged; off: {moves['off'][1]} in "
                    f"{moves['off'][0]}")
                # Most holds must be judged, or the run proves nothing.
                fail_on([f"only {moves[m][0]} of {plan.count(m)} holds with auto-repeat {m} "
                         "were let go in time to judge" for m in ("on", "off")
                         if moves[m][0] * 2 < plan.count(m)])
            with self.step("Space held 0.7 to 1.5 s pauses or resumes, once"):
                for mode in space_plan:
                    self.x.auto_repeat(mode == "on")
                    spaces[mode][0] += 1
                    spaces[mode][1] += self.space_held(rnd.uniform(0.7, 1.5))
                log(f"       auto-repeat on: {spaces['on'][1]} wrong outcomes of "
                    f"{spaces['on'][0]} Space presses; off: {spaces['off'][1]} of "
                    f"{spaces['off'][0]}")
        self.x.auto_repeat(True)
        with self.step("no step after release and no wrong Space outcome under load, "
                       "auto-repeat on or off"):
            fail_on([f"{what}: {on[1]} of {on[0]} with auto-repeat on, {off[1]} of {off[0]} "
                     "with it off" for what, (on, off) in
                     [("steps after release", (moves["on"], moves["off"])),
                      ("wrong Space outcomes", (spaces["on"], spaces["off"]))]
                     if on[1] or off[1]])
        self.game.stop()

    def hold_and_count(self, key, seconds, rnd):
        """Holds the key for about that long and lets it go shortly after a
        move shows; returns the moves seen after the release."""
        last = self.row()
        self.down(key)
        t0 = time.monotonic()
        seen = None
        while True:
            now_row = self.row()
            now = time.monotonic()
            if now_row != last:
                last, seen = now_row, now
                if now - t0 >= seconds:
                    break
            if now - t0 > seconds + 1.0:
                self.up(key)
                raise Failure(f"{key} held {now - t0:.1f} s: the hero stopped moving")
        # The next move can come no sooner than 7 Ticks (over 100 ms) after
        # this one: the key comes up well before, 10 to 50 ms after the move
        # showed, so a move after the release is one the game read with the
        # key up. A machine too slow for that margin shows such moves with
        # auto-repeat off as well: the control.
        # The busy machine can hold this process up past that margin; such a
        # hold proves nothing either way and is not judged (None).
        time.sleep(rnd.uniform(0.01, 0.05))
        self.up(key)
        late = time.monotonic() - seen
        after, end = 0, time.monotonic() + 0.3
        while time.monotonic() < end:
            now_row = self.row()
            if now_row != last:
                last, after = now_row, after + 1
        if late > self.RELEASE_MARGIN:
            log(f"       {key} held {seen - t0:.2f} s: released {late * 1000:.0f} ms after "
                "the move showed, too late to judge")
            return None
        if after:
            log(f"       {key} held {seen - t0:.2f} s: {after} step(s) after release")
        return after

    def space_held(self, seconds):
        """Space held that long: returns 1 when the game did not end up
        paused or resumed as the press asked, else 0."""
        want = not self.paused()
        self.down("space")
        time.sleep(seconds)
        self.up("space")
        # On a busy machine the screen may take a while to show the outcome:
        # it must come within 2.5 s and then stay, so that a toggle the game
        # still had pending from a repeat shows as the fault it is.
        end = time.monotonic() + 2.5
        time.sleep(0.4)
        while self.paused() != want and time.monotonic() < end:
            time.sleep(0.05)
        time.sleep(0.5)
        if self.paused() != want:
            log(f"       Space held {seconds:.2f} s to {'pause' if want else 'resume'}: "
                "the game did not follow")
            return 1
        return 0

    # ------------------------------------------------------ the name entry

    def run_name_entry_held(self):
        log("-- run 3: a key held from play into the name entry types nothing there")
        self.write_saved_game(saved_game_lines(*caught_game()))
        x = self.x
        with self.step("X held from play until after the name entry opened: the name "
                       "typed afterwards reaches the table alone"):
            self.start_by_key("Escape", 1.0)
            x.focus(self.win)
            before = self.read_board()
            self.x.auto_repeat(True)
            self.down("x")  # the robot beside the hero: X moves nothing
            try:
                entry = x.sync_window("Untitled", timeout=8)[0]
                x.focus(entry)
                time.sleep(0.8)  # 20 repeats of the key
            finally:
                self.up("x")
            x.type("Ann", delay=0.03)
            x.key("Return")
            wid, geo = self.scores_window(timeout=5)
            table, _, _ = parse_score_file(self.ok_new_game(wid, geo, before))
            if table[0][0] != "Ann":
                raise Failure(f"the name in the table is {table[0][0]!r}, not 'Ann'")
        self.game.stop()

    # --------------------------------------------------- a German keyboard

    def run_german_layout(self):
        log("-- run 4: the German layout")
        x = self.x
        x.run(["setxkbmap", "de"])
        x.reopen()  # for the new layout's key map
        try:
            with self.step('the layout types "-" right of the full stop, "^" left of 1, and '
                           '"z" on the key right of T'):
                got = (self.x.keycode("minus"), self.x.keycode("dead_circumflex"),
                       self.x.keycode("z"), self.x.keycode("y"))
                if got != (KEY_RIGHT_OF_FULL_STOP, KEY_LEFT_OF_1, 29, 52):
                    raise Failure(f"keycodes of -, ^, z, y: {got}")
            codes, counters = row_game()
            self.open_saved(codes, counters)
            hero = counters["hero"]
            # The four directions are the keys at the places of Z, X, "/" and
            # the key left of 1 on a US keyboard: on this layout the key that
            # types "y" moves left, and the key that types "z" is no key of
            # the game.
            for key, move, what in [
                    (KEY_RIGHT_OF_FULL_STOP, "slash", 'the key right of the full stop ("-") '
                                                      "moves down"),
                    (KEY_LEFT_OF_1, "grave", 'the key left of 1 ("^") moves up'),
                    ("y", "z", 'the key that types "y" (where Z is on a US keyboard) moves left'),
                    ("z", None, 'the key that types "z" moves nothing'),
                    ("x", "x", "X moves right")]:
                with self.step(what):
                    if move:
                        want, hero_after = hero_move(codes, hero, move)
                        self.tap(key)
                        wait_for("the move on the screen", lambda: not board_mismatches(
                            self.read_board(), want), timeout=1.5)
                        time.sleep(HERO_REST_SECONDS)
                        codes, hero = want, hero_after
                    else:
                        self.tap(key)
                        time.sleep(0.4)
                        fail_on(board_mismatches(self.read_board(), codes))
            with self.step('Space pauses, S saves, Space resumes, Escape shows "High Scores"'):
                self.pause_by_tap()
                with contextlib.suppress(FileNotFoundError):
                    os.remove(self.game.file("mygame.txt"))
                self.tap("s")
                wait_for('"mygame.txt"', lambda: self.game.lines("mygame.txt"), timeout=2)
                box = wait_for("the message box", lambda: [
                    w for w, g in self.titled("Tarrowmead") if w != self.win and g and g[4]])
                self.close_message(box[0])
                self.resume()
                self.tap("Escape")
                self.scores_window(timeout=3)
            self.game.stop()
        finally:
            x.run(["setxkbmap", "us"])
            x.reopen()


    # ------------------------------------------------- rolling the keys

    def play_area(self):
        """The raw pixels of board rows 3 to 13, where the hero walks (the
        robot stays shut in rows 1 and 2)."""
        b = self.board
        return self.x.grab_raw(b.left, b.top + b.ys[3], b.width,
                                  b.ys[13] + trunc(b.ch) - b.ys[3])

    def wait_move(self, last, within):
        """Waits for the play area to change from last; returns the new
        pixels, or None."""
        end = time.monotonic() + within
        while time.monotonic() < end:
            now = self.play_area()
            if now != last:
                return now
            time.sleep(0.005)
        return None

    def run_roll_over(self):
        log("-- run 5: rolling from one direction key to another: no step once both are up")
        pairs = [("z", "x"), ("x", "slash"), ("slash", "grave")]
        # (the first let go, the gap before the other, the key that must have
        # just moved the hero when the last comes up)
        orders = [("lower", 0.01), ("lower", 0.3), ("higher", 0.01), ("higher", 0.3)]
        strays = []
        for hi, lo in pairs:
            for first, gap in orders + [("tap", 0.7)]:
                what = (f"{hi} held, {lo} tapped for 50 ms, {hi} held {gap} s more"
                        if first == "tap" else
                        f"{hi} held, {lo} pressed, the {first} key let go first, the other "
                        f"{gap} s later")
                with self.step(what):
                    self.open_row_game()
                    n = self.roll(hi, lo, first, gap)
                    if n:
                        strays.append(f"{what}: {n} step(s) after both keys were up")
                self.game.stop()
                self.game = None
        with self.step("no roll-over left a step behind"):
            fail_on(strays)

    def roll(self, hi, lo, first, gap):
        """Plays one roll-over; returns the steps seen once both keys are up."""
        last = self.play_area()
        self.down(hi)
        last = self.wait_move(last, 1.0) or last
        time.sleep(0.15)
        if first == "tap":
            self.tap(lo, 50)
            time.sleep(gap)
            # The held key comes up just after a move of its own showed.
            last = self.wait_move(self.play_area(), 1.0) or self.play_area()
            time.sleep(0.02)
            self.up(hi)
        else:
            self.down(lo)
            time.sleep(0.3)
            a, b = (lo, hi) if first == "lower" else (hi, lo)
            self.up(a)
            time.sleep(gap)
            # The other key comes up just after a move it made showed (held
            # alone, or still the higher one).
            self.wait_move(self.play_area(), 1.0)
            time.sleep(0.02)
            self.up(b)
        time.sleep(0.03)  # a move read before the release may still be painted
        last = self.play_area()
        steps, end = 0, time.monotonic() + 0.5
        while time.monotonic() < end:
            now = self.play_area()
            if now != last:
                last, steps = now, steps + 1
            time.sleep(0.005)
        return steps

    # --------------------------------------------- every key on Dvorak

    def run_dvorak_scan(self):
        log("-- run 6: the Dvorak layout, every keycode 10 to 135: each function on one key")
        x = self.x
        x.run(["setxkbmap", "us", "-variant", "dvorak"])
        x.reopen()
        try:
            with self.step("each key tapped in play: which moves the hero, which pauses, "
                           'which shows "High Scores"'):
                self.open_row_game()
                does = {}
                for group in [list(range(k, min(k + 9, 136))) for k in range(10, 136, 9)]:
                    # Keys that do nothing in play go by in groups.
                    if not self.play_effect(group):
                        continue
                    for kc in group:
                        effect = self.play_effect([kc])
                        if effect:
                            does.setdefault(kc, set()).add(effect)
            with self.step('each key tapped on the pause screen: which saves the game'):
                self.pause_by_tap()
                keys = [k for k in range(10, 136) if k != 65]
                for group in [keys[k:k + 9] for k in range(0, len(keys), 9)]:
                    if not self.saves(group):
                        continue
                    for kc in group:
                        if self.saves([kc]):
                            does.setdefault(kc, set()).add("save")
                self.resume_by_tap()
            with self.step("Escape shows \"High Scores\""):
                self.tap("Escape")
                self.scores_window(timeout=3)
                does.setdefault(9, set()).add("scores")
            with self.step("each of the seven functions on exactly one key, no key does two"):
                want = {"left": 52, "right": 53, "down": 61, "up": 49, "pause": 65,
                        "save": 47, "scores": 9}
                keys_of = {}
                for kc, effects in does.items():
                    for e in effects:
                        keys_of.setdefault(e, []).append(kc)
                log("       " + ", ".join(f"{e}: {sorted(k)}" for e, k in sorted(keys_of.items())))
                fail_on([f"keycode {kc} does {sorted(e)}" for kc, e in does.items() if len(e) > 1] +
                        [f"{f}: keycodes {sorted(keys_of.get(f, []))}, not [{kc}]"
                         for f, kc in want.items() if keys_of.get(f) != [kc]])
            self.game.stop()
        finally:
            x.run(["setxkbmap", "us"])
            x.reopen()

    def hero(self):
        """The hero's cell (the robot stays shut in on (1,1))."""
        cells = self.read_board()
        return next((cell for cell, kind in cells.items()
                     if kind == "figure" and cell != (1, 1)), None)

    def play_effect(self, keys):
        """Taps the keys in play; returns what followed: a direction, "pause"
        or "scores", or None."""
        before = self.hero()
        for kc in keys:
            self.tap(kc, 30)
            time.sleep(0.03)
        time.sleep(0.25)
        if self.x.windows("High Scores"):
            self.game.stop()
            self.open_row_game()
            return "scores"
        if self.paused():
            self.resume_by_tap()
            return "pause"
        after = self.hero()
        if after == before or not after or not before:
            return None
        dc, dr = after[0] - before[0], after[1] - before[1]
        return {(-1, 0): "left", (1, 0): "right", (0, 1): "down", (0, -1): "up"}.get(
            (max(-1, min(1, dc)), max(-1, min(1, dr))), "moved")

    def saves(self, keys):
        """Taps the keys on the pause screen; returns whether the game was
        saved (and closes the message)."""
        with contextlib.suppress(FileNotFoundError):
            os.remove(self.game.file("mygame.txt"))
        for kc in keys:
            self.tap(kc, 30)
            time.sleep(0.03)
        time.sleep(0.35)
        if self.game.lines("mygame.txt") is None:
            return False
        box = wait_for("the message box", lambda: [
            w for w, g in self.titled("Tarrowmead") if w != self.win and g and g[4]])
        self.close_message(box[0])
        time.sleep(0.1)
        return True


@contextlib.contextmanager
def busy_machine(display):
    """Two spinning processes for every core and an X client grabbing the
    whole screen in a loop."""
    grabber = ("import sys; sys.path.insert(0, %r)\n"
               "from harness import X\n"
               "with X(%r) as x:\n"
               "    while True:\n"
               "        x.grab_raw(0, 0, %d, %d)\n") % (HERE, display, SCREEN_W, SCREEN_H)
    procs = [subprocess.Popen([sys.executable, "-c", grabber])]
    procs += [subprocess.Popen([sys.executable, "-c", "while True: pass"])
              for _ in range(2 * (os.cpu_count() or 1))]
    try:
        yield
    finally:
        for p in procs:
            end_process(p)


def main(argv):
    def play(x, paths, home):
        session = Keys(x, paths[0], home)
        runs = [session.run_phases, session.run_roll_over, session.run_busy,
                session.run_name_entry_held, session.run_german_layout,
                session.run_dvorak_scan]
        only = os.environ.get("TM_KEYS_RUNS")
        if only:
            runs = [r for r in runs if r.__name__ in only.split(",")]
        return session.play(runs, independent=True)
    return main_in_x(argv, __doc__, 1, "the key test", "tm-keys-", play, budget=420)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
