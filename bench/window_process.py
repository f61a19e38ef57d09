"""What the window benchmarks share: starting a program and timing until its window maps,
closing it as a window manager would, and reading its memory and processor time from /proc."""
import glob
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "scripts", "lib"))
from quillon_testing import x11_client  # noqa: E402,F401  (the benchmarks use it through here)


def start(command, display, environment, stdout=subprocess.DEVNULL):
    """(screen, process, window, milliseconds until the window mapped)."""
    screen = x11_client.Display(display.display)
    begin = time.perf_counter()
    process = subprocess.Popen(command, env=environment, stdout=stdout,
                               stderr=subprocess.DEVNULL)
    window = screen.wait_for_map(20)
    mapped = (time.perf_counter() - begin) * 1000.0
    if window is None:
        process.kill()
        process.wait()
        screen.close()
        raise RuntimeError("the window of %s did not appear" % command[0])
    return screen, process, window, mapped


def stop(screen, process, window):
    screen.close_window(window)
    try:
        process.wait(20)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
        if process.stdout is not None:
            process.stdout.close()
        screen.close()


def cpu_and_switches(pid):
    """(seconds on a processor, context switches) of all the process's threads. schedstat counts
    nanoseconds; /proc/PID/stat counts 10 ms ticks, as coarse as the whole idle target."""
    seconds, switches = 0.0, 0
    for task in glob.glob("/proc/%d/task/*" % pid):
        try:
            with open(os.path.join(task, "schedstat")) as stat:
                seconds += int(stat.read().split()[0]) / 1e9
            with open(os.path.join(task, "status")) as status:
                for line in status:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        switches += int(line.split()[1])
        except FileNotFoundError:
            pass  # a thread that ended meanwhile
    return seconds, switches


def rss_mib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0
