"""A small X11 client over ctypes (libX11, libXtst) for driving the real window under Xvfb.

It starts a private Xvfb on a free display, waits for windows to be mapped, closes them the
way a window manager does (a WM_DELETE_WINDOW client message), clicks and types through the
XTest extension and reads a window's pixels for screenshots. No third-party Python module is
needed: libX11 and libXtst (Debian packages libx11-6 and libxtst6).
"""

import ctypes
import ctypes.util
import os
import select
import shutil
import struct
import subprocess
import time
import zlib

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")

Window = ctypes.c_ulong
Atom = ctypes.c_ulong

MAP_NOTIFY = 19
CLIENT_MESSAGE = 33
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
Z_PIXMAP = 2
ALL_PLANES = ctypes.c_ulong(0xFFFFFFFF)


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("message_type", Atom),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", Window), ("window", Window),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", XClientMessageEvent), ("xmap", XMapEvent),
                ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p), ("create_image", ctypes.c_void_p),
                ("destroy_image", ctypes.c_void_p)]


_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XDefaultRootWindow.restype = Window
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XInternAtom.restype = Atom
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XSelectInput.argtypes = [ctypes.c_void_p, Window, ctypes.c_long]
_x11.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long,
                            ctypes.POINTER(XEvent)]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x11.XPending.argtypes = [ctypes.c_void_p]
_x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
_x11.XConnectionNumber.argtypes = [ctypes.c_void_p]
_x11.XFetchName.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_char_p)]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XGetGeometry.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window)] + \
    [ctypes.POINTER(ctypes.c_int)] * 2 + [ctypes.POINTER(ctypes.c_uint)] * 4
_x11.XTranslateCoordinates.argtypes = [ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int,
                                       ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                       ctypes.POINTER(Window)]
_x11.XGetImage.restype = ctypes.POINTER(XImage)
_x11.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XKeysymToKeycode.restype = ctypes.c_ubyte
_x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_ulong]
_xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
_xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

KEYSYMS = {"alt": 0xFFE9, "F4": 0xFFC1, "Return": 0xFF0D}


