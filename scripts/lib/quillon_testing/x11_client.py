"""An X11 client for driving the real window under Xvfb, on Debian's python3-xlib (the X protocol
and the XTEST extension) and python3-pil (screenshots).

It starts a private Xvfb on a free display, waits for windows to be mapped, closes them the way
a window manager does (a WM_DELETE_WINDOW client message), clicks and types through XTEST and
captures a window's pixels. Debian's packages are seen by Debian's own interpreter,
/usr/bin/python3, which is what the tests and scripts run this with.
"""

import os
import select
import shutil
import subprocess
import time

from PIL import Image
from Xlib import X, XK, Xatom, display as xdisplay, error as xerror
from Xlib.ext import xtest
from Xlib.protocol import event as xevent

from .pty import port_guard

KEYSYMS = {"alt": "Alt_L"}


def answers(display):
    """Whether an X server accepts a connection on display (":N")."""
    try:
        xdisplay.Display(display).close()
        return True
    except (xerror.DisplayError, OSError):
        return False


def xvfb_available():
    return shutil.which("Xvfb") is not None


class Xvfb:
    """A private X server on a display number it picks itself (-displayfd)."""

    def __init__(self, attempts=3):
        # Another server may take the display number between Xvfb choosing it and binding it;
        # then the server dies, and another start picks another number.
        for _ in range(attempts):
            self.process, self.display = self._start()
            if self.display and self._answers(bound=10):
                return
            self.close()
        raise RuntimeError("Xvfb did not start")

    @staticmethod
    def _start():
        read_end, write_end = os.pipe()
        # -noreset: the server would otherwise reset whenever its last client leaves, refusing
        # connections meanwhile.
        process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], 20)
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        return process, (":" + number.decode().strip()) if number.strip() else ""

    def _answers(self, bound):
        deadline = time.monotonic() + bound
        while self.process.poll() is None and time.monotonic() < deadline:
            if answers(self.display):
                return True
            time.sleep(0.05)
        return False

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class Display:
    def __init__(self, name):
        self.connection = xdisplay.Display(name)
        self.root = self.connection.screen().root
        # Every top-level window that is mapped is reported to us.
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.connection.sync()

    def close(self):
        self.connection.close()

    def wait_for_map(self, timeout):
        """The next top-level window mapped within timeout seconds, or None."""
        deadline = time.monotonic() + timeout
        while True:
            while self.connection.pending_events():
                happened = self.connection.next_event()
                if happened.type == X.MapNotify and happened.event == self.root:
                    return happened.window
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            select.select([self.connection.fileno()], [], [], left)

    def title(self, window):
        name = window.get_full_text_property(Xatom.WM_NAME)
        if isinstance(name, bytes):
            name = name.decode("latin-1")
        return name or ""

    def geometry(self, window):
        """(x, y, width, height) of the window, its position on the root window."""
        size = window.get_geometry()
        origin = self.root.translate_coords(window, 0, 0)
        return origin.x, origin.y, size.width, size.height

    def close_window(self, window):
        """What a window manager sends when the user closes a window: WM_DELETE_WINDOW."""
        protocols = self.connection.intern_atom("WM_PROTOCOLS")
        delete = self.connection.intern_atom("WM_DELETE_WINDOW")
        message = xevent.ClientMessage(window=window, client_type=protocols,
                                       data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(message)
        self.connection.flush()

    def click(self, x, y):
        xtest.fake_input(self.connection, X.MotionNotify, x=x, y=y)
        xtest.fake_input(self.connection, X.ButtonPress, 1)
        xtest.fake_input(self.connection, X.ButtonRelease, 1)
        self.connection.flush()

    def keycode(self, key):
        """A key by keysym name ("Return", "F4", "alt"), or a keysym number."""
        keysym = key if isinstance(key, int) else XK.string_to_keysym(KEYSYMS.get(key, key))
        return self.connection.keysym_to_keycode(keysym)

    def press_keys(self, *keys):
        """Presses the keys in order and releases them in reverse, like a chord."""
        codes = [self.keycode(key) for key in keys]
        for code in codes:
            xtest.fake_input(self.connection, X.KeyPress, code)
        for code in reversed(codes):
            xtest.fake_input(self.connection, X.KeyRelease, code)
        self.connection.flush()

    def image(self, window):
        """The window's pixels as an RGB image."""
        _, _, width, height = self.geometry(window)
        pixels = window.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF)
        # A 24-bit screen of Xvfb keeps 32 bits a pixel, blue first.
        return Image.frombytes("RGB", (width, height), pixels.data, "raw", "BGRX")


def program_environment(display):
    environment = {k: v for k, v in os.environ.items() if not k.startswith("QT_QPA")}
    environment["DISPLAY"] = display
    return port_guard(environment)
