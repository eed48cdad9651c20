#!/usr/bin/env python3
"""Measures the game's pace and processor load in a virtual X display.

Usage: tests/support/xvfb.sh measure.py MEASURE_PROGRAM SOURCE_DIR [SECONDS]

Runs the tick-logging build of the program (miruto-nana-measure) from a
temporary directory holding a copy of sound/, first SECONDS (default 20) on
the title screen, then SECONDS in play, and prints for each: ticks per
second, the 99th percentile of the time between tick starts, and the
process's processor time as a share of one core. A game that ends during the
play stretch is started again (a name-entry dialog is closed unanswered); the
pace in play counts only the gaps between two consecutive play ticks.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

PROGRAM, SOURCE_DIR = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
SECONDS = float(sys.argv[3]) if len(sys.argv) > 3 else 20.0

# The display's helpers and the game's driver are the program's tests' own.
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "app"))
from gamedriver import CLIENT_H, TITLE  # noqa: E402
from xdisplay import Display, wait_for  # noqa: E402

STATE_TITLE, STATE_PLAY, STATE_GAMEOVER = 0, 1, 2


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime, fields 14 and 15 of the line.
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def thread_cpu(pid):
    """Processor seconds of each of the process's threads, by thread name."""
    result = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                line = f.read()
        except OSError:
            continue
        name = line[line.index("(") + 1:line.rindex(")")]
        fields = line.rsplit(")", 1)[1].split()
        seconds = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
        result[name] = result.get(name, 0.0) + seconds
    return result


def thread_report(name, before, after, wall):
    shares = ["%s %.1f %%" % (thread, 100 * (after[thread] - before.get(thread, 0.0)) / wall)
              for thread in sorted(after)]
    print("%-6s by thread: %s" % (name, ", ".join(shares)))


def read_ticks(path):
    ticks = []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3 and all(p.lstrip("-").isdigit() for p in parts):
                ticks.append((int(parts[0]) / 1e6, int(parts[1]), int(parts[2])))
    return ticks


def percentile(values, share):
    if not values:
        return float("nan")
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def report(name, gaps, cpu, wall):
    rate = len(gaps) / sum(gaps) if gaps else 0.0
    print("%-6s ticks/s %.2f   p99 gap %.1f ms   max gap %.1f ms   cpu %.1f %% of a core"
          "   (%d gaps)" % (name, rate, 1000 * percentile(gaps, 0.99),
                             1000 * max(gaps, default=float("nan")), 100 * cpu / wall, len(gaps)))


def main():
    display = Display()
    workdir = tempfile.mkdtemp(prefix="miruto-nana-measure-")
    shutil.copytree(os.path.join(SOURCE_DIR, "sound"), os.path.join(workdir, "sound"))
    log_path = os.path.join(workdir, "ticks.log")
    env = dict(display.env, SDL_AUDIODRIVER="dummy")
    with open(log_path, "w") as log:
        proc = subprocess.Popen([PROGRAM], cwd=workdir, env=env, stdout=log,
                                stderr=subprocess.DEVNULL)
    try:
        window = wait_for("the main window", lambda: next(
            iter(display.windows("^%s$" % TITLE, proc.pid)), None))
        x, y, w, h = display.geometry(window)
        centre = (x + w // 2, y + h - CLIENT_H // 2)
        time.sleep(1.0)

        # The title screen.
        title_start, cpu_start = time.monotonic(), cpu_seconds(proc.pid)
        threads_start = thread_cpu(proc.pid)
        time.sleep(SECONDS)
        title_end, cpu_title = time.monotonic(), cpu_seconds(proc.pid) - cpu_start
        threads_title = (threads_start, thread_cpu(proc.pid))

        # Play, started again whenever it ends.
        play_start, cpu_start = time.monotonic(), cpu_seconds(proc.pid)
        threads_start = thread_cpu(proc.pid)
        restarts = 0
        display.click(*centre)
        while time.monotonic() - play_start < SECONDS:
            time.sleep(0.25)
            for box in display.windows("^ゲームオーバー$", proc.pid):
                display.ask_to_close(box)
            ticks = read_ticks(log_path)
            if ticks and ticks[-1][1] in (STATE_TITLE, STATE_GAMEOVER):
                display.click(*centre)  # back to the title, or a new game
                restarts += 1
        play_end, cpu_play = time.monotonic(), cpu_seconds(proc.pid) - cpu_start
        threads_play = (threads_start, thread_cpu(proc.pid))

        # End it as the close box does, once no dialog holds it.
        end = time.monotonic() + 30
        while proc.poll() is None and time.monotonic() < end:
            for box in display.windows("^ゲームオーバー$", proc.pid):
                display.ask_to_close(box)
            display.ask_to_close(window)
            time.sleep(0.5)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()

    ticks = read_ticks(log_path)
    shutil.rmtree(workdir, ignore_errors=True)
    title = [t for t in ticks if title_start <= t[0] <= title_end]
    title_gaps = [b[0] - a[0] for a, b in zip(title, title[1:])]
    play = [t for t in ticks if play_start <= t[0] <= play_end]
    play_gaps = [b[0] - a[0] for a, b in zip(play, play[1:])
                 if a[1] == STATE_PLAY and b[1] == STATE_PLAY and not a[2] and not b[2]]
    print("%.0f s on the title screen, then %.0f s of play (%d clicks to start again)"
          % (title_end - title_start, play_end - play_start, restarts))
    report("title", title_gaps, cpu_title, title_end - title_start)
    report("play", play_gaps, cpu_play, play_end - play_start)
    thread_report("title", *threads_title, title_end - title_start)
    thread_report("play", *threads_play, play_end - play_start)
    return 0


if __name__ == "__main__":
    sys.exit(main())
