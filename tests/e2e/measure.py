#!/usr/bin/env python3
"""Measures Tarrowmead in a real X server (Xvfb):

    measure.py startup <tarrowmead binary> [runs]     start-up to the start window mapped
    measure.py play <tarrowmead binary> [seconds]      CPU and peak memory over a minute of play

startup: from just before the process is started until the X server reports
the start window mapped (MapNotify, seen on the root window), median
of the runs (9 by default).

play: "LET'S GO!" at the large game size, then the hero is steered with real
key presses for the given time (60 s by default); a game over is answered
("OK" for another game, Return in the name entry). Reports the CPU time
(user + system, /proc/<pid>/stat) as a share of one core over the time of
play and the peak resident memory (VmHWM, /proc/<pid>/status).
"""
import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Game, Skip, X, XServer, ensure_tools, log, new_home, wait_for  # noqa: E402


def startup_once(x, binary, home):
    """Seconds from the process start to the first top-level window mapped."""
    watch = x.map_watch()
    try:
        game = Game(binary, x, home)
        t0 = time.monotonic()
        game.start()
        mapped = watch.next_map()
        geo = None
        for w in x.windows("Tarrowmead"):
            geo = x.geometry(w)
        # Then the first frame with the title picture on it, polled with
        # small screenshots (an upper bound).
        painted = None
        if geo:
            while painted is None and time.monotonic() - t0 < 10:
                shot = x.grab(geo[0] + 100, geo[1] + 40, 40, 40)
                if any(max(p) > 60 for p in shot.region(0, 0, 40, 40, 4)):
                    painted = time.monotonic()
        game.stop()
        return mapped - t0, (painted or mapped) - t0, geo
    finally:
        watch.close()


def startup(binary, runs=9):
    with XServer() as server, X(server.display) as x:
        home = new_home("tm-measure-")
        maps, paints = [], []
        for i in range(runs):
            mapped, painted, geo = startup_once(x, binary, home)
            if not geo or (geo[2], geo[3]) != (762, 620):
                raise RuntimeError(f"the first window mapped is not the start window: {geo}")
            maps.append(mapped)
            paints.append(painted)
            log(f"run {i + 1}: mapped {mapped * 1000:.0f} ms, painted by {painted * 1000:.0f} ms")
        ms = lambda v: f"{v * 1000:.0f} ms"
        log(f"start-up to the start window mapped: median {ms(statistics.median(maps))}, "
            f"min {ms(min(maps))}, max {ms(max(maps))} over {runs} runs")
        log(f"start-up to the title picture on the screen (upper bound): median "
            f"{ms(statistics.median(paints))}, max {ms(max(paints))}")
        shutil.rmtree(home, ignore_errors=True)
        return statistics.median(maps)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime, stime


def status_kib(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def play(binary, seconds=60.0):
    with XServer() as server, X(server.display) as x:
        home = new_home("tm-measure-")
        game = Game(binary, x, home).start()
        try:
            start = wait_for("the start window", lambda: [
                w for w in x.windows("Tarrowmead") if (x.geometry(w) or (0,) * 4)[2:4] == (762, 620)],
                timeout=20)[0]
            x.focus(start)
            x.click(start, 73 + 122, 379 + 15)
            x.key("End")  # the large game
            x.click(start, 277 + 107, 458 + 26)
            win = wait_for("the game window", lambda: [
                w for w in x.windows("Tarrowmead") if (x.geometry(w) or (0,) * 4)[2] == 1482],
                timeout=10)[0]
            x.focus(win)
            pid = game.proc.pid
            cpu0, t0 = cpu_seconds(pid), time.monotonic()
            keys = ["z", "slash", "x", "grave", "x", "slash", "z", "grave"]
            presses = games = 0
            while time.monotonic() - t0 < seconds:
                scores = x.windows("High Scores")
                if scores:
                    geo = x.geometry(scores[0])
                    x.click(scores[0], 118 + 40, geo[3] - 733 + 691 + 12)
                    games += 1
                    wait_for("the high-score window to close", lambda: not x.windows("High Scores"))
                    x.focus(win)
                    continue
                # The name entry ("Untitled") after a game with a place in the table.
                others = [w for w in x.windows("Tarrowmead") if w != win] + x.windows("Untitled")
                if others:
                    x.focus(others[0])
                    x.key("Return")
                    time.sleep(0.2)
                    x.focus(win)
                    continue
                x.hold(keys[presses % len(keys)], 0.25)
                presses += 1
                time.sleep(0.25)
            elapsed = time.monotonic() - t0
            cpu = cpu_seconds(pid) - cpu0
            hwm = status_kib(pid, "VmHWM")
            rss = status_kib(pid, "VmRSS")
        finally:
            game.stop()
            shutil.rmtree(home, ignore_errors=True)
        share = 100 * cpu / elapsed
        log(f"{elapsed:.0f} s of play, {presses} key presses, {games} game overs answered")
        log(f"CPU time {cpu:.2f} s = {share:.2f} % of one core")
        log(f"peak resident memory (VmHWM) {hwm / 1024:.1f} MiB, at the end (VmRSS) "
            f"{rss / 1024:.1f} MiB")
        return share, hwm


def main(argv):
    if len(argv) < 3 or argv[1] not in ("startup", "play"):
        print(__doc__)
        return 2
    try:
        ensure_tools()
    except Skip as e:
        log(f"SKIPPED: {e}")
        return 77
    binary = os.path.abspath(argv[2])
    if argv[1] == "startup":
        startup(binary, int(argv[3]) if len(argv) > 3 else 9)
    else:
        play(binary, float(argv[3]) if len(argv) > 3 else 60.0)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
