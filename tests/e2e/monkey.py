#!/usr/bin/env python3
"""A monkey plays Tarrowmead: random real X events to every window of the
game for a bounded time, restarting the game whenever it ends.

    monkey.py <tarrowmead binary> <tm_datacheck binary>

The events: the game keys (Z, X, "/", "`", Space, S, Escape, Return,
Ctrl+Alt+S) held for random times under random Shift, Ctrl and Alt
combinations, clicks and drags at random points of every window on the
screen (buttons, sliders, the sound switch, the list, the menu bar and its
File menu), names typed into the name entry, and close requests
(WM_DELETE_WINDOW, as a close box sends) to random windows. Most of them are
moves with the game window focused, so that most games clear levels and end
in the name entry and the high-score table; closes and Escape are rare.

It fails on:
  - a game that ends by a signal or with a status other than 0;
  - a sanitizer report in the game's output;
  - a data file that the game's own readers refuse (tm_datacheck, after
    every run);
  - a game process still running 5 s after its last window on the screen
    closed;
  - a game that stands still: the clock unchanged for 15 s while neither
    the pause message, a box, a table nor a menu is up.

TM_MONKEY_SECONDS sets the run time (60 by default); the seed is logged, and
TM_MONKEY_SEED replays it (the same events; the game's own timing varies).
TM_MONKEY_KEEP=1 keeps the home folder; a failure always keeps it.
Exit status 0 passed, 1 failed, 77 skipped (no X server can run here).
"""
import collections
import os
import random
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (NAME_ENTRY_SIZE, SCORES_SIZE, SCREEN_H, SCREEN_W, START_SIZE,  # noqa: E402
                     Board, Failure, Game, end_process, log, main_in_x, trunc)

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus")
# A saved game on its last life with 1875 points (the name entry follows its
# loss) and a score table whose lowest entry has 150, at the medium size with
# fast robots.
SEED_SAVED_GAME = os.path.join(CORPUS, "savedgame", "level7.txt")
SEED_SCORE_FILE = os.path.join(CORPUS, "scorefile", "full-table.txt")

GAME_WIDTHS = {988: 1.0, 1235: 1.25, 1482: 1.5}
STATS_SIZE = (319, 427)

ORPHAN_SECONDS = 5.0
STILL_SECONDS = 15.0
SANITIZER_REPORT = re.compile(
    rb"ERROR: (Address|Leak|Memory|Thread)Sanitizer|runtime error:|SUMMARY: \w+Sanitizer")

MOVES = ["z", "x", "slash", "grave"]
GAME_KEYS = MOVES + ["space", "s", "Escape", "Return"]
MODIFIERS = ["Shift_L", "Control_L", "Alt_L"]
NAME_LETTERS = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .-'"


# ------------------------------------------------------------- the windows

class Win:
    def __init__(self, wid, title, left, top, width, height, popup):
        self.wid, self.title, self.popup = wid, title, popup
        self.left, self.top, self.width, self.height = left, top, width, height
        self.kind = self._kind()

    def _kind(self):
        size = (self.width, self.height)
        if self.popup:
            return "menu"
        if self.title == "High Scores":
            return "scores"
        if self.title == "Untitled":
            return "name" if size == NAME_ENTRY_SIZE else "stats" if size == STATS_SIZE else "other"
        if self.title == "Tarrowmead":
            if size == START_SIZE:
                return "start"
            return "game" if self.width >= 900 else "message"
        return "other"

    def on_screen(self):
        return (self.left < SCREEN_W and self.top < SCREEN_H and self.left + self.width > 0
                and self.top + self.height > 0)

    def scale(self):
        return GAME_WIDTHS.get(self.width)

    def menubar(self):
        s = self.scale()
        return self.height - trunc(600 * s) if s else 0

    def __repr__(self):
        return f"{self.kind} 0x{self.wid:x} {self.width}x{self.height}+{self.left}+{self.top}"


BOXES = {"start", "message", "name", "scores", "menu", "other"}


