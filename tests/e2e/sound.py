#!/usr/bin/env python3
"""Listens to Tarrowmead: the game plays under Xvfb with real keys into a
private sound server whose only output is a null sink, and the sink's
monitor is recorded while it plays. Each sound the game makes must be found
whole in the recording: as long as its WAV file, with all of its energy and
the same samples.

    sound.py <tarrowmead binary>

On a prepared board the hero pushes a block right at once (the run's first
push), again three seconds later, then the game is paused for four seconds
and resumed, the hero pushes twice more three seconds apart, and a push up
against the border bounces him back ("boing"). The recording must hold
exactly these five sounds, in this order, each whole. Then a close request
to the game window must end the program, status 0, with its stream open.

The sound server is PulseAudio (Debian's pulseaudio and pulseaudio-utils,
installed when missing), started here in the user's mode with its own home
and runtime folders and ended at the end. Exit status 0 passed, 1 failed,
77 skipped (no X server or no sound server can run here). Set
TM_E2E_KEEP=1 to keep the home folder with the recording.
"""
import array
import math
import os
import shutil
import subprocess
import sys
import time
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import Session, blank_board, one_robot_counters  # noqa: E402
from xharness import Failure, Skip, end_process, log, main_in_x, wait_for  # noqa: E402
from xlib import Xlib  # noqa: E402

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
    missing = sorted({pkg for prog, pkg in SOUND_TOOLS.items() if not shutil.which(prog)})
    if missing and os.geteuid() == 0 and shutil.which("apt-get"):
        log(f"installing {' '.join(missing)}")
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "update", "-qq"], env=env, capture_output=True)
        subprocess.run(["apt-get", "install", "-y", "-qq", "--no-install-recommends"] + missing,
                       env=env, capture_output=True)
    still = [prog for prog in SOUND_TOOLS if not shutil.which(prog)]
    if still:
        raise Skip(f"no sound server: {', '.join(still)} missing")


class SoundServer:
    """A PulseAudio of its own, with one null sink and nothing else, and a
    recording of the sink's monitor."""

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
        self.recording = os.path.join(folder, "monitor.raw")

    def __enter__(self):
        self.log = open(os.path.join(self.folder, "pulseaudio.log"), "wb")
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
        return self

    def record(self):
        self.out = open(self.recording, "wb")
        self.recorder = subprocess.Popen(
            ["parec", "-d", "tmnull.monitor", "--raw", "--format=s16le", f"--rate={RATE}",
             "--channels=1", "--latency-msec=10"],
            env=self.env, stdin=subprocess.DEVNULL, stdout=self.out, stderr=self.log)

    def stop_recording(self):
        end_process(self.recorder)
        self.out.close()
        samples = array.array("h")
        with open(self.recording, "rb") as f:
            data = f.read()
        samples.frombytes(data[:len(data) // 2 * 2])
        if sys.byteorder != "little":
            samples.byteswap()
        return samples

    def __exit__(self, *exc):
        end_process(self.recorder)
        end_process(self.proc)
        self.log.close()
        return False


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

def push_board():
    """The hero on (2,6) with one block right of him and the way free to
    (8,6), a column of blocks above (6,6) up to the border, and the one
    robot walled in far away, so that it never moves."""
    codes = blank_board()
    for c, r in [(3, 6)] + [(6, r) for r in range(1, 6)]:
        codes[c][r] = 1
    for c in (12, 13, 14):
        for r in (10, 11, 12):
            codes[c][r] = 1
    codes[13][11] = 4
    codes[2][6] = 2
    counters = one_robot_counters((13, 11))
    counters["hero"] = (2, 6)
    return codes, counters


def play(x, paths, home):
    binary = paths[0]
    assets = os.path.dirname(binary)
    ensure_sound_tools()
    with SoundServer(os.path.join(home, "sound")) as server:
        os.environ["PULSE_SERVER"] = server.env["PULSE_SERVER"]
        session = Session(x, binary, home)
        server.record()
        played = []  # (what, sound) in order
        try:
            codes, counters = push_board()
            session.load_prepared(codes, counters, 1.0)
            with session.step("the first push of the run, as soon as the window is open"):
                session.press("x")
                played.append(("the first push", "push"))
            time.sleep(3)
            with session.step("a push three seconds later"):
                session.press("x")
                played.append(("a push 3 s later", "push"))
            with session.step("a pause of four seconds"):
                session.pause()
                time.sleep(4)
                session.resume()
            with session.step("a push right after the pause"):
                session.press("x")
                played.append(("the push after the pause", "push"))
            time.sleep(3)
            with session.step("a push three seconds after that"):
                session.press("x")
                played.append(("a push 3 s after that", "push"))
            time.sleep(3)
            with session.step("a push up against the border bounces the hero back"):
                session.press("grave")
                played.append(("the bounce", "boing"))
            time.sleep(1.5)
            with session.step("a close request to the game window ends the program with "
                              "status 0 while its audio stream is open"):
                with Xlib(x.display) as xlib:
                    xlib.close_request(session.win)
                session.game.ends_with_status_0()
        finally:
            if session.game:
                session.game.stop()
            recording = server.stop_recording()
    with session.step("the recording holds each sound whole, in the order played"):
        log(f"       {len(recording) / RATE:.1f} s recorded")
        env = envelope(recording)
        found = bursts(env)
        problems = []
        for i, (first, last) in enumerate(found):
            log(f"       sound {i + 1} at {first / 100:.2f} s, heard {(last - first + 1) / 100:.2f} s")
        if len(found) != len(played):
            problems.append(f"{len(found)} sounds heard, {len(played)} played")
        volume = {"boing": 0.93}
        for (what, name), burst in zip(played, found):
            wav = read_wav(os.path.join(assets, name + ".wav"))
            heard, wanted, energy, head, corr = match(recording, burst, wav,
                                                      volume.get(name, 1.0))
            log(f"       {what}: heard {heard:.2f} s of {wanted:.2f} s, {energy:.0%} of its "
                f"energy, samples match {corr:.3f} (the first 50 ms {head:.3f})")
            gap = heard > wanted + LENGTH_TOLERANCE + 1e-9 or any(
                v <= THRESHOLD for v in env[burst[0]:burst[1] + 1])
            if gap:
                log(f"       {what}: a gap in the sound, the stream ran dry for a moment "
                    "(a busy machine)")
            if heard < wanted - LENGTH_TOLERANCE - 1e-9:
                problems.append(f"{what} was heard {heard:.2f} s of its {wanted:.2f} s")
            elif heard > wanted + MAX_GAP:
                problems.append(f"{what} was heard over {heard:.2f} s, not {wanted:.2f} s")
            elif not (0.6 if gap else 0.8) <= energy <= 1.25:
                problems.append(f"{what} was heard with {energy:.0%} of its energy")
            elif not gap and (head < MIN_CORRELATION or corr < MIN_CORRELATION):
                problems.append(f"{what} is not {name}.wav whole (match {corr:.2f}, the "
                                f"first 50 ms {head:.2f})")
        if problems:
            raise Failure("; ".join(problems))
    return session.failed


def main(argv):
    def run(x, paths, home):
        try:
            return play(x, paths, home)
        except Skip as e:
            log(f"SKIPPED: {e}")
            raise
    try:
        return main_in_x(argv, __doc__, 1, "the sound test", "tm-sound-", run, budget=120,
                         kept="the recording in sound/monitor.raw, the game's output in game.log")
    except Skip:
        return 77


if __name__ == "__main__":
    sys.exit(main(sys.argv))
