#!/usr/bin/python3
"""Benchmarks of the window program under a private Xvfb.

  mapped      time from process start to the window being mapped (median of --runs runs)
  rss         resident memory once the window is up (VmRSS)
  idle        processor time used while idle over --idle seconds, as % of one core
  wakeups     times a second the idle process was scheduled (context switches, all threads)
  click       time from a Send click (XTest) to the first byte on a pseudo-terminal (median)

Several programs (an older build, say) are measured in the same run on the same X server: their
start-ups take turns, they idle side by side over the same seconds, and each is clicked alone. Every COM port is mapped
away from real devices; COM1 goes to a pseudo-terminal for the clicks.

Runs with Debian's /usr/bin/python3, which sees python3-xlib and python3-pil.
Usage: bench/window_bench.py [program ...] [--runs N] [--idle SECONDS] [--clicks N] [--strict]
"""

import argparse
import os
import select
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "bench"))
from window_process import cpu_and_switches, rss_mib, stop, x11_client  # noqa: E402
from window_process import start as start_command  # noqa: E402
from quillon_testing.pty import PseudoTerminal, port_guard  # noqa: E402


def start(program, display, environment=None):
    return start_command([program], display,
                         environment or x11_client.program_environment(display.display))

TARGETS = {"mapped": 100.0, "rss": 60.0, "idle": 0.01, "click": 20.0}


def mul_div(number, numerator, denominator):
    return (number * numerator + denominator // 2) // denominator


def dialog_point(screen, window, x_units, y_units):
    """A point of the window given in dialog units, on the screen (213 x 148 units in all)."""
    x, y, width, height = screen.geometry(window)
    base_x, base_y = round(width * 4 / 213), round(height * 8 / 148)
    return x + mul_div(x_units, base_x, 4), y + mul_div(y_units, base_y, 8)


def measure_clicks(screen, window, master, clicks):
    # One character in the text box (5, 54, 203 x 44 units), sent again on every click on Send
    # (152, 113, 53 x 15 units).
    screen.click(*dialog_point(screen, window, 5 + 100, 54 + 22))
    screen.press_keys("x")
    send = dialog_point(screen, window, 152 + 26, 113 + 7)
    times = []
    for _ in range(clicks):
        screen.click(*send)
        begin = time.perf_counter()
        ready, _, _ = select.select([master], [], [], 5)
        if not ready:
            raise RuntimeError("no byte arrived after a click on Send")
        times.append((time.perf_counter() - begin) * 1000.0)
        os.read(master, 4096)
        time.sleep(0.05)  # the press and release are a click, not a double click
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("programs", nargs="*", default=[os.path.join(ROOT, "build", "bin", "quillon")])
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--idle", type=float, default=20.0)
    parser.add_argument("--clicks", type=int, default=20)
    parser.add_argument("--strict", action="store_true", help="exit 1 when a target is missed")
    parser.add_argument("--beside", action="append", default=[],
                        help="another program (a peer such as cutecom) idling over the same seconds")
    args = parser.parse_args()
    if not x11_client.xvfb_available():
        sys.exit("Xvfb is missing: apt-get install xvfb")

    display = x11_client.Xvfb()
    results = {program: {} for program in args.programs}
    try:
        mapped = {program: [] for program in args.programs}
        for _ in range(args.runs):
            for program in args.programs:
                screen, process, window, elapsed = start(program, display)
                mapped[program].append(elapsed)
                stop(screen, process, window)
        for program in args.programs:
            results[program]["mapped"] = statistics.median(mapped[program])

        running = []
        idling = args.programs + [peer for peer in args.beside if os.path.exists(peer)]
        for peer in idling[len(args.programs):]:
            results[peer] = {}
        try:
            for program in idling:
                running.append(start(program, display)[:3])
            time.sleep(1.0)  # let start-up work (fonts, first paint) finish before measuring
            before = {}
            for program, (_, process, _) in zip(idling, running):
                results[program]["rss"] = rss_mib(process.pid)
                before[program] = cpu_and_switches(process.pid)
            begin = time.monotonic()
            time.sleep(args.idle)
            elapsed = time.monotonic() - begin
            for program, (_, process, _) in zip(idling, running):
                seconds, switches = cpu_and_switches(process.pid)
                results[program]["idle"] = (seconds - before[program][0]) / elapsed * 100.0
                results[program]["wakeups"] = (switches - before[program][1]) / elapsed
        finally:
            for screen, process, window in running:
                stop(screen, process, window)

        # One window at a time: they all open at the centre of the screen, one above the other.
        for program in args.programs:
            line = PseudoTerminal(drain=False)
            environment = port_guard(x11_client.program_environment(display.display),
                                     {1: line.path})
            screen, process, window, _ = start(program, display, environment)
            try:
                results[program]["click"] = measure_clicks(screen, window, line.master, args.clicks)
            finally:
                stop(screen, process, window)
                line.close()
    finally:
        display.close()

    units = {"mapped": "ms (median of %d)" % args.runs, "rss": "MiB",
             "idle": "%% of one core over %g s" % args.idle, "wakeups": "a second while idle",
             "click": "ms (median of %d)" % args.clicks}
    failed = False
    for program in args.programs:
        if len(args.programs) > 1:
            print("%s:" % program)
        for name in ("mapped", "rss", "idle", "wakeups", "click"):
            value = results[program][name]
            verdict = ""
            if name in TARGETS:
                ok = value <= TARGETS[name] if name == "idle" else value < TARGETS[name]
                failed |= not ok
                verdict = "target %s %g  %s" % ("<=" if name == "idle" else "<", TARGETS[name],
                                                "ok" if ok else "MISSED")
            print("window %-8s %8.3f %-28s %s" % (name, value, units[name], verdict))
    for peer in idling[len(args.programs):]:
        print("beside: %s idle %.3f %% of one core, %.3f wakeups a second, rss %.1f MiB (same "
              "seconds, same X server)" % (peer, results[peer]["idle"], results[peer]["wakeups"],
                                           results[peer]["rss"]))
    return 1 if failed and args.strict else 0


if __name__ == "__main__":
    sys.exit(main())
