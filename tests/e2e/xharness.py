"""Tools for driving Tarrowmead in a real X server: the virtual X server,
the game process, X input through xdotool, screenshots and reading the
board off the screen.

Only standard-library Python; the X tools are the Debian packages xvfb,
xdotool, x11-utils, x11-xkb-utils and imagemagick.
"""
import json
import os
import re
import select
import shutil
import subprocess
import tempfile
import time

SKIP = 77  # the exit status CTest reports as "skipped"

# Program -> Debian package that provides it.
TOOLS = {"Xvfb": "xvfb", "xdotool": "xdotool", "xwininfo": "x11-utils", "import": "imagemagick",
         "setxkbmap": "x11-xkb-utils"}

SCREEN_W, SCREEN_H = 1920, 1200
FRAME = (0x60, 0x00, 0xF0)  # the board's frame colour
# A colour that only robot k's pictures show on the board (body paint; the
# halt pictures keep it): the red saucer and the green tank.
ROBOT_PAINT = {0: (0xFF, 0x3C, 0x3C), 1: (0x3C, 0xD8, 0x50)}
# The sizes of the game's fixed-size windows.
START_SIZE = (762, 620)
NAME_ENTRY_SIZE = (436, 104)
SCORES_SIZE = (460, 733)


class Failure(Exception):
    """A check of the game failed."""


class Skip(Exception):
    """No X server can run here."""


def fail_on(problems):
    """Raises a Failure naming the first few problems, if there are any."""
    if problems:
        raise Failure("; ".join(problems[:6]))


def log(msg):
    print(msg, flush=True)


# ---------------------------------------------------------------- deadline

_deadline = [time.monotonic() + 300]


def set_budget(seconds):
    _deadline[0] = time.monotonic() + seconds


def wait_for(what, predicate, timeout=10.0, interval=0.03):
    """Polls predicate until it returns something true; returns that value.
    Fails after timeout seconds, or when the overall budget is spent."""
    end = min(time.monotonic() + timeout, _deadline[0])
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= end:
            if time.monotonic() >= _deadline[0]:
                raise Failure(f"overall time budget spent while waiting for {what}")
            raise Failure(f"timed out after {timeout:.1f} s waiting for {what}")
        time.sleep(interval)


# ------------------------------------------------------------------- tools

def _sudo():
    if os.geteuid() == 0:
        return []
    if shutil.which("sudo") and subprocess.run(["sudo", "-n", "true"],
                                               capture_output=True).returncode == 0:
        return ["sudo", "-n"]
    return None


def ensure_tools():
    """Installs the X tools that are missing (apt-get, as root or with
    password-less sudo). Raises Skip when Xvfb is not to be had, Failure
    when another tool is missing."""
    missing = sorted({pkg for prog, pkg in TOOLS.items() if not shutil.which(prog)})
    if missing:
        sudo = _sudo()
        if sudo is not None and shutil.which("apt-get"):
            log(f"installing {' '.join(missing)}")
            env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
            subprocess.run(sudo + ["apt-get", "update", "-qq"], env=env, capture_output=True)
            subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends"]
                           + missing, env=env, capture_output=True)
        else:
            log(f"cannot install {' '.join(missing)}: not root, no sudo or no apt-get")
    if not shutil.which("Xvfb"):
        raise Skip("Xvfb is not installed and cannot be installed here")
    still = [prog for prog in TOOLS if not shutil.which(prog)]
    if still:
        raise Failure(f"missing tools: {', '.join(still)}")


def end_process(proc):
    """Ends a process this harness started: politely, then for sure."""
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


# ---------------------------------------------------------------- X server