def kinds_up(wins):
    return {w.kind for w in wins}


# ----------------------------------------------------------------- monkey

class Monkey:
    def __init__(self, binary, checker, x, home, rng):
        self.binary, self.checker, self.x = binary, checker, x
        self.home, self.rng = home, rng
        self.game = None
        self.runs = 0
        self.seen = collections.Counter()
        self.kinds_before = set()
        self.recent = collections.deque(maxlen=60)
        self.t0 = time.monotonic()

    # -------------------------------------------------------- reporting

    def note(self, what):
        self.recent.append(f"{time.monotonic() - self.t0:7.2f} s  {what}")

    # ------------------------------------------------------ the process

    def seed_data(self, first):
        folder = Game(self.binary, self.x, self.home).data_dir
        os.makedirs(folder, exist_ok=True)
        if first:
            shutil.copyfile(SEED_SCORE_FILE, os.path.join(folder, "mydata.txt"))
        # Half the runs may load the game on its last life again.
        if first or self.rng.random() < 0.5:
            shutil.copyfile(SEED_SAVED_GAME, os.path.join(folder, "mygame.txt"))

    def start(self):
        self.seed_data(first=self.runs == 0)
        self.runs += 1
        log_file = os.path.join(self.home, "game.log")
        self.log_from = os.path.getsize(log_file) if os.path.exists(log_file) else 0
        self.game = Game(self.binary, self.x, self.home).start()
        self.run_started = time.monotonic()
        self.had_window = False
        self.windowless_since = None
        self.clock = None
        self.clock_since = None
        self.note(f"run {self.runs}: game started, pid {self.game.proc.pid}")

    def finish(self, stopped_by_us=False):
        """Ends the run: the process's status, its output and the data files."""
        game = self.game
        self.game = None
        if stopped_by_us:
            game.stop()
            status = None
        else:
            status = game.proc.wait()
            game.stop()
        self.note(f"run {self.runs}: game ended, status {status}")
        events = [line.split("  ", 1)[1] for line in list(self.recent)[-4:-1]]
        log(f"run {self.runs}: {time.monotonic() - self.run_started:.1f} s, "
            f"{'stopped at the end of the time' if status is None else f'status {status}'}; "
            f"before its end: {'; '.join(events)}")
        problems = []
        if status is not None and status < 0:
            problems.append(f"the game was killed by signal {-status}")
        elif status not in (None, 0):
            problems.append(f"the game ended with status {status}")
        with open(os.path.join(self.home, "game.log"), "rb") as f:
            f.seek(self.log_from)
            output = f.read()
        m = SANITIZER_REPORT.search(output)
        if m:
            start = output.rfind(b"\n", 0, m.start()) + 1
            problems.append("a sanitizer report: "
                            + output[start:m.end() + 1500].decode(errors="replace"))
        elif status not in (None, 0) and output:
            problems.append("its last output: " + output[-1500:].decode(errors="replace"))
        folder = game.data_dir
        if os.path.isdir(folder):
            r = subprocess.run([self.checker, folder], capture_output=True, text=True, timeout=60)
            if r.returncode != 0:
                problems.append("a data file the game refuses: "
                                + (r.stdout + r.stderr).strip().replace("\n", "; "))
        if problems:
            raise Failure("\n       ".join(problems))

    # ------------------------------------------------------ the watch

    def windows(self):
        return [Win(*w) for w in self.x.all_windows()]

    def watch(self, wins):
        """The orphan and stand-still checks on the windows seen now."""
        now = time.monotonic()
        shown = [w for w in wins if w.on_screen()]
        kinds = kinds_up(wins)
        for k in kinds - self.kinds_before:
            self.seen[k] += 1
        if kinds != self.kinds_before:
            self.note("windows now: " + (", ".join(map(repr, wins)) or "none"))
            log(self.recent[-1])
        self.kinds_before = kinds
        if shown:
            self.had_window = True
            self.windowless_since = None
        elif self.had_window:
            if self.windowless_since is None:
                self.windowless_since = now
                self.note("no window of the game on the screen: "
                          + (", ".join(map(repr, wins)) or "none at all"))
            elif now - self.windowless_since > ORPHAN_SECONDS:
                raise Failure(f"the game process still runs {now - self.windowless_since:.1f} s "
                              "after its last window on the screen closed; windows: "
                              + (", ".join(map(repr, wins)) or "none"))

        games = [w for w in shown if w.kind == "game" and w.scale()]
        if len(games) != 1 or kinds & BOXES:
            self.clock = None
            return
        g = games[0]
        s, bar = g.scale(), g.menubar()
        board = Board(s, g.left + trunc(138 * s), g.top + bar)
        band = self.x.grab(board.left, board.top, board.width, trunc(40 * s))
        # The clock's label: where it is laid out, and where play's first tick
        # puts it for the game's size. Only its white text counts.
        x0, y0 = min(28, trunc(20 * s)), min(41, trunc(50 * s))
        x1, y1 = max(28 + 59, trunc(110 * s)), max(41 + 20, trunc(72 * s))
        left, top = g.left + x0, g.top + bar + y0
        above = wins[wins.index(g) + 1:]
        if any(w.left < left + x1 - x0 and left < w.left + w.width and
               w.top < top + y1 - y0 and top < w.top + w.height for w in above):
            self.clock = None  # another window hides the clock
            return
        clock = self.x.grab(left, top, x1 - x0, y1 - y0)
        if band is None or clock is None or board.white_in_top_band(band) > 50:
            self.clock = None  # paused
            return
        text = bytes(min(p) > 200 for p in clock.region(0, 0, clock.width, clock.height))
        if text != self.clock:
            self.clock, self.clock_since = text, now
        elif now - self.clock_since > STILL_SECONDS:
            shot = os.path.join(self.home, "still.ppm")
            self.x.grab(0, 0, SCREEN_W, SCREEN_H).save(shot)
            raise Failure(f"the game stands still: the clock unchanged for "
                          f"{now - self.clock_since:.1f} s with no pause message, box, table or "
                          f"menu up; windows: {', '.join(map(repr, wins))}; screen: {shot}")

    # ---------------------------------------------------------- events

    # A window may go between the look at the screen and the event sent to
    # it: that is no fault, and the event is dropped.

    def focus(self, w):
        """The keyboard focus to the window; False when it went meanwhile."""
        try:
            self.x.focus(w.wid, timeout=1)
            return True
        except Failure:
            return False

    def hold(self, key, mods=(), seconds=0.1):
        """The key down for a while under the modifiers, pressed and let go
        in a random order."""
        rng = self.rng
        downs = list(mods) + [key]
        rng.shuffle(downs)
        ups = downs[:]
        rng.shuffle(ups)
        self.note(f"hold {'+'.join(downs)} {seconds:.2f} s, let go {'+'.join(ups)}")
        for k in downs:
            self.x.keydown(k)
            time.sleep(rng.uniform(0, 0.05))
        time.sleep(seconds)
        for k in ups:
            self.x.keyup(k)
            time.sleep(rng.uniform(0, 0.05))

    def pointer_to(self, w, x, y):
        try:
            self.x.pointer_to(w.wid, x, y)
            return True
        except Failure:
            return False

    def click(self, w, x, y):
        self.note(f"click {w!r} at ({x},{y})")
        if self.pointer_to(w, x, y):
            time.sleep(0.02)
            self.x.button(True)
            self.x.button(False)

    def drag(self, w, x, y, x2, y2):
        self.note(f"drag {w!r} ({x},{y}) to ({x2},{y2})")
        if not self.pointer_to(w, x, y):
            return
        time.sleep(0.02)
        self.x.button(True)
        try:
            time.sleep(0.05)
            self.pointer_to(w, (x + x2) // 2, (y + y2) // 2)
            time.sleep(0.05)
            self.pointer_to(w, x2, y2)
            time.sleep(self.rng.uniform(0.05, 0.4))
        finally:
            self.x.button(False)

    def random_point(self, w):
        return self.rng.randrange(w.width), self.rng.randrange(w.height)

    def close_request(self, w):
        self.note(f"close request to {w!r}")
        self.x.close_request(w.wid)

    def type_text(self, w):
        text = "".join(self.rng.choice(NAME_LETTERS) for _ in range(self.rng.randint(1, 14)))
        self.note(f"type {text!r} into {w!r}")
        if self.focus(w):
            self.x.type(text, delay=0.015)

    def any_key(self, w):
        """A game key, or Ctrl+Alt+S, under a random modifier mix."""
        rng = self.rng
        self.focus(w)
        if rng.random() < 0.1:
            self.hold("s", ["Control_L", "Alt_L"], rng.uniform(0.05, 0.2))
            return
        mods = [m for m in MODIFIERS if rng.random() < 0.3]
        self.hold(rng.choice(GAME_KEYS), mods, rng.uniform(0.03, 0.6))

    def pick(self, choices):
        total = sum(weight for weight, _ in choices)
        r = self.rng.uniform(0, total)
        for weight, action in choices:
            r -= weight
            if r <= 0:
                return action
        return choices[-1][1]

    def act(self, wins):
        shown = [w for w in wins if w.on_screen() and w.kind != "menu"]
        by_kind = {w.kind: w for w in shown}
        menus = [w for w in wins if w.kind == "menu"]
        rng = self.rng
        # A close box off the screen is out of the player's reach.
        closable = shown
        choices = []
        if closable:
            # Rare in play, where a close ends the game; more often over a box
            # or a table, where a window closed behind the player's back is
            # the test a player's desktop makes.
            up = kinds_up(wins)
            weight = 1.5 if up & {"name", "scores"} else 0.6 if "message" in up else 0.1
            choices.append((weight, lambda: self.close_request(rng.choice(closable))))
        if shown:
            choices.append((1.5, lambda: (lambda w: self.click(w, *self.random_point(w)))(
                rng.choice(shown))))
            choices.append((0.7, lambda: (lambda w: self.drag(w, *self.random_point(w),
                                                               *self.random_point(w)))(
                rng.choice(shown))))
            choices.append((1.0, lambda: self.any_key(rng.choice(shown))))
        if menus:
            # The File menu is open: mostly shut it, now and then choose in it.
            m = menus[-1]
            choices += [(1.0, lambda: self.click(m, *self.random_point(m))),
                        (3.0, lambda: self.hold("Escape", seconds=0.05))]
            if "game" in by_kind:
                g = by_kind["game"]
                choices.append((3.0, lambda: self.click(g, rng.randrange(g.width // 4, g.width),
                                                        rng.randrange(g.height // 4, g.height))))
        elif "name" in by_kind:
            w = by_kind["name"]
            choices += [(6.0, lambda: self.type_text(w)),
                        (3.0, lambda: (self.focus(w), self.hold("Return", seconds=0.08))),
                        (2.0, lambda: self.click(w, rng.randint(374, 415), rng.randint(54, 85))),
                        (1.0, lambda: (self.focus(w), self.hold(
                            "BackSpace", seconds=rng.uniform(0.05, 0.8))))]
        elif "message" in by_kind:
            w = by_kind["message"]
            choices += [(5.0, lambda: (self.focus(w), self.hold("Return", seconds=0.08))),
                        (2.0, lambda: (self.focus(w), self.hold("space", seconds=0.08)))]
        elif "scores" in by_kind:
            w = by_kind["scores"]
            bar = w.height - SCORES_SIZE[1] if w.height >= SCORES_SIZE[1] else 0
            choices += [(6.0, lambda: self.click(w, rng.randint(119, 197),
                                                 bar + rng.randint(692, 714))),
                        (0.3, lambda: self.click(w, rng.randint(263, 341),
                                                 bar + rng.randint(692, 714))),
                        (2.0, lambda: self.click(w, rng.randrange(460), bar + rng.randint(102, 644))),
                        (2.0, lambda: (self.focus(w), self.hold("Return", seconds=0.08)))]
        elif "start" in by_kind:
            w = by_kind["start"]
            choices += [(4.0, lambda: self.click(w, rng.randint(278, 490), rng.randint(459, 510))),
                        (4.0, lambda: self.click(w, rng.randint(278, 490), rng.randint(520, 553))),
                        (1.5, lambda: self.drag(w, rng.randint(73, 316), rng.randint(380, 409),
                                                rng.randint(40, 360), rng.randint(370, 420))),
                        (1.5, lambda: self.drag(w, rng.randint(424, 667), rng.randint(380, 409),
                                                rng.randint(400, 720), rng.randint(370, 420))),
                        (1.0, lambda: self.click(w, rng.randint(321, 466), rng.randint(427, 449))),
                        (1.0, lambda: (self.focus(w), self.hold(
                            rng.choice(["Return", "Escape", "Tab", "Left", "Right"]),
                            seconds=0.08)))]
        elif "game" in by_kind:
            g = by_kind["game"]
            bar = g.menubar()

            def raise_focus():
                # As a desktop raises a window the player clicks into.
                self.x.raise_window(g.wid)
                self.focus(g)

            def move():
                raise_focus()
                mods = [m for m in MODIFIERS if rng.random() < 0.04]
                self.hold(rng.choice(MOVES), mods, rng.choice([rng.uniform(0.03, 0.15),
                                                               rng.uniform(0.1, 0.9)]))

            def tap(key, low=0.04, high=0.3):
                raise_focus()
                self.hold(key, seconds=rng.uniform(low, high))
            choices += [(60.0, move),
                        (3.0, lambda: tap("space")),
                        (2.0, lambda: tap("s")),
                        (0.2, lambda: tap("Escape", 0.04, 0.1)),
                        (0.8, lambda: tap("Return")),
                        (0.6, lambda: (self.focus(g), self.hold("s", ["Control_L", "Alt_L"], 0.1))),
                        (0.3, lambda: self.click(g, rng.randint(2, 60), rng.randrange(max(1, bar))))]
        if not choices:
            time.sleep(0.05)
            return
        self.pick(choices)()
        time.sleep(rng.uniform(0, 0.08))

    # ------------------------------------------------------------ run

    def run(self, seconds):
        end = self.t0 + seconds
        self.start()
        while time.monotonic() < end:
            if not self.game.alive():
                self.finish()
                self.start()
                continue
            wins = self.windows()
            self.watch(wins)
            self.act(wins)
        alive = self.game.alive()
        self.finish(stopped_by_us=alive)


def main(argv):
    seconds = float(os.environ.get("TM_MONKEY_SECONDS", "60"))
    seed = int(os.environ.get("TM_MONKEY_SEED") or random.SystemRandom().randrange(1, 2**31))
    log(f"monkey seed {seed} for {seconds:.0f} s (replay: TM_MONKEY_SEED={seed})")

    def play(x, paths, home):
        monkey = Monkey(*paths, x, home, random.Random(seed))
        try:
            monkey.run(seconds)
        except Failure as e:
            log(f"[FAIL] after {time.monotonic() - monkey.t0:.1f} s in run {monkey.runs}: {e}")
            log("       the last events:")
            for line in monkey.recent:
                log("         " + line)
            return True
        finally:
            if monkey.game:
                end_process(monkey.game.proc)
            log(f"{monkey.runs} runs; windows seen: "
                + ", ".join(f"{k} {n}" for k, n in sorted(monkey.seen.items())))
        return False
    return main_in_x(argv, __doc__, 2, "the monkey test", "tm-monkey-", play,
                     keep_var="TM_MONKEY_KEEP",
                     kept="the game's output in game.log, its data in data/",
                     ending=f"; seed {seed} (TM_MONKEY_SEED={seed} replays it)")


if __name__ == "__main__":
    sys.exit(main(sys.argv))
