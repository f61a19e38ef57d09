#!/usr/bin/env python3
"""Benchmarks of quillon-display's window under a private Xvfb.

  mapped      time from process start to the window being mapped (median of --runs runs)
  rss         resident memory once the window is up and has shown a message (VmRSS)
  idle        processor time used while idle over --idle seconds, as % of one core (the
              cursor is off, so no blink timer runs)
  shown       time from quillon-send starting to the display having read the bytes
              (median of --sends; the send's own process start included)
  fed         processor time of a graphic glass (--module graphic) fed drawing escapes at
              9600 baud's byte rate (960 bytes a second, 8 bytes every 1/120 s) through its
              pseudo-terminal for --fed seconds, as % of one core; the X server's own time
              beside it

The display serves COM1 in a runtime folder of the benchmark's own; every COM port is
mapped away from real devices for everything else.
Usage: bench/display_window_bench.py DISPLAY_PROGRAM SEND_PROGRAM [--runs N] [--idle S] [--sends N]
"""

import argparse
import math
import os
import statistics
import subprocess
import sys
import tempfile
import termios
import time
import tty

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "bench"))
from window_process import cpu_and_switches, rss_mib, stop, x11_client  # noqa: E402
from window_process import start as start_command  # noqa: E402

TARGETS = {"mapped": 100.0, "rss": 40.0, "idle": 0.05, "shown": 50.0, "fed": 5.0}
BAUD_BYTES_A_SECOND = 960  # 9600 baud, 10 bits a byte (start, 8 data, stop)
WRITES_A_SECOND = 120


def cpu_ns(pid):
    """Processor time of the whole process in nanoseconds (all threads)."""
    return int(cpu_and_switches(pid)[0] * 1e9)


def environment(display, runtime):
    env = x11_client.program_environment(display.display)
    del env["QUILLON_COM1"]  # COM1 reaches the display through its registration
    env["XDG_RUNTIME_DIR"] = runtime
    env["XDG_CONFIG_HOME"] = os.path.join(runtime, "config")
    env["QUILLON_SYSCONFDIR"] = os.path.join(runtime, "system")
    return env


def start(program, display, env, module="hd44780"):
    return start_command([program, "--port", "1", "--module", module], display, env,
                         stdout=subprocess.PIPE)


def drawing(frame):
    """A picture a sender would redraw: the screen cleared, a clock hand at `frame`'s angle,
    a box round it, a point and the time as text, in family B's escapes."""
    angle = frame * math.pi / 30
    x, y = 60 + int(40 * math.cos(angle)), 16 + int(14 * math.sin(angle))
    return (b"\x0c\x1bL\x3c\x10" + bytes([x % 120, y % 32]) +
            b"\x1bL\x00\x00\x77\x00\x1bT\x77\x1f\x1bT\x00\x1f\x1bT\x00\x00" +
            b"\x1bP" + bytes([(frame * 7) % 120, (frame * 3) % 32]) +
            b"\x10\x40%02d:%02d" % (frame // 60 % 24, frame % 60))


def fed_cpu(program, display, env, seconds):
    """(display's % of a core, X server's % of a core) while drawing at 960 bytes a second."""
    screen, process, window, _ = start(program, display, env, module="graphic")
    try:
        line = process.stdout.readline().decode()  # "quillon-display: COM1 → /dev/pts/N"
        path = line.strip().split(" ")[-1]
        sender = os.open(path, os.O_RDWR | os.O_NOCTTY)
        try:
            tty.setraw(sender)
            attributes = termios.tcgetattr(sender)
            attributes[4] = attributes[5] = termios.B9600
            termios.tcsetattr(sender, termios.TCSANOW, attributes)
            stream = b"".join(drawing(frame) for frame in range(2000))
            per_write = BAUD_BYTES_A_SECOND // WRITES_A_SECOND
            display_before = cpu_ns(process.pid)
            server_before = cpu_ns(display.process.pid)
            begin = time.monotonic()
            written = 0
            while time.monotonic() - begin < seconds:
                # Each write at the moment the line would have carried its last byte.
                due = begin + (written + per_write) / BAUD_BYTES_A_SECOND
                pause = due - time.monotonic()
                if pause > 0:
                    time.sleep(pause)
                at = written % len(stream)
                piece = stream[at:at + per_write]
                os.write(sender, piece)
                written += len(piece)
            elapsed = time.monotonic() - begin
            return ((cpu_ns(process.pid) - display_before) / 1e9 / elapsed * 100.0,
                    (cpu_ns(display.process.pid) - server_before) / 1e9 / elapsed * 100.0)
        finally:
            os.close(sender)
    finally:
        stop(screen, process, window)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("send")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--idle", type=float, default=30.0)
    parser.add_argument("--sends", type=int, default=20)
    parser.add_argument("--fed", type=float, default=20.0)
    parser.add_argument("--strict", action="store_true", help="exit 1 when a target is missed")
    args = parser.parse_args()
    if not x11_client.xvfb_available():
        sys.exit("Xvfb is missing: apt-get install xvfb")

    display = x11_client.Xvfb()
    results = {}
    try:
        with tempfile.TemporaryDirectory(prefix="quillon-display-bench-") as runtime:
            env = environment(display, runtime)
            mapped = []
            for _ in range(args.runs):
                screen, process, window, elapsed = start(args.program, display, env)
                mapped.append(elapsed)
                stop(screen, process, window)
            results["mapped"] = statistics.median(mapped)

            screen, process, window, _ = start(args.program, display, env)
            try:
                process.stdout.readline()  # registered
                shown = []
                for n in range(args.sends):
                    before = cpu_ns(process.pid)
                    begin = time.perf_counter()
                    subprocess.run([args.send, "-p", "1", "<LMA_CLS>Message %d<LMA_LINE2>ok" % n],
                                   env=env, check=True)
                    # The display has read the bytes once it has used processor time for them.
                    deadline = time.monotonic() + 5
                    while cpu_ns(process.pid) == before and time.monotonic() < deadline:
                        time.sleep(0.0005)
                    shown.append((time.perf_counter() - begin) * 1000.0)
                results["shown"] = statistics.median(shown)
                time.sleep(1.0)  # let the last repaint finish before measuring
                results["rss"] = rss_mib(process.pid)
                before = cpu_ns(process.pid)
                time.sleep(args.idle)
                results["idle"] = (cpu_ns(process.pid) - before) / 1e9 / args.idle * 100.0
            finally:
                stop(screen, process, window)
            results["fed"], server = fed_cpu(args.program, display, env, args.fed)
    finally:
        display.close()

    units = {"mapped": "ms (median of %d)" % args.runs, "rss": "MiB",
             "idle": "%% of one core over %g s" % args.idle,
             "shown": "ms (median of %d)" % args.sends,
             "fed": "%% of one core over %g s (X server: %.1f%%)" % (args.fed, server)}
    failed = False
    for name in ("mapped", "rss", "idle", "shown", "fed"):
        ok = results[name] <= TARGETS[name] if name == "idle" else results[name] < TARGETS[name]
        failed |= not ok
        print("display window %-7s %8.3f %-42s target %s %g  %s" % (
            name, results[name], units[name], "<=" if name == "idle" else "<", TARGETS[name],
            "ok" if ok else "MISSED"))
    return 1 if failed and args.strict else 0


if __name__ == "__main__":
    sys.exit(main())
