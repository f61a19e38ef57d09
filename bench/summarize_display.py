#!/usr/bin/env python3
"""Prints the display emulation's throughput in MB/s beside its target (at least 100 MB/s)."""
import json
import sys

TARGET_MB_S = 100.0


def main(path):
    results = json.load(open(path))["benchmarks"]
    for r in results:
        if "bytes_per_second" in r:
            rate = r["bytes_per_second"] / 1e6
            verdict = "ok" if rate >= TARGET_MB_S else "MISSED"
            print(f"display core {r['name']:28} {rate:10.0f} MB/s   target >= {TARGET_MB_S:g}  "
                  f"{verdict}")
        else:
            scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[r["time_unit"]]
            print(f"display core {r['name']:28} {r['real_time'] * scale:10.0f} ns a snapshot")


if __name__ == "__main__":
    main(sys.argv[1])
