#!/usr/bin/env python3
"""Prints the cost of one open-send-close cycle through our library beside python3-serial's.

Usage: bench/summarize_cycle.py OURS.json PYSERIAL.txt
  OURS.json     Google Benchmark JSON output of serial_cycle_bench
  PYSERIAL.txt  the output of bench/pyserial_cycle.py ("... N us per cycle")
"""
import json
import re
import sys

TO_MICROSECONDS = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}


def ours(path):
    with open(path) as results:
        for run in json.load(results)["benchmarks"]:
            if run["name"] == "open_send_close":
                return run["real_time"] * TO_MICROSECONDS[run["time_unit"]]
    sys.exit("%s: no open_send_close result" % path)


def pyserial(path):
    with open(path) as output:
        found = re.search(r"([0-9.]+) us per cycle", output.read())
    if found is None:
        sys.exit("%s: no 'us per cycle' figure" % path)
    return float(found.group(1))


def main(ours_path, pyserial_path):
    mine, theirs = ours(ours_path), pyserial(pyserial_path)
    print("%-36s %8.1f us per cycle" % ("quillon SER_OPEN/SER_SEND/SER_CLOSE", mine))
    print("%-36s %8.1f us per cycle" % ("python3-serial open/write/close", theirs))
    # Below 1 means ours is the faster; the translation of the tags is included in ours only.
    print("%-36s %8.2f (ours / python3-serial)" % ("ratio", mine / theirs))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
