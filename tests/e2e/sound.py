#!/usr/bin/env python3
"""Listens to Tarrowmead: the game plays under Xvfb with real keys into a
private sound server whose only output is a null sink, and the sink's
monitor is recorded while it plays. Each sound the game makes must be found
whole in the recording: as long as its WAV file, with all of its energy and
the same samples; and each push is timed from its key and from its move on
the screen to its first sample in the monitor.

    sound.py <tarrowmead binary>

On a prepared board the hero pushes one block right along his row at once
(the run's first push) and then every 0.4 s, with a pause of two seconds on
the way. Then the sound server is killed: the game must say so once on
stderr and play on silently; the server is started again and two seconds
later the next pushes must be heard. The hero steps down and pushes another
block left along the row below, to the border, where he bounces back
("boing"). Each recording (before the kill and after the restart) must hold
exactly the sounds played, each whole. A close request then ends the
program, status 0, with its stream open.

Three more runs: a push that squashes the level's last robot, where the
push, the squash and the level's end sound at once and no sample may reach
full scale; with the sound server stopped (SIGSTOP) from the start, the
start window's "Load Saved Game" opens the game window as fast as ever, the
hero moves and the window closes with status 0; under a file-size limit
(ulimit -f, SIGXFSZ ignored) the game plays, with sound or with one line
that says why not.

The latency of every timed push (key to sound, move on the screen to sound)
is reported as median and maximum; the test fails only on a gross regression
(a median from the move over 100 ms). The sound server is PulseAudio
(Debian's pulseaudio and pulseaudio-utils, installed when missing), started
here in the user's mode with its own home and runtime folders and ended at
the end. Exit status 0 passed, 1 failed, 77 skipped (no X server or no sound
server can run here). Set TM_E2E_KEEP=1 to keep the home folder with the
recordings.
"""
import array
import bisect
import contextlib
import math
import os
import signal
import statistics
import threading
import subprocess
import sys
import time
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import (X, Failure, Session, Skip, blank_board, end_process, fail_on,  # noqa: E402
                     log, main_in_x, one_robot_counters, require_tools, wait_for)

RATE = 22050  # the game's sounds and the recording: one channel, 16 bits
FRAME = RATE // 100  # the envelope's frames: 10 ms
# A frame sounds when its RMS is above this (about -50 dB of full scale):
# silence in the null sink is exact zeros.
THRESHOLD = 100
# A sound is whole when it is heard this close to its file's length and its
# samples match the file's this closely (normalised correlation).
LENGTH_TOLERANCE = 0.02
MIN_CORRELATION = 0.9
# A machine so busy that the stream runs dry for a moment puts a gap into a
# sound and loses a little of it. Up to this much is taken for load; the
# sound must then still be heard to its end with most of its energy.
MAX_GAP = 0.15

SOUND_TOOLS = {"pulseaudio": "pulseaudio", "parec": "pulseaudio-utils", "pactl": "pulseaudio-utils"}


def ensure_sound_tools():
    require_tools(SOUND_TOOLS)


