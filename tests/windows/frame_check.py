#!/usr/bin/env python3
"""Compares the game's client area in a screenshot with a picture.

    frame_check.py SCREENSHOT X Y REFERENCE

X, Y: where the 640 x 480 client area starts in the screenshot. Pixels that
are magenta (the colour key) in the reference are not compared. Prints
"differ=N black=N total=N" (differing pixels, black pixels of the frame).
"""
import subprocess
import sys

WIDTH, HEIGHT = 640, 480


def rgb(path, crop=None):
    args = ["convert", path]
    if crop:
        args += ["-crop", crop, "+repage"]
    args += ["-depth", "8", "rgb:-"]
    return subprocess.run(args, check=True, capture_output=True).stdout


def main():
    shot, x, y, reference = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    frame = rgb(shot, f"{WIDTH}x{HEIGHT}+{x}+{y}")
    expected = rgb(reference)
    if len(frame) != WIDTH * HEIGHT * 3 or len(expected) != WIDTH * HEIGHT * 3:
        print("differ=-1 black=-1 total=0")
        return 1
    differ = black = total = 0
    for i in range(0, len(frame), 3):
        pixel = frame[i : i + 3]
        if pixel == b"\0\0\0":
            black += 1
        want = expected[i : i + 3]
        if want == b"\xff\x00\xff":
            continue
        total += 1
        if pixel != want:
            differ += 1
    print(f"differ={differ} black={black} total={total}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
