#!/usr/bin/env python3
"""Prints the translator's throughput in MB/s and how its time grows with the input size."""
import json
import sys

MIB = 1024 * 1024

def main(path):
    results = json.load(open(path))["benchmarks"]
    by_name = {}
    for r in results:
        name, _, size = r["name"].rpartition("/")
        seconds = r["real_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[r["time_unit"]]
        by_name.setdefault(name, {})[int(size)] = seconds
    print(f"{'input':32} {'size':>8} {'MB/s':>10}")
    for name, sizes in by_name.items():
        for size, seconds in sorted(sizes.items()):
            print(f"{name:32} {size // 1024:>7}K {size / seconds / 1e6:>10.0f}")
    print("\nGrowth of time with input size (linear: 8x input costs about 8x time; target <= 10x)")
    for name, sizes in by_name.items():
        steps = sorted(sizes)
        for small, large in zip(steps, steps[1:]):
            ratio = sizes[large] / sizes[small]
            factor = large / small
            verdict = "ok" if ratio <= factor * 10 / 8 else "NOT LINEAR"
            print(f"{name:32} {small // 1024:>5}K -> {large // 1024:>5}K: "
                  f"input x{factor:.0f}, time x{ratio:.1f}  {verdict}")

if __name__ == "__main__":
    main(sys.argv[1])
