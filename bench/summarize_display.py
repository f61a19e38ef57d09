#!/usr/bin/env python3
"""Prints the display emulation's throughput in MB/s per profile and input, with the memory it
took while feeding: allocations made (0 when memory is flat) and the growth of the peak resident
size. Random bytes carry the target (at least 100 MB/s, no allocation); the other inputs are
what senders of each family write, shown for comparison."""
import json
import sys

TARGET_MB_S = 100.0


def main(path):
    results = json.load(open(path))["benchmarks"]
    missed = False
    for r in results:
        profile, _, name = r["name"].partition("/")
        label = f"display core {profile:15} {name:22}"
        if "bytes_per_second" in r:
            rate = r["bytes_per_second"] / 1e6
            memory = (f"{r['allocations']:.0f} allocations, peak RSS +"
                      f"{r['peak_rss_growth_kib']:.0f} KiB")
            if name == "random":
                ok = rate >= TARGET_MB_S and r["allocations"] == 0
                missed |= not ok
                print(f"{label} {rate:8.0f} MB/s  {memory}   target >= {TARGET_MB_S:g} MB/s, "
                      f"0 allocations  {'ok' if ok else 'MISSED'}")
            else:
                print(f"{label} {rate:8.0f} MB/s  {memory}")
        else:
            scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[r["time_unit"]]
            print(f"{label} {r['real_time'] * scale:8.0f} ns a snapshot, "
                  f"{r['allocations']:.0f} allocations")
    return 1 if missed and "--strict" in sys.argv else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
