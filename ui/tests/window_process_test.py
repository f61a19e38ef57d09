"""The real window program as a process under a private Xvfb: it starts whatever arguments it
is given, shows its window, and exits with code 0 when the window is closed the way a window
manager closes it, or with Alt+F4. Exits 77 (skipped) where Xvfb is not installed."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "lib"))
from quillon_testing import x11_client  # noqa: E402

SKIPPED = 77
CAPTION = "Quillon v1.1b  https://quillon.example.org/"


def run_once(program, display, close):
    screen = x11_client.Display(display.display)
    try:
        # Qt's own options among them: none may reach the toolkit (-platform offscreen would
        # keep the window off the X server).
        process = subprocess.Popen(
            [program, "-platform", "offscreen", "-style", "fusion", "--help", "COM9"],
            env=x11_client.program_environment(display.display),
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        try:
            window = screen.wait_for_map(20)
            assert window is not None, "no window was mapped"
            title = screen.title(window)
            assert title == CAPTION, "caption %r" % title
            close(screen, window)
            code = process.wait(20)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        output = process.stdout.read().decode(errors="replace")
        assert code == 0, "exit code %d, output:\n%s" % (code, output)
    finally:
        screen.close()


def close_by_window_manager(screen, window):
    screen.close_window(window)


def close_by_alt_f4(screen, window):
    # The window takes the keyboard focus when it is shown; a click inside it makes sure.
    x, y, width, height = screen.geometry(window)
    screen.click(x + width // 2, y + height - 3)
    screen.press_keys("alt", "F4")


def main():
    program = sys.argv[1]
    if not x11_client.xvfb_available():
        print("SKIPPED: Xvfb is not installed (Debian package xvfb)")
        return SKIPPED
    display = x11_client.Xvfb()
    try:
        for name, close in (("window manager close", close_by_window_manager),
                            ("Alt+F4", close_by_alt_f4)):
            run_once(program, display, close)
            print("ok: exits 0 after", name)
    finally:
        display.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
