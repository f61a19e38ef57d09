#!/usr/bin/env python3
"""Prints the cost of one open-send-close cycle through our library called from C++.

This figure has no peer of its own: python3-serial can only be called from Python, so the
comparison is bench/cycle_from_python.py, which drives both from Python in the same run.

Usage: bench/summarize_cycle.py OURS.json
  OURS.json     Google Benchmark JSON output of serial_cycle_bench
"""
import json
import sys

TO_MICROSECONDS = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}


def ours(path):
    with open(path) as results:
        for run in json.load(results)["benchmarks"]:
            if run["name"] == "open_send_close":
                return run["real_time"] * TO_MICROSECONDS[run["time_unit"]]
    sys.exit("%s: no open_send_close result" % path)


def main(ours_path):
    print("%-36s %8.1f us per cycle" % ("quillon from C++ (no peer)", ours(ours_path)))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
