#!/usr/bin/env python3
"""Kills the game's writers at every system call of a write and reads the files back.

    killwrites.py <tm_writer>

For each data file and each state the player's folder can be in (no file, a
file the game wrote, for the score file one it cannot read), the writer runs
once under strace to list its system calls; then once for each call from the
first that touches the data folder on, killed by SIGKILL as it enters that
call (strace's fault injection). After every kill each file the player had is
still there under its own name, byte for byte, or already the new one whole;
a score file the game could not read is also kept aside whenever the new one
has replaced it. Exit status 0: every kill left the files sound; 1: a problem;
77: no strace.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

WRITER = sys.argv[1]
problems = []
# A sanitizer build's leak check cannot run under a tracer.
os.environ["ASAN_OPTIONS"] = os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0"


def run_writer(folder, mode, inject=None):
    cmd = ["strace", "-qq", "-o", os.devnull]
    if inject:
        name, nth = inject
        cmd += ["-e", "trace=" + name, "-e", "inject=%s:signal=KILL:when=%d" % (name, nth)]
    return subprocess.run(cmd + [WRITER, folder, mode], capture_output=True, text=True)


def syscalls_of_write(folder, mode):
    """(name, nth call of that name) for each call from the first one that touches the folder."""
    with tempfile.NamedTemporaryFile(mode="r", suffix=".trace") as trace:
        subprocess.run(["strace", "-qq", "-o", trace.name, WRITER, folder, mode], check=True,
                       capture_output=True)
        lines = trace.read().splitlines()
    seen, steps, started = {}, [], False
    for line in lines:
        m = re.match(r"([a-z0-9_]+)\(", line)
        if not m:
            continue
        name = m.group(1)
        seen[name] = seen.get(name, 0) + 1
        started = started or (folder in line and name != "execve")
        if started and name not in ("exit_group",):
            steps.append((name, seen[name]))
    return steps


def files(folder):
    return {n: open(os.path.join(folder, n), "rb").read() for n in sorted(os.listdir(folder))}


def names(folder):
    out = subprocess.run([WRITER, folder, "names"], capture_output=True, text=True).stdout
    return out.splitlines()


NEW_NAMES = ["new %d" % k for k in range(16)]


def check_score(folder, before, step):
    after = files(folder)
    if "mydata.txt" not in after:
        if "mydata.txt" in before:
            problems.append("%s: mydata.txt is gone" % (step,))
        return
    if after["mydata.txt"] == before.get("mydata.txt"):
        return
    if names(folder) != NEW_NAMES:
        problems.append("%s: mydata.txt is neither the old file nor the new one" % (step,))
    old = before.get("mydata.txt")
    if old is not None and old not in [v for k, v in after.items() if k.startswith("mydata.txt.unreadable")]:
        if unreadable_state:
            problems.append("%s: the unreadable file was replaced but not kept aside" % (step,))


def check_game(folder, before, new, step):
    after = files(folder).get("mygame.txt")
    if after not in (before.get("mygame.txt"), new):
        problems.append("%s: mygame.txt is %s" % (step, "gone" if after is None else "cut or mixed"))


def prepare(folder, content):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in content.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main():
    global unreadable_state
    if shutil.which("strace") is None:
        print("strace is missing: skipped")
        return 77
    work = tempfile.mkdtemp(prefix="tm-killwrites-")
    folder = os.path.join(work, "data")
    try:
        # The files as the game writes them, to start from.
        prepare(folder, {})
        subprocess.run([WRITER, folder, "score"], check=True)
        subprocess.run([WRITER, folder, "game"], check=True)
        written = files(folder)
        foreign = b"\n".join(b"F0%040X" % k for k in range(50)) + b"\n"
        states = [
            ("score", "no file", {}),
            ("score", "a file the game wrote", {"mydata.txt": b"3A" + written["mydata.txt"][2:]}),
            ("score", "a file the game cannot read", {"mydata.txt": foreign}),
            ("game", "no file", {}),
            ("game", "an older saved game", {"mygame.txt": written["mygame.txt"].replace(b"4321", b"1234")}),
        ]
        kills = 0
        for mode, what, content in states:
            unreadable_state = content.get("mydata.txt") == foreign
            prepare(folder, content)
            steps = syscalls_of_write(folder, mode)
            for name, nth in steps:
                prepare(folder, content)
                step = "%s, %s, killed at %s #%d" % (mode, what, name, nth)
                r = run_writer(folder, mode, (name, nth))
                if r.returncode == 0:
                    problems.append("%s: the writer was not killed" % step)
                    continue
                kills += 1
                if mode == "score":
                    check_score(folder, content, step)
                else:
                    check_game(folder, content, written["mygame.txt"], step)
            # Run whole, the write ends with the new file.
            prepare(folder, content)
            if run_writer(folder, mode).returncode != 0:
                problems.append("%s, %s: the write failed" % (mode, what))
            print("%s, %s: %d system calls of the write, each killed once" % (mode, what, len(steps)))
        for p in problems:
            print("PROBLEM:", p)
        print("%d kills, %d problems" % (kills, len(problems)))
        return 1 if problems else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


unreadable_state = False
sys.exit(main())