class XServer:
    """An Xvfb on a display it picks itself, without a window manager."""

    def __init__(self, width=SCREEN_W, height=SCREEN_H):
        self.width, self.height = width, height
        self.proc = None
        self.display = None

    def __enter__(self):
        rfd, wfd = os.pipe()
        try:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(wfd), "-screen", "0",
                 f"{self.width}x{self.height}x24", "-nolisten", "tcp", "-noreset"],
                pass_fds=(wfd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.PIPE)
        except OSError as e:
            raise Skip(f"Xvfb cannot start: {e}")
        os.close(wfd)
        number = b""
        end = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < end:
            ready, _, _ = select.select([rfd], [], [], 0.2)
            if ready:
                chunk = os.read(rfd, 64)
                if not chunk:
                    break
                number += chunk
            elif self.proc.poll() is not None:
                break
        os.close(rfd)
        if not number.strip().isdigit():
            err = b""
            if self.proc.poll() is not None:
                err = self.proc.stderr.read()[-400:]
            self.__exit__(None, None, None)
            raise Skip("Xvfb did not start: " + err.decode(errors="replace").strip())
        self.display = ":" + number.decode().strip()
        return self

    def __exit__(self, *exc):
        end_process(self.proc)
        return False


# ------------------------------------------------------------------- X I/O

class X:
    """xdotool, xwininfo and import on one display."""

    def __init__(self, display):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display)

    def run(self, args, timeout=10, check=True):
        try:
            r = subprocess.run(args, env=self.env, capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{' '.join(args)} did not finish within {timeout} s")
        if check and r.returncode != 0:
            raise Failure(f"{' '.join(args)} failed: {r.stderr.decode(errors='replace').strip()}")
        return r

    def xdo(self, *args, timeout=10):
        return self.run(["xdotool", *[str(a) for a in args]], timeout=timeout)

    def windows(self, name):
        """Ids of the mapped windows whose whole title is name."""
        r = self.run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(name)}$"],
                     check=False)
        return [int(w) for w in r.stdout.split()]

    def sync_window(self, name, timeout=10):
        """Waits (xdotool search --sync) for a mapped window of that title."""
        r = self.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                      f"^{re.escape(name)}$"], timeout=timeout, check=False)
        if r.returncode != 0:
            raise Failure(f'no window "{name}" appeared within {timeout} s')
        return [int(w) for w in r.stdout.split()]

    def geometry(self, wid):
        """(left, top, width, height, mapped) of a window, or None when it is gone."""
        r = self.run(["xwininfo", "-id", str(wid)], check=False)
        if r.returncode != 0:
            return None
        text = r.stdout.decode()
        field = lambda key: int(re.search(key + r":\s+(-?\d+)", text).group(1))
        mapped = "IsViewable" in text
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
                field("Width"), field("Height"), mapped)

    def focus(self, wid):
        self.xdo("windowfocus", "--sync", wid)

    def click(self, wid, x, y):
        """A left click at (x, y) in the window's coordinates."""
        self.xdo("mousemove", "--sync", "--window", wid, x, y, "click", "1")

    def key(self, name):
        self.xdo("key", name)

    def hold(self, name, seconds):
        """The key down for a moment, as a player taps it."""
        self.xdo("keydown", name, "sleep", f"{seconds:.3f}", "keyup", name)

    def keydown(self, name):
        self.xdo("keydown", name)

    def keyup(self, name):
        self.xdo("keyup", name)

    def grab(self, left, top, width, height):
        """The screen's pixels in the rectangle."""
        r = self.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
                      "+repage", "-depth", "8", "ppm:-"], timeout=20)
        return Shot.from_ppm(r.stdout, left, top)


class Shot:
    """An RGB screenshot; pixel coordinates are relative to its own corner."""

    def __init__(self, width, height, data, left=0, top=0):
        self.width, self.height, self.data = width, height, data
        self.left, self.top = left, top

    @staticmethod
    def from_ppm(blob, left=0, top=0):
        fields = []
        pos = 0
        while len(fields) < 4:
            while blob[pos:pos + 1].isspace():
                pos += 1
            if blob[pos:pos + 1] == b"#":
                pos = blob.index(b"\n", pos)
                continue
            end = pos
            while not blob[end:end + 1].isspace():
                end += 1
            fields.append(blob[pos:end])
            pos = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure("screenshot is not an 8-bit PPM")
        w, h = int(fields[1]), int(fields[2])
        return Shot(w, h, blob[pos + 1:pos + 1 + 3 * w * h], left, top)

    def px(self, x, y):
        i = 3 * (y * self.width + x)
        d = self.data
        return d[i], d[i + 1], d[i + 2]

    def region(self, x0, y0, x1, y1, step=1):
        for y in range(max(0, y0), min(self.height, y1), step):
            for x in range(max(0, x0), min(self.width, x1), step):
                yield self.px(x, y)

    def count(self, rgb):
        """Pixels of exactly this colour (a byte search: a run across two
        pixels could match too, which the checks' margins absorb)."""
        return self.data.count(bytes(rgb))

    def save(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height))
            f.write(self.data)