class SoundServer:
    """A PulseAudio of its own, with one null sink and nothing else, that can
    be killed and started again on the same socket, and recordings of the
    sink's monitor."""

    def __init__(self, folder):
        self.folder = folder
        self.socket = os.path.join(folder, "native")
        self.env = dict(os.environ, HOME=os.path.join(folder, "home"),
                        XDG_RUNTIME_DIR=os.path.join(folder, "runtime"),
                        PULSE_RUNTIME_PATH=os.path.join(folder, "runtime", "pulse"),
                        PULSE_SERVER="unix:" + self.socket)
        for key in ("HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH"):
            os.makedirs(self.env[key], mode=0o700, exist_ok=True)
        self.proc = self.recorder = None
        self.recordings = 0
        self.log = open(os.path.join(self.folder, "pulseaudio.log"), "ab")

    def __enter__(self):
        self.start()
        return self

    def start(self):
        self.proc = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--system=no", "--exit-idle-time=-1", "-n",
             "--disable-shm=yes", "--log-target=stderr",
             "--load=module-null-sink sink_name=tmnull rate=44100",
             f"--load=module-native-protocol-unix auth-anonymous=1 socket={self.socket}"],
            env=self.env, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        try:
            wait_for("the sound server", lambda: self.proc.poll() is not None or subprocess.run(
                ["pactl", "info"], env=self.env, capture_output=True).returncode == 0,
                timeout=15, interval=0.1)
        except Failure:
            self.__exit__()
            raise Skip("the sound server did not start")
        if self.proc.poll() is not None:
            self.__exit__()
            raise Skip("the sound server ended at once (see pulseaudio.log)")

    def kill(self):
        end_process(self.recorder)
        self.proc.kill()
        self.proc.wait()

    def signal(self, sig):
        os.kill(self.proc.pid, sig)

    def record(self):
        self.recordings += 1
        self.recorder = Recorder(self, os.path.join(self.folder, f"monitor-{self.recordings}.raw"))
        # An idle null sink renders up to 2 s of silence ahead and can take
        # back only as much as its latency, now the recorder's few ms: a
        # stream that joins before that silence has run out starts late by
        # what is left of it. Started on a desktop's sink, a stream starts at
        # once, so the game starts only once the sink has caught up.
        wait_for("the null sink to catch up", lambda: self.sink_latency() < 0.02, timeout=5,
                 interval=0.05)
        return self.recorder

    def sink_latency(self):
        out = subprocess.run(["pactl", "list", "sinks"], env=self.env, capture_output=True,
                             text=True).stdout
        for line in out.splitlines():
            if line.strip().startswith("Latency:"):
                return int(line.split()[1]) / 1e6
        return math.inf

    def __exit__(self, *exc):
        with contextlib.suppress(ProcessLookupError):
            self.signal(signal.SIGCONT)
        end_process(self.recorder)
        end_process(self.proc)
        self.log.close()
        return False


