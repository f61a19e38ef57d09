#!/usr/bin/python3
"""Benchmarks of the window program under a private Xvfb.

  mapped      time from process start to the window being mapped (median of --runs runs)
  rss         resident memory once the window is up (VmRSS)
  idle        processor time used while idle over --idle seconds, as % of one core
  click       time from a Send click (XTest) to the first byte on a pseudo-terminal (median)

Every COM port is mapped away from real devices; COM1 goes to a pseudo-terminal for the click.
Usage: bench/window_bench.py [program] [--runs N] [--idle SECONDS] [--clicks N]
"""

import argparse
import os
import select
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "ui", "tests"))
import x11_client  # noqa: E402

TARGETS = {"mapped": 100.0, "rss": 60.0, "idle": 1.0, "click": 20.0}


def start(program, display, environment=None):
    screen = x11_client.Display(display.display)
    begin = time.perf_counter()
    process = subprocess.Popen([program], env=environment or x11_client.program_environment(display.display),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = screen.wait_for_map(20)
    mapped = (time.perf_counter() - begin) * 1000.0
    if window is None:
        process.kill()
        raise RuntimeError("the window did not appear")
    return screen, process, window, mapped


def stop(screen, process, window):
    screen.close_window(window)
    try:
        process.wait(20)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        screen.close()


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15; after the command name they are the 12th and 13th.
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_mib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def mul_div(number, numerator, denominator):
    return (number * numerator + denominator // 2) // denominator


def dialog_point(screen, window, x_units, y_units):
    """A point of the window given in dialog units, on the screen (213 x 148 units in all)."""
    x, y, width, height = screen.geometry(window)
    base_x, base_y = round(width * 4 / 213), round(height * 8 / 148)
    return x + mul_div(x_units, base_x, 4), y + mul_div(y_units, base_y, 8)


def until(condition, bound):
    deadline = time.monotonic() + bound
    while not condition():
        if time.monotonic() > deadline:
            raise RuntimeError("timed out")
        time.sleep(0.01)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program", nargs="?", default=os.path.join(ROOT, "build", "bin", "quillon"))
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--idle", type=float, default=20.0)
    parser.add_argument("--clicks", type=int, default=20)
    parser.add_argument("--strict", action="store_true", help="exit 1 when a target is missed")
    args = parser.parse_args()
    if not x11_client.xvfb_available():
        sys.exit("Xvfb is missing: apt-get install xvfb")

    display = x11_client.Xvfb()
    results = {}
    try:
        mapped = []
        for _ in range(args.runs):
            screen, process, window, elapsed = start(args.program, display)
            mapped.append(elapsed)
            stop(screen, process, window)
        results["mapped"] = statistics.median(mapped)

        master, slave = os.openpty()
        environment = x11_client.program_environment(display.display)
        environment["QUILLON_COM1"] = os.ttyname(slave)
        screen, process, window, _ = start(args.program, display, environment)
        try:
            time.sleep(1.0)  # let start-up work (fonts, first paint) finish before measuring
            results["rss"] = rss_mib(process.pid)
            before = cpu_seconds(process.pid)
            time.sleep(args.idle)
            results["idle"] = (cpu_seconds(process.pid) - before) / args.idle * 100.0

            # One character in the text box, sent again on every click.
            # The text box is 5, 54, 203 x 44 units; Send is 152, 113, 53 x 15.
            screen.click(*dialog_point(screen, window, 5 + 100, 54 + 22))
            screen.press_keys("x")
            send = dialog_point(screen, window, 152 + 26, 113 + 7)
            clicks = []
            for _ in range(args.clicks):
                screen.click(*send)
                begin = time.perf_counter()
                ready, _, _ = select.select([master], [], [], 5)
                if not ready:
                    raise RuntimeError("no byte arrived after a click on Send")
                clicks.append((time.perf_counter() - begin) * 1000.0)
                os.read(master, 4096)
                time.sleep(0.05)  # the press and release are a click, not a double click
            results["click"] = statistics.median(clicks)
        finally:
            stop(screen, process, window)
            os.close(master)
            os.close(slave)
    finally:
        display.close()

    units = {"mapped": "ms (median of %d)" % args.runs, "rss": "MiB",
             "idle": "%% of one core over %g s" % args.idle,
             "click": "ms (median of %d)" % args.clicks}
    failed = False
    for name in ("mapped", "rss", "idle", "click"):
        ok = results[name] < TARGETS[name]
        failed |= not ok
        print("window %-7s %8.2f %-28s target < %g  %s" % (name, results[name], units[name],
                                                            TARGETS[name], "ok" if ok else "MISSED"))
    return 1 if failed and args.strict else 0


if __name__ == "__main__":
    sys.exit(main())