# ------------------------------------------------------------ the game run

class Game:
    """One run of the game binary with its own home and data folder."""

    def __init__(self, binary, x, home):
        self.binary, self.x, self.home = binary, x, home
        self.data_dir = os.path.join(home, "data", "Tarrowmead", "Tarrowmead")
        self.proc = None
        self.started = None

    def env(self):
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = {k: v for k, v in os.environ.items() if not k.startswith(("QT_", "XDG_"))}
        env.update(DISPLAY=self.x.display, HOME=self.home,
                   XDG_DATA_HOME=os.path.join(self.home, "data"),
                   XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb")
        return env

    def start(self):
        self.log = open(os.path.join(self.home, "game.log"), "ab")
        self.started = time.monotonic()
        self.proc = subprocess.Popen([self.binary], env=self.env(), stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=self.log, cwd=self.home)
        return self

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def stop(self):
        end_process(self.proc)
        if self.proc is not None:
            self.log.close()

    def ends_with_status_0(self, within=10):
        """Waits for the program to end by itself: it must, within the time
        given, with status 0."""
        try:
            wait_for("the program to end", lambda: not self.alive(), timeout=within)
        except Failure:
            raise Failure(f"the program still runs {within} s later")
        status = self.proc.returncode
        self.stop()
        if status != 0:
            raise Failure(f"the program ended with status {status}")

    def file(self, name):
        return os.path.join(self.data_dir, name)

    def lines(self, name):
        """The file's lines, or None while it does not exist."""
        try:
            with open(self.file(name), encoding="latin-1", newline="") as f:
                text = f.read()
        except FileNotFoundError:
            return None
        return text.splitlines()


# ----------------------------------------------------------- board geometry

COLUMNS, ROWS = 17, 15


def trunc(v):
    return int(v)  # toward zero, and every value here is positive


class Board:
    """The board canvas of the game window at one scale, on the screen."""

    def __init__(self, scale, canvas_left, canvas_top):
        self.scale = scale
        self.left, self.top = canvas_left, canvas_top  # screen position of the canvas
        self.width = trunc(850 * scale)
        self.height = trunc(600 * scale)
        self.cw, self.ch = 50 * scale, 40 * scale
        self.xs = [0, trunc(50 * scale)]
        for _ in range(2, COLUMNS):
            self.xs.append(trunc(self.xs[-1] + 50 * scale))
        self.ys = [0, trunc(40 * scale)]
        for _ in range(2, ROWS):
            self.ys.append(trunc(self.ys[-1] + 40 * scale))

    def grab(self, x):
        # One pixel wider than 850 x scale at 1.25, where the canvas ends at the window edge.
        return x.grab(self.left, self.top, self.width, self.height)

    def cell_box(self, c, r):
        """The cell's picture rectangle on the canvas, one pixel in from its edges."""
        x0, y0 = self.xs[c], self.ys[r]
        return x0 + 1, y0 + 1, trunc(x0 + self.cw) - 1, trunc(y0 + self.ch) - 1

    def classify(self, shot, c, r):
        """"empty" (black), "wall" (a wall block) or "figure" (the hero or a robot)."""
        x0, y0, x1, y1 = self.cell_box(c, r)
        total = black = brick = 0
        for (red, green, blue) in shot.region(x0, y0, x1, y1, 2):
            total += 1
            if max(red, green, blue) < 24:
                black += 1
            elif red > 100 and red > green + 30 and red > blue + 30:
                brick += 1
        if black >= 0.99 * total:
            return "empty"
        if black < 0.05 * total and brick > 0.6 * total:
            return "wall"
        return "figure"

    def read(self, shot):
        """The interior cells as classes, {(c, r): class}."""
        return {(c, r): self.classify(shot, c, r)
                for c in range(1, COLUMNS - 1) for r in range(1, ROWS - 1)}

    def border_cells(self):
        return [(c, r) for c in range(COLUMNS) for r in range(ROWS)
                if c in (0, COLUMNS - 1) or r in (0, ROWS - 1)]

    def border_faults(self, shot):
        """Border cells with a sampled pixel that is not the frame colour."""
        s = self.scale
        faults = []
        for c, r in self.border_cells():
            # The frame's bands: column 0 ends at 49 x scale (the strip up to
            # column 1 stays black), column 16 starts at 800 x scale, the top
            # and bottom bands are 40 x scale high.
            if c == 0:
                x0, x1 = 0, trunc(49 * s)
            elif c == COLUMNS - 1:
                x0, x1 = trunc(800 * s) + 1, self.width
            else:
                x0, x1 = self.xs[c], trunc(self.xs[c] + self.cw)
            if r == 0:
                y0, y1 = 0, trunc(40 * s)
            elif r == ROWS - 1:
                y0, y1 = self.height - trunc(40 * s), self.height
            else:
                y0, y1 = self.ys[r], trunc(self.ys[r] + self.ch)
            for i in range(5):
                for j in range(5):
                    x = x0 + 2 + (x1 - x0 - 5) * i // 4
                    y = y0 + 2 + (y1 - y0 - 5) * j // 4
                    if shot.px(x, y) != FRAME:
                        faults.append(((c, r), (x, y), shot.px(x, y)))
                        break
                else:
                    continue
                break
        return faults

    def white_in_top_band(self, shot):
        """Count of near-white pixels on the frame's top band (the pause message)."""
        s = self.scale
        return sum(1 for p in shot.region(trunc(60 * s), 0, self.width, trunc(40 * s))
                   if min(p) > 200)


def expected_class(codes, c, r):
    """The classes a cell of this saved-board code may show: a robot's picture
    reaches 30 x scale pixels into the cell below it (all robots but robot 1)."""
    code = codes[c][r]
    if code == 1:
        return {"wall"}
    if code in (2, 4, 5, 6, 7):
        return {"figure"}
    if code == 0 and r > 1 and codes[c][r - 1] in (4, 6, 7):
        return {"empty", "figure"}
    return {"empty"}


def board_mismatches(board_classes, codes, loose_robots=False):
    """The cells whose look does not fit the codes. With loose_robots a robot
    may be between two cells: its cell and the empty cells around it may
    show either."""
    out = []
    robots = {(c, r) for c in range(COLUMNS) for r in range(ROWS) if codes[c][r] >= 4}
    for (c, r), seen in sorted(board_classes.items()):
        want = expected_class(codes, c, r)
        near = any((c + dc, r + dr) in robots for dc in (-1, 0, 1) for dr in (-1, 0, 1))
        if loose_robots and near and codes[c][r] in (0, 4, 5, 6, 7):
            want = {"empty", "figure"}
        if seen not in want:
            out.append(f"cell ({c},{r}) code {codes[c][r]} shows {seen}")
    return out


# ------------------------------------------------ the game's data files

# The game's own readers and writer of its data files (tm_datacheck, built
# beside the game; TM_DATACHECK names another).
_datacheck = [os.environ.get("TM_DATACHECK")]

COUNTERS = ["monsactive", "lives", "totalmons", "monsleft", "currentscore", "timeleft",
            "exlives", "monstrapped"]


def _datacheck_run(mode, text):
    path = _datacheck[0]
    if not path or not os.access(path, os.X_OK):
        raise Failure(f"no tm_datacheck at {path} (built with the game)")
    r = subprocess.run([path, mode], input=text.encode("utf-8", "surrogateescape"),
                       capture_output=True, timeout=20)
    if r.returncode != 0:
        raise Failure(f"tm_datacheck {mode} failed: {r.stderr.decode(errors='replace').strip()}")
    return r.stdout.decode("utf-8")


def _lines_text(lines):
    return "".join(line + "\n" for line in lines)


def parse_saved_game(lines):
    """(codes[c][r], counters dict) of a saved-game file's lines, as the game reads them."""
    game = json.loads(_datacheck_run("--read-saved-game", _lines_text(lines)))
    counters = {name: game[name] for name in COUNTERS}
    counters["robots"] = [tuple(cell) for cell in game["robots"]]
    counters["hero"] = tuple(game["hero"])
    counters["playable"] = game["playable"]
    return game["space"], counters


def saved_game_lines(codes, counters):
    """The lines the game writes for this saved game."""
    game = {name: counters[name] for name in COUNTERS}
    game.update(space=codes, robots=[list(cell) for cell in counters["robots"]],
                hero=list(counters["hero"]))
    return _datacheck_run("--write-saved-game", json.dumps(game)).splitlines()


# ------------------------------------------------------------ hero moves

DIRECTIONS = {"z": (-1, 0), "x": (1, 0), "slash": (0, 1), "grave": (0, -1)}


def hero_move(codes, hero, key):
    """The board and hero cell after one move of the hero, by the game's
    rules for a step, a push and a bounce. Returns (codes, hero)."""
    codes = [col[:] for col in codes]
    dx, dy = DIRECTIONS[key]
    hx, hy = hero
    tx, ty = hx + dx, hy + dy
    ahead = codes[tx][ty]
    if ahead == 0:
        codes[hx][hy], codes[tx][ty] = 0, 2
        return codes, (tx, ty)
    if ahead != 1:
        return codes, hero
    i = 1
    while True:
        i += 1
        cx, cy = hx + i * dx, hy + i * dy
        on_border = cx in (0, COLUMNS - 1) if dx else cy in (0, ROWS - 1)
        code = codes[cx][cy]
        if code == 0 or on_border or code > 3 or (dy and code == 3):
            break
    if code > 3:
        raise ValueError("a push against a robot is not modelled here")
    if on_border:
        bx, by = hx - dx, hy - dy
        if codes[bx][by] != 0:
            return codes, hero
        codes[hx][hy] = 1
        codes[bx][by] = 2
        codes[cx - dx][cy - dy] = 0
        return codes, (bx, by)
    codes[cx][cy] = 1
    codes[hx][hy] = 0
    codes[tx][ty] = 2
    return codes, (tx, ty)


def parse_score_file(lines):
    """([(name, score, date)] * 16, scale, speed) of the score file's lines, as
    the game reads them; a setting the game cannot use is None."""
    data = json.loads(_datacheck_run("--read-score-file", _lines_text(lines)))
    return [tuple(entry) for entry in data["table"]], data["scale"], data["speed"]


def new_home(prefix="tm-e2e-"):
    return tempfile.mkdtemp(prefix=prefix)


# ------------------------------------------------------------ a test's main

def main_in_x(argv, usage, executables, name, home_prefix, play, budget=None,
              keep_var="TM_E2E_KEEP", kept="screenshots in shots/, the game's output in game.log",
              ending=None):
    """The frame of a test script: checks that argv names that many
    executables, starts the X server and a home folder, then calls
    play(x, paths, home), which returns whether the test failed; a Failure
    out of it fails the test too. Keeps the home folder on a failure or when
    keep_var is set. ending follows "passed" or "FAILED" in the last line
    (the time taken by default). Returns the exit status."""
    paths = argv[1:]
    if len(paths) != executables or not all(os.access(p, os.X_OK) for p in paths):
        print(usage)
        return 2
    paths = [os.path.abspath(p) for p in paths]
    if not _datacheck[0]:
        _datacheck[0] = os.path.join(os.path.dirname(paths[0]), "tm_datacheck")
    if budget is not None:
        set_budget(float(os.environ.get("TM_E2E_BUDGET", str(budget))))
    t0 = time.monotonic()
    try:
        ensure_tools()
        server = XServer()
        server.__enter__()
    except Skip as e:
        log(f"SKIPPED: {e}; {name} needs an X server (Xvfb)")
        return SKIP
    except Failure as e:
        log(f"[FAIL] setting up: {e}")
        return 1
    home = new_home(home_prefix)
    log(f"Xvfb on {server.display}, home folder {home}")
    try:
        failed = play(X(server.display), paths, home)
    except Failure as e:
        log(f"[FAIL] {e}")
        failed = True
    finally:
        server.__exit__(None, None, None)
    if failed or os.environ.get(keep_var):
        log(f"kept {home} ({kept})")
    else:
        shutil.rmtree(home, ignore_errors=True)
    if ending is None:
        ending = f" in {time.monotonic() - t0:.1f} s"
    log(f"{'FAILED' if failed else 'passed'}{ending}")
    return 1 if failed else 0