class Recorder:
    """parec on the sink's monitor, each sample timed by when its bytes
    arrived: a sample was in the monitor no later than its chunk's arrival
    less the samples after it in the chunk (the recorder's own delay, a few
    ms, is not taken off). The monitor runs only while a stream plays into
    the sink, so the game's open stream keeps a recording continuous."""

    def __init__(self, server, path):
        self.path = path
        self.data = bytearray()
        self.chunks = []  # (samples up to the chunk's end, arrival time)
        self.proc = subprocess.Popen(
            ["parec", "-d", "tmnull.monitor", "--raw", "--format=s16le", f"--rate={RATE}",
             "--channels=1", "--latency-msec=5"],
            env=server.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=server.log)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        while True:
            chunk = os.read(self.proc.stdout.fileno(), 4096)
            now = time.monotonic()
            if not chunk:
                return
            self.data += chunk
            self.chunks.append((len(self.data) // 2, now))

    def time_of(self, index):
        ends = [end for end, _ in self.chunks]
        k = min(bisect.bisect_right(ends, index), len(ends) - 1)
        end, arrival = self.chunks[k]
        return arrival - (end - index) / RATE

    def index_of(self, t):
        """The first sample of the first chunk that arrived after t."""
        for k, (end, arrival) in enumerate(self.chunks):
            if arrival > t:
                return self.chunks[k - 1][0] if k else 0
        return len(self.data) // 2

    @property
    def start(self):
        return self.chunks[0][1] if self.chunks else math.inf

    def poll(self):
        return self.proc.poll()

    def terminate(self):
        self.proc.terminate()

    def wait(self, timeout=None):
        self.proc.wait(timeout)
        self.thread.join(timeout)

    def kill(self):
        self.proc.kill()

    def samples(self):
        end_process(self)
        with open(self.path, "wb") as f:
            f.write(self.data)
        samples = array.array("h")
        samples.frombytes(bytes(self.data[:len(self.data) // 2 * 2]))
        if sys.byteorder != "little":
            samples.byteswap()
        return samples


# ------------------------------------------------------------- analysis

def read_wav(path):
    with wave.open(path) as w:
        if (w.getnchannels(), w.getsampwidth(), w.getframerate()) != (1, 2, RATE):
            raise Failure(f"{path} is not 16-bit mono at {RATE} Hz")
        samples = array.array("h", w.readframes(w.getnframes()))
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def envelope(samples):
    return [math.sqrt(sum(v * v for v in samples[i:i + FRAME]) / FRAME)
            for i in range(0, len(samples) - FRAME + 1, FRAME)]


def heard_span(env, scale=1.0):
    """(first, last) frame above the threshold, the level scaled as played."""
    loud = [i for i, v in enumerate(env) if v * scale > THRESHOLD]
    return (loud[0], loud[-1]) if loud else None


def bursts(env, gap_frames=20):
    """(first, last) frames of each run of sounding frames; runs less than
    gap_frames apart are one."""
    out = []
    for i, v in enumerate(env):
        if v <= THRESHOLD:
            continue
        if out and i - out[-1][1] <= gap_frames:
            out[-1][1] = i
        else:
            out.append([i, i])
    return [tuple(b) for b in out]


def correlation(a, b):
    n = min(len(a), len(b))
    ab = sum(a[i] * b[i] for i in range(n))
    aa = sum(a[i] * a[i] for i in range(n))
    bb = sum(b[i] * b[i] for i in range(n))
    return ab / math.sqrt(aa * bb) if aa and bb else 0.0


def match(recording, burst, wav, scale):
    """(heard seconds, file seconds, energy ratio, head match, whole match) of
    one burst against the sound's file: the file is aligned where its first
    sounding frame falls, then to the sample (within 15 ms) where its first
    50 ms agree best with the recording."""
    span = heard_span(envelope(wav), scale)
    lead = span[0] * FRAME
    start = (burst[0] - span[0]) * FRAME
    head = wav[lead:lead + RATE // 20]
    best = max(range(max(0, start - RATE * 15 // 1000), start + RATE * 15 // 1000),
               key=lambda s: correlation(recording[s + lead:s + lead + len(head)], head))
    heard = (burst[1] - burst[0] + 1) / 100
    wanted = (span[1] - span[0] + 1) / 100
    whole = recording[burst[0] * FRAME:(burst[1] + 1) * FRAME]
    energy = sum(v * v for v in whole) / (scale * scale * sum(v * v for v in wav))
    return (heard, wanted, energy, correlation(recording[best + lead:best + lead + len(head)], head),
            correlation(recording[best:best + len(wav)], wav))


# --------------------------------------------------------------- the run

GROSS_MEDIAN = 0.100  # from the move on the screen to the sound, seconds
PUSH_GAP = 0.4  # between timed pushes: push.wav (0.18 s) has ended
ROW6_PUSHES = 13  # the block from column 2 to the border's neighbour, 15
ROW7_PUSHES = 12  # the block from column 13 to column 1


def hero_board(blocks, robot):
    """A saved level: the hero on (1,6), wall blocks on those cells and the
    level's one robot on its cell."""
    codes = blank_board()
    for c, r in blocks:
        codes[c][r] = 1
    codes[robot[0]][robot[1]] = 4
    codes[1][6] = 2
    counters = one_robot_counters(robot)
    counters["hero"] = (1, 6)
    return codes, counters


def push_board():
    """One block right of the hero with the row free to the border; below,
    a block on (13,7) with the row free to the left; the robot walled in
    far away, so that it never moves."""
    box = [(c, r) for c in (11, 12, 13) for r in (10, 11, 12) if (c, r) != (12, 11)]
    return hero_board([(2, 6), (13, 7)] + box, (12, 11))


class Keys:
    """Real key taps through XTest, each timed: when the server had the
    press and when the board on the screen changed."""

    def __init__(self, session, xlib):
        self.session, self.xlib = session, xlib
        b = session.board
        # Rows 5 to 8 of the board: where the hero and his blocks are.
        self.rect = (b.left, b.top + int(200 * b.scale), int(850 * b.scale), int(160 * b.scale))

    def tap(self, key, what):
        before = self.xlib.grab_raw(*self.rect)
        self.xlib.key_event(key, True)
        pressed = time.monotonic()
        moved = None
        while time.monotonic() - pressed < 1.5:
            if moved is None and self.xlib.grab_raw(*self.rect) != before:
                moved = time.monotonic()
            if time.monotonic() - pressed >= 0.07 and moved is not None:
                break
            time.sleep(0.001)
        self.xlib.key_event(key, False)
        if moved is None:
            raise Failure(f"{what}: the board did not change within 1.5 s of the key")
        return pressed, moved


def onset(recording, t_from, wav_lead):
    """The recording's first sounding sample after time t_from, less the
    file's silent lead: where the sound started; None when silent."""
    samples, rec = recording
    i = rec.index_of(t_from)
    while i < len(samples):
        if abs(samples[i]) > 2 * THRESHOLD:
            return rec.time_of(i - wav_lead)
        i += 1
    return None


def dropouts(samples, burst):
    """The lengths (s) of the silent runs inside one sound: where the stream
    ran dry (a sound of the game has none of 20 samples)."""
    seg = samples[burst[0] * FRAME:(burst[1] + 1) * FRAME]
    loud = [i for i, v in enumerate(seg) if abs(v) > 2 * THRESHOLD]
    out, run = [], 0
    for v in seg[loud[0]:loud[-1]] if loud else []:
        if abs(v) < 3:
            run += 1
            continue
        if run >= 20:
            out.append(run / RATE)
        run = 0
    return out


def check_whole(recording, played, assets, label, dropped):
    """The recording holds exactly the sounds played, in order, each whole;
    the dropouts found go to `dropped`."""
    samples = recording[0]
    log(f"       {label}: {len(samples) / RATE:.1f} s recorded")
    env = envelope(samples)
    found = bursts(env)
    problems = []
    if len(found) != len(played):
        problems.append(f"{label}: {len(found)} sounds heard, {len(played)} played")
    volume = {"boing": 0.93}
    for (what, name), burst in zip(played, found):
        wav = read_wav(os.path.join(assets, name + ".wav"))
        heard, wanted, energy, head, corr = match(samples, burst, wav, volume.get(name, 1.0))
        drops = dropouts(samples, burst)
        dropped.extend(drops)
        gap = drops or heard > wanted + LENGTH_TOLERANCE + 1e-9 or any(
            v <= THRESHOLD for v in env[burst[0]:burst[1] + 1])
        if gap or heard < wanted - LENGTH_TOLERANCE - 1e-9 or corr < MIN_CORRELATION:
            log(f"       {what} at {burst[0] / 100:.2f} s: heard {heard:.2f} s of {wanted:.2f} s, "
                f"{energy:.0%} of its energy, samples match {corr:.3f} (the first 50 ms {head:.3f})"
                + (f", {len(drops)} dropouts ({', '.join(f'{d * 1000:.1f}' for d in drops)} ms)"
                   if drops else "") + (", a gap: the stream ran dry for a moment" if gap else ""))
        if heard < wanted - LENGTH_TOLERANCE - 1e-9:
            problems.append(f"{what} was heard {heard:.2f} s of its {wanted:.2f} s")
        elif heard > wanted + MAX_GAP:
            problems.append(f"{what} was heard over {heard:.2f} s, not {wanted:.2f} s")
        elif not (0.6 if gap else 0.8) <= energy <= 1.25:
            problems.append(f"{what} was heard with {energy:.0%} of its energy")
        elif not gap and (head < MIN_CORRELATION or corr < MIN_CORRELATION):
            problems.append(f"{what} is not {name}.wav whole (match {corr:.2f}, the "
                            f"first 50 ms {head:.2f})")
    return problems


def game_output(session):
    with open(os.path.join(session.home, "game.log"), encoding="utf-8", errors="replace") as f:
        return f.read()


def lead_of(wav):
    return next(i for i, v in enumerate(wav) if abs(v) > 2 * THRESHOLD)


def report_latency(timed, label):
    """timed: (key time, move time, onset) per push. Logs and returns the
    median and max from the move."""
    keys = [o - k for k, m, o in timed]
    moves = [o - m for k, m, o in timed]
    log(f"       {label}: {len(timed)} pushes; key to sound median {statistics.median(keys) * 1000:.0f}"
        f" ms, max {max(keys) * 1000:.0f} ms; move on the screen to sound median "
        f"{statistics.median(moves) * 1000:.0f} ms, max {max(moves) * 1000:.0f} ms "
        f"(min {min(moves) * 1000:.0f} ms)")
    return statistics.median(moves), max(moves)


def play_main(x, binary, home):
    """The main run: timed pushes, a killed and restarted sound server, the
    bounce and the close request."""
    assets = os.path.dirname(binary)
    push_lead = lead_of(read_wav(os.path.join(assets, "push.wav")))
    with SoundServer(os.path.join(home, "sound")) as server:
        os.environ["PULSE_SERVER"] = server.env["PULSE_SERVER"]
        session = Session(x, binary, home)
        recorder = server.record()
        recordings = []  # (samples, recorder, played, timed)
        played, pushes = [], []  # pushes: (key time, move time)
        try:
            codes, counters = push_board()
            session.load_prepared(codes, counters, 1.0)
            with X(x.display) as xlib:
                keys = Keys(session, xlib)
                with session.step("the first push of the run, as soon as the window is open"):
                    first = keys.tap("x", "the first push")
                    played.append(("the first push", "push"))
                    # The stream starts up to a second after it opens; a push
                    # before its first push is heard would not be played.
                    time.sleep(1.5)
                with session.step(f"{ROW6_PUSHES - 5} pushes {PUSH_GAP} s apart, a pause of two "
                                  "seconds in the middle"):
                    for i in range(ROW6_PUSHES - 5):
                        time.sleep(PUSH_GAP)
                        if i == 4:
                            session.pause()
                            time.sleep(2)
                            session.resume()
                        pushes.append(keys.tap("x", f"push {i + 2}"))
                        played.append((f"push {i + 2}", "push"))
                time.sleep(0.5)
                with session.step("the sound server killed: the game says so once on stderr "
                                  "and plays on silently"):
                    server.kill()
                    recordings.append((recorder.samples(), recorder, played, pushes))
                    said = "the audio output went away; playing without sound"
                    wait_for("the line on stderr", lambda: said in game_output(session),
                             timeout=3)
                    keys.tap("x", "a push without a sound server")
                    time.sleep(1)
                    if game_output(session).count("playing without sound") != 1:
                        raise Failure("stderr says: " + game_output(session))
                with session.step("the sound server started again: two seconds later the next "
                                  "push is heard"):
                    server.start()
                    recorder = server.record()
                    played, pushes = [], []
                    time.sleep(2)
                    for i in range(3):
                        pushes.append(keys.tap("x", f"push {i + 1} after the restart"))
                        played.append((f"push {i + 1} after the restart", "push"))
                        time.sleep(PUSH_GAP)
                with session.step(f"a step down, {ROW7_PUSHES} pushes left and the bounce from "
                                  "the border"):
                    keys.tap("slash", "the step down")
                    for i in range(ROW7_PUSHES):
                        time.sleep(PUSH_GAP)
                        pushes.append(keys.tap("z", f"push {i + 1} left"))
                        played.append((f"push {i + 1} left", "push"))
                    time.sleep(PUSH_GAP)
                    keys.tap("z", "the bounce")
                    played.append(("the bounce", "boing"))
                    time.sleep(1)
                with session.step("a close request to the game window ends the program with "
                                  "status 0 while its audio stream is open"):
                    xlib.close_request(session.win)
                    session.game.ends_with_status_0()
        finally:
            if session.game:
                session.game.stop()
            recordings.append((recorder.samples(), recorder, played, pushes))
    problems, timed, dropped = [], [], []
    with session.step("each recording holds each sound whole, in the order played"):
        for n, (samples, rec, heard, taps) in enumerate(recordings):
            problems += check_whole((samples, rec), heard, assets,
                                    "before the kill" if n == 0 else "after the restart", dropped)
            for k, m in taps:
                t = onset((samples, rec), k, push_lead)
                if t is None or t - k > 1.0:
                    problems.append(f"no sound within a second of the push at {k - rec.start:.2f} s")
                else:
                    timed.append((k, m, t))
        fail_on(problems)
    with session.step("every push heard on time (fails only on a gross regression)"):
        t = onset((recordings[0][0], recordings[0][1]), first[0], push_lead)
        log(f"       the run's first push: {(t - first[1]) * 1000:.0f} ms from its move "
            "(the stream's start)")
        median, _ = report_latency(timed, "timed pushes")
        log(f"       dropouts: {len(dropped)} in {sum(len(r[2]) for r in recordings)} sounds"
            + (f", {min(dropped) * 1000:.1f} to {max(dropped) * 1000:.1f} ms" if dropped else ""))
        if median > GROSS_MEDIAN:
            raise Failure(f"a median of {median * 1000:.0f} ms from the move to the sound")
    return session.failed


def play_frozen(x, binary, home):
    """A sound server stopped before the game starts: the windows answer."""
    with SoundServer(os.path.join(home, "sound")) as server:
        os.environ["PULSE_SERVER"] = server.env["PULSE_SERVER"]
        server.signal(signal.SIGSTOP)
        session = Session(x, binary, home)
        try:
            codes, counters = push_board()
            t0 = time.monotonic()
            session.load_prepared(codes, counters, 1.0)
            with session.step("a frozen sound server: \"Load Saved Game\" opens the game window "
                              "within 5 s, the hero moves, a close request ends the program"):
                if time.monotonic() - t0 > 5:
                    raise Failure(f"the game window took {time.monotonic() - t0:.1f} s")
                with X(x.display) as xlib:
                    keys = Keys(session, xlib)
                    k, m = keys.tap("x", "a push")
                    if m - k > 0.5:
                        raise Failure(f"the move showed {m - k:.2f} s after its key")
                    time.sleep(1)
                    xlib.close_request(session.win)
                session.game.ends_with_status_0()
        finally:
            if session.game:
                session.game.stop()
    return session.failed


def play_file_limit(x, binary, home):
    """Under a file-size limit the sound server's shared memory cannot be
    sized: the game plays on, with sound or with one line saying why not."""
    with SoundServer(os.path.join(home, "sound")) as server:
        os.environ["PULSE_SERVER"] = server.env["PULSE_SERVER"]
        # What "ulimit -f" in a shell does, with SIGXFSZ ignored as the game
        # has it from start-up (a Popen would reset it for the child).
        wrapper = os.path.join(home, "limited")
        with open(wrapper, "w") as f:
            f.write(f"#!/bin/sh\ntrap '' XFSZ\nulimit -f 2048\nexec '{binary}'\n")
        os.chmod(wrapper, 0o755)
        session = Session(x, wrapper, home)
        codes, counters = push_board()
        session.load_prepared(codes, counters, 1.0)
        try:
            with session.step("under a 1 MB file-size limit the game plays on and ends with "
                              "status 0"):
                recorder = server.record()
                with X(x.display) as xlib:
                    time.sleep(1.5)
                    Keys(session, xlib).tap("x", "a push")
                    time.sleep(1)
                    heard = len(bursts(envelope(recorder.samples())))
                    out = game_output(session)
                    said = out.count("playing without sound")
                    log(f"       {heard} sound heard; stderr: " + (out.strip() or "nothing"))
                    if (heard, said) not in ((1, 0), (0, 1)):
                        raise Failure("neither the push heard nor one line that says why not")
                    xlib.close_request(session.win)
                session.game.ends_with_status_0()
        finally:
            if session.game:
                session.game.stop()
    return session.failed


def squash_board():
    """A block right of the hero and the level's one robot right of it,
    walled in: the push squashes it, the push and the squash sound at once,
    and the level's end follows."""
    return hero_board([(2, 6), (4, 7), (4, 5), (4, 6), (3, 7), (3, 5)], (3, 6))


def play_overlap(x, binary, home):
    """Sounds on top of one another are turned down, not cut off at full
    scale: the push, the squash and the level's end."""
    with SoundServer(os.path.join(home, "sound")) as server:
        os.environ["PULSE_SERVER"] = server.env["PULSE_SERVER"]
        session = Session(x, binary, home)
        recorder = server.record()
        try:
            codes, counters = squash_board()
            session.load_prepared(codes, counters, 1.0)
            with session.step("a push that squashes the last robot: push, squash and the "
                              "level's end overlap, none at full scale"):
                with X(x.display) as xlib:
                    Keys(session, xlib).tap("x", "the squashing push")
                    time.sleep(2.5)
                samples = recorder.samples()
                peak = max((abs(v) for v in samples), default=0)
                full = sum(1 for v in samples if abs(v) >= 32767)
                log(f"       {len(bursts(envelope(samples)))} sounds heard; peak "
                    f"{20 * math.log10(max(peak, 1) / 32768):.1f} dBFS, {full} samples at full scale")
                if peak < 10000:
                    raise Failure("the overlapping sounds were not heard")
                if full:
                    raise Failure(f"{full} samples at full scale: the mix is clipped")
        finally:
            if session.game:
                session.game.stop()
    return session.failed


def play(x, paths, home):
    ensure_sound_tools()
    failed = play_main(x, paths[0], home)
    for run in (play_overlap, play_frozen, play_file_limit):
        folder = os.path.join(home, run.__name__)
        os.makedirs(folder)
        failed = run(x, paths[0], folder) or failed
    return failed


def main(argv):
    def run(x, paths, home):
        try:
            return play(x, paths, home)
        except Skip as e:
            log(f"SKIPPED: {e}")
            raise
    try:
        return main_in_x(argv, __doc__, 1, "the sound test", "tm-sound-", run, budget=240,
                         kept="the recordings in sound/monitor-*.raw, the game's output in game.log")
    except Skip:
        return 77


if __name__ == "__main__":
    sys.exit(main(sys.argv))
