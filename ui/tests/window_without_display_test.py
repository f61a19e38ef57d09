"""The real window program as a process where no display can be opened: it writes one line,
"cannot open the display: " and the reason, on standard error and exits with code 1, never
aborting (134, or death by SIGABRT) and never claiming success. --help and --version need no
display at all."""

import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "lib"))
from quillon_testing import x11_client  # noqa: E402
from quillon_testing.pty import port_guard  # noqa: E402

PREFIX = "cannot open the display: "


def unused_display():
    """A display number with no server behind it: no socket, no lock file, and no answer."""
    numbers = list(range(400, 500))
    random.shuffle(numbers)
    for number in numbers:
        if os.path.exists("/tmp/.X11-unix/X%d" % number) or os.path.exists(
                "/tmp/.X%d-lock" % number):
            continue
        if not x11_client.answers(":%d" % number):
            return ":%d" % number
    raise RuntimeError("no unused display number among 400-499")


def clean_environment(home):
    """The test's own environment without any display, toolkit platform or user configuration."""
    environment = {k: v for k, v in os.environ.items()
                   if k not in ("DISPLAY", "WAYLAND_DISPLAY") and not k.startswith("QT_QPA")}
    # Qt reads its settings below XDG_CONFIG_HOME and looks for a Wayland socket in
    # XDG_RUNTIME_DIR: both point into the test's own folder.
    environment["XDG_CONFIG_HOME"] = os.path.join(home, "config")
    environment["XDG_RUNTIME_DIR"] = home
    return port_guard(environment)


def run(command, environment):
    process = subprocess.run(command, env=environment, stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
    return process.returncode, process.stdout.decode(errors="replace"), \
        process.stderr.decode(errors="replace")


def main():
    program = sys.argv[1]
    display = unused_display()
    # (what, variables set on top of the clean environment, what the reason must name)
    cases = [
        ("no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM", {}, "DISPLAY is not set"),
        ("an empty DISPLAY", {"DISPLAY": ""}, "DISPLAY is not set"),
        ("DISPLAY naming a display with no server", {"DISPLAY": display}, display),
        ("the X platform asked for, no DISPLAY", {"QT_QPA_PLATFORM": "xcb"}, "DISPLAY is not set"),
        ("a WAYLAND_DISPLAY with no compositor, no DISPLAY",
         {"WAYLAND_DISPLAY": "quillon-test-no-compositor"}, "DISPLAY is not set"),
        ("a platform plugin that does not exist", {"QT_QPA_PLATFORM": "quillon-test-none"},
         '"quillon-test-none"'),
    ]
    failures = 0
    with tempfile.TemporaryDirectory(prefix="quillon-no-display-") as home:
        os.mkdir(os.path.join(home, "config"))
        os.chmod(home, 0o700)
        # --help and --version print and exit, and need no display.
        for argument, first in (("--version", "quillon 1.1\n"), ("--help", "Usage: quillon [")):
            code, out, err = run([program, argument], clean_environment(home))
            if (code, out.startswith(first), err) != (0, True, ""):
                failures += 1
                print("FAIL: %s: exit %d, output %r, errors %r" % (argument, code, out, err))
    with tempfile.TemporaryDirectory(prefix="quillon-no-display-") as home:
        os.mkdir(os.path.join(home, "config"))
        os.chmod(home, 0o700)
        for what, extra, named in cases:
            environment = clean_environment(home)
            environment.update(extra)
            code, out, err = run([program], environment)
            lines = err.splitlines()
            problems = []
            if code != 1:
                problems.append("exit code %d, not 1" % code)
            if len(lines) != 1 or not lines[0].startswith(PREFIX):
                problems.append("standard error is not one line starting %r" % PREFIX)
            elif len(lines[0]) == len(PREFIX):
                problems.append("no reason after the prefix")
            elif named not in lines[0]:
                problems.append("the reason does not name %r" % named)
            if out:
                problems.append("standard output is not empty")
            if problems:
                failures += 1
                print("FAIL: %s: %s\nstandard error:\n%s" % (what, "; ".join(problems), err))
            else:
                print("ok: %s: %s" % (what, lines[0]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
