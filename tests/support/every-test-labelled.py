#!/usr/bin/env python3
"""Fails when a test of the build has no label or no timeout of its own.

Usage: every-test-labelled.py CTEST BUILD_DIR

Without a label a test is left out of `ctest -L ...`, and without a timeout
one that hangs holds the whole run up to CTest's default of 25 minutes.
"""

import json
import subprocess
import sys


def main():
    ctest, build_dir = sys.argv[1:3]
    listing = subprocess.run([ctest, "--show-only=json-v1"], cwd=build_dir, check=True,
                             capture_output=True, text=True).stdout
    tests = json.loads(listing)["tests"]
    lacking = []
    for test in tests:
        names = {p["name"] for p in test.get("properties", []) if p.get("value")}
        missing = [what for what in ("LABELS", "TIMEOUT") if what not in names]
        if missing:
            lacking.append("%s (no %s)" % (test["name"], " or ".join(missing)))
    if lacking:
        print("FAILED: %d of %d tests lack a label or a timeout:\n  %s"
              % (len(lacking), len(tests), "\n  ".join(lacking)))
        return 1
    print("all %d tests have labels and a timeout" % len(tests))
    return 0


if __name__ == "__main__":
    sys.exit(main())
