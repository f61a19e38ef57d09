#!/usr/bin/env python3
"""quillon-send --dry-run as a process, beside cat of the same file in the same run.

For each input: the best wall time of --runs runs of `quillon-send --dry-run < FILE > /dev/null`
(warnings on, as a user runs it), of the plain copy `quillon-send --raw --dry-run` and of
`cat FILE > /dev/null` (process start included for all), their throughput, and the peak resident
memory of each (/usr/bin/time %M). Inputs: 8 MiB of tag-free and of tag-dense text, and the same
texts at 64 MiB to show whether memory grows with the input; then 1.5 MB of tags with distinct
unknown names, where the check for unknown names once grew with the square of their number.

Targets: tag-free at least half as fast as cat; tag-dense at least 150 MB/s; peak memory at
64 MiB no more than at 8 MiB plus 1 MiB; the distinct unknown names in under a second.
Usage: bench/cli_stream_bench.py [program] [--runs N]
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "scripts", "lib"))
from quillon_testing.pty import port_guard  # noqa: E402

MIB = 1024 * 1024
UNITS = {
    "tag-free": b"Hello, display! The quick brown fox jumps over the lazy dog. \r\n",
    "tag-dense": b"<254,1>Hi<CLS><_5>",
}


def write_input(folder, kind, size):
    path = os.path.join(folder, "%s-%dM.txt" % (kind, size // MIB))
    unit = UNITS[kind]
    block = (unit * (MIB // len(unit) + 1))[:MIB]
    # Whole units only, so no tag is cut at a block's end; the last block fills up to the size.
    block = block[:len(block) - len(block) % len(unit)]
    with open(path, "wb") as f:
        written = 0
        while written < size:
            written += f.write(block[:size - written])
    return path


def write_distinct_unknown_names(folder, size):
    """Tags whose names are all different and all unknown: <Q0Z><Q1Z>... up to the size."""
    path = os.path.join(folder, "unknown-names.txt")
    names, written, i = [], 0, 0
    while written < size:
        name = b"<Q%dZ>" % i
        names.append(name)
        written += len(name)
        i += 1
    with open(path, "wb") as f:
        f.write(b"".join(names))
    return path, i


def wall_seconds(command, path, environment):
    with open(path, "rb") as source, open(os.devnull, "wb") as sink:
        begin = time.perf_counter()
        subprocess.run(command, stdin=source, stdout=sink, stderr=sink, env=environment,
                       check=True)
        return time.perf_counter() - begin


def peak_kib(command, path, environment, folder):
    # Through /usr/bin/time: Linux keeps a process's peak across exec, so a child forked from
    # this (large) Python process would report Python's memory, not the program's.
    report = os.path.join(folder, "peak")
    with open(path, "rb") as source, open(os.devnull, "wb") as sink:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command, stdin=source,
                       stdout=sink, stderr=sink, env=environment, check=True)
    with open(report) as f:
        return int(f.read().split()[-1])


def measure(commands, path, runs, environment, folder):
    """Best time (the commands taking turns) and peak memory per command."""
    best = {name: float("inf") for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            best[name] = min(best[name], wall_seconds(command, path, environment))
    return {name: (best[name], peak_kib(command, path, environment, folder))
            for name, command in commands.items()}


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser()
    parser.add_argument("program", nargs="?",
                        default=os.path.join(root, "build-release", "bin", "quillon-send"))
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="quillon-cli-bench-") as folder:
        # No run may reach a real serial port (an unmapped COM1 is /dev/ttyS0) or read the
        # user's configuration; --dry-run opens no port, and this keeps it so.
        environment = port_guard(dict(os.environ))
        environment["XDG_CONFIG_HOME"] = os.path.join(folder, "config")
        os.mkdir(environment["XDG_CONFIG_HOME"])

        commands = {"quillon-send": [args.program, "--dry-run"],
                    "... --raw": [args.program, "--raw", "--dry-run"],
                    "cat": ["cat"]}
        results = {}
        print("%-10s %6s %-13s %9s %9s %11s" % ("input", "size", "program", "best ms", "MB/s",
                                                "peak KiB"))
        for size in (8 * MIB, 64 * MIB):
            for kind in UNITS:
                path = write_input(folder, kind, size)
                runs = args.runs if size == 8 * MIB else max(3, args.runs // 2)
                best = measure(commands, path, runs, environment, folder)
                os.remove(path)
                for name, (seconds, peak) in best.items():
                    rate = size / seconds / 1e6
                    results[(kind, size, name)] = (rate, peak)
                    print("%-10s %5dM %-13s %9.2f %9.0f %11d" % (kind, size // MIB, name,
                                                                 seconds * 1e3, rate, peak))

        # The warnings go to standard error, which a user reads: here they are thrown away.
        size = 1500 * 1000
        path, count = write_distinct_unknown_names(folder, size)
        best = measure({"quillon-send": commands["quillon-send"], "cat": ["cat"]}, path,
                       max(3, args.runs // 2), environment, folder)
        for name, (seconds, peak) in best.items():
            results[("unknown-names", size, name)] = (seconds, peak)
            print("%-10s %5.1fM %-13s %9.2f %9.0f %11d" % ("unknown", size / 1e6, name,
                                                            seconds * 1e3, size / seconds / 1e6,
                                                            peak))

    def verdict(ok):
        return "ok" if ok else "MISSED"

    print()
    free = results[("tag-free", 8 * MIB, "quillon-send")][0]
    cat = results[("tag-free", 8 * MIB, "cat")][0]
    print("tag-free 8M:  %.2f x cat (target >= 0.5)  %s" % (free / cat, verdict(free >= 0.5 * cat)))
    dense = results[("tag-dense", 8 * MIB, "quillon-send")][0]
    print("tag-dense 8M: %.0f MB/s (target >= 150)  %s" % (dense, verdict(dense >= 150)))
    for kind in UNITS:
        for name in ("quillon-send", "... --raw"):
            small = results[(kind, 8 * MIB, name)][1]
            large = results[(kind, 64 * MIB, name)][1]
            print("%-13s %-9s peak memory 8M -> 64M: %d -> %d KiB (target: grows < 1024 KiB)  %s"
                  % (name, kind, small, large, verdict(large - small < 1024)))
    unknown = results[("unknown-names", 1500 * 1000, "quillon-send")][0]
    print("%d distinct unknown names (1.5 MB): %.2f s (target < 1 s)  %s"
          % (count, unknown, verdict(unknown < 1)))

if __name__ == "__main__":
    sys.exit(main())