def answers(display):
    """Whether an X server accepts a connection on display (":N")."""
    handle = _x11.XOpenDisplay(display.encode())
    if handle:
        _x11.XCloseDisplay(handle)
    return bool(handle)


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
        self.handle = _x11.XOpenDisplay(name.encode())
        if not self.handle:
            raise RuntimeError("cannot open display " + name)
        self.root = _x11.XDefaultRootWindow(self.handle)
        # Every top-level window that is mapped is reported to us.
        _x11.XSelectInput(self.handle, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        _x11.XSync(self.handle, 0)

    def close(self):
        _x11.XCloseDisplay(self.handle)

    def wait_for_map(self, timeout):
        """The next top-level window mapped within timeout seconds, or None."""
        deadline = time.monotonic() + timeout
        event = XEvent()
        while True:
            while _x11.XPending(self.handle):
                _x11.XNextEvent(self.handle, ctypes.byref(event))
                if event.type == MAP_NOTIFY and event.xmap.event == self.root:
                    return event.xmap.window
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            select.select([_x11.XConnectionNumber(self.handle)], [], [], left)

    def title(self, window):
        name = ctypes.c_char_p()
        if not _x11.XFetchName(self.handle, window, ctypes.byref(name)) or not name.value:
            return ""
        text = name.value.decode("latin-1")
        _x11.XFree(name)
        return text

    def geometry(self, window):
        """(x, y, width, height) of the window, its position on the root window."""
        root, x, y = Window(), ctypes.c_int(), ctypes.c_int()
        w, h, border, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        _x11.XGetGeometry(self.handle, window, ctypes.byref(root), ctypes.byref(x), ctypes.byref(y),
                          ctypes.byref(w), ctypes.byref(h), ctypes.byref(border), ctypes.byref(depth))
        rx, ry, child = ctypes.c_int(), ctypes.c_int(), Window()
        _x11.XTranslateCoordinates(self.handle, window, self.root, 0, 0, ctypes.byref(rx),
                                   ctypes.byref(ry), ctypes.byref(child))
        return rx.value, ry.value, w.value, h.value

    def close_window(self, window):
        """What a window manager sends when the user closes a window: WM_DELETE_WINDOW."""
        event = XEvent()
        event.xclient.type = CLIENT_MESSAGE
        event.xclient.window = window
        event.xclient.message_type = _x11.XInternAtom(self.handle, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = _x11.XInternAtom(self.handle, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        _x11.XSendEvent(self.handle, window, 0, 0, ctypes.byref(event))
        _x11.XFlush(self.handle)

    def click(self, x, y):
        _xtst.XTestFakeMotionEvent(self.handle, -1, x, y, 0)
        _xtst.XTestFakeButtonEvent(self.handle, 1, 1, 0)
        _xtst.XTestFakeButtonEvent(self.handle, 1, 0, 0)
        _x11.XFlush(self.handle)

    def keycode(self, keysym):
        return _x11.XKeysymToKeycode(self.handle, KEYSYMS.get(keysym, keysym))

    def press_keys(self, *keysyms):
        """Presses the keys in order and releases them in reverse, like a chord."""
        codes = [self.keycode(k) for k in keysyms]
        for code in codes:
            _xtst.XTestFakeKeyEvent(self.handle, code, 1, 0)
        for code in reversed(codes):
            _xtst.XTestFakeKeyEvent(self.handle, code, 0, 0)
        _x11.XFlush(self.handle)

    def pixels(self, window):
        """The window's pixels as (width, height, rows of RGB bytes)."""
        _, _, width, height = self.geometry(window)
        image = _x11.XGetImage(self.handle, window, 0, 0, width, height, ALL_PLANES, Z_PIXMAP)
        if not image:
            raise RuntimeError("XGetImage failed")
        img = image.contents
        if img.bits_per_pixel != 32:
            raise RuntimeError("unexpected pixel size %d" % img.bits_per_pixel)
        raw = ctypes.string_at(img.data, img.bytes_per_line * img.height)
        rows = []
        for row in range(img.height):
            line = raw[row * img.bytes_per_line:row * img.bytes_per_line + 4 * img.width]
            rgb = bytearray(3 * img.width)
            rgb[0::3] = line[2::4]  # little-endian BGRX
            rgb[1::3] = line[1::4]
            rgb[2::3] = line[0::4]
            rows.append(bytes(rgb))
        width, height = img.width, img.height
        # XDestroyImage is a macro that calls the image's own destroy function.
        ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(XImage))(img.destroy_image)(image)
        return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def no_real_ports(environment, missing_dir="/nonexistent/quillon"):
    """Maps all eight COM ports to paths that do not exist (an unmapped COM1 is /dev/ttyS0)."""
    for port in range(1, 9):
        environment["QUILLON_COM%d" % port] = "%s-com%d" % (missing_dir, port)
    return environment


def program_environment(display):
    environment = {k: v for k, v in os.environ.items() if not k.startswith("QT_QPA")}
    environment["DISPLAY"] = display
    return no_real_ports(environment)


def mul_div(number, numerator, denominator):
    return (number * numerator + denominator // 2) // denominator


def send_button_centre(display, window):
    """Where the Send button (152, 113, 53 x 15 dialog units) is on the screen."""
    x, y, width, height = display.geometry(window)
    base_x = round(width * 4 / 213)
    base_y = round(height * 8 / 148)
    left, right = mul_div(152, base_x, 4), mul_div(205, base_x, 4)
    top, bottom = mul_div(113, base_y, 8), mul_div(128, base_y, 8)
    return x + (left + right) // 2, y + (top + bottom) // 2


def text_box_centre(display, window):
    x, y, width, height = display.geometry(window)
    base_x = round(width * 4 / 213)
    base_y = round(height * 8 / 148)
    return x + mul_div(5 + 100, base_x, 4), y + mul_div(54 + 22, base_y, 8)
