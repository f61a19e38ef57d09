"""A foreign caller: Python loads the shared library with ctypes, makes string handles with
SysAllocStringByteLen and drives all seven functions against a real pseudo-terminal."""
import ctypes
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "lib"))
from quillon_testing.pty import PseudoTerminal, port_guard  # noqa: E402

LIBRARY = sys.argv.pop(1)
MARKER = b"|end|"


def map_ports(mapped):
    port_guard(os.environ, mapped)


map_ports({})
lib = ctypes.CDLL(LIBRARY)
BSTR = ctypes.c_void_p
lib.SysAllocStringByteLen.argtypes = [ctypes.c_char_p, ctypes.c_uint]
lib.SysAllocStringByteLen.restype = BSTR
lib.SysStringByteLen.argtypes = [BSTR]
lib.SysStringByteLen.restype = ctypes.c_uint
lib.SysFreeString.argtypes = [BSTR]
lib.SysFreeString.restype = None
lib.SER_OPEN.argtypes = [ctypes.c_int, ctypes.c_int]
lib.SER_OPEN.restype = ctypes.c_int
lib.SER_CLOSE.argtypes = []
lib.SER_CLOSE.restype = ctypes.c_int
lib.SER_VERSINFO.argtypes = []
lib.SER_VERSINFO.restype = BSTR
for name in ("SER_SEND", "SER_RAWSEND"):
    getattr(lib, name).argtypes = [ctypes.POINTER(BSTR)]
    getattr(lib, name).restype = None
for name in ("SER_SEND_BV", "SER_RAWSEND_BV"):
    getattr(lib, name).argtypes = [BSTR]
    getattr(lib, name).restype = None


def handle(data):
    return lib.SysAllocStringByteLen(data, len(data))


def contents(h):
    return ctypes.string_at(h, lib.SysStringByteLen(h)) if h else b""


class SerialLibrary(unittest.TestCase):
    def setUp(self):
        self.pty = PseudoTerminal(drain=False)
        map_ports({5: self.pty.path})

    def tearDown(self):
        lib.SER_CLOSE()
        self.pty.close()
        map_ports({})

    def expect_line(self, data):
        lib.SER_RAWSEND_BV(handle(MARKER))
        self.assertEqual(self.pty.read(len(data) + len(MARKER)), data + MARKER)

    def test_versinfo(self):
        h = lib.SER_VERSINFO()
        self.assertTrue(contents(h).startswith(b"v1.0, 26 May 2000, "))
        lib.SysFreeString(h)

    def test_open_refusals_and_close(self):
        for port, baud in [(0, 9600), (9, 9600), (-1, 9600), (5, 19200), (5, 0), (4, 9600)]:
            self.assertEqual(lib.SER_OPEN(port, baud), 0, (port, baud))
        self.assertEqual(lib.SER_CLOSE(), 1)
        self.assertEqual(lib.SER_CLOSE(), 1)

    def test_rawsend_keeps_the_callers_handle_and_every_byte(self):
        self.assertEqual(lib.SER_OPEN(5, 2400), 1)
        data = bytes(range(256))
        h = BSTR(handle(data))
        before = h.value
        lib.SER_RAWSEND(ctypes.byref(h))
        self.assertEqual(h.value, before)
        self.assertEqual(contents(h.value), data)
        lib.SysFreeString(h)
        self.expect_line(data)

    def test_send_replaces_the_callers_handle_with_the_translation(self):
        self.assertEqual(lib.SER_OPEN(5, 9600), 1)
        h = BSTR(handle(b"<13>"))
        lib.SER_SEND(ctypes.byref(h))
        self.assertEqual(contents(h.value), b"\r")
        lib.SysFreeString(h)
        self.expect_line(b"\r")

    def test_by_value_functions_take_the_handle_over(self):
        self.assertEqual(lib.SER_OPEN(5, 4800), 1)
        lib.SER_SEND_BV(handle(b"<254,1>A\x00"))
        lib.SER_RAWSEND_BV(handle(b"\x00\xff\x00"))
        lib.SER_SEND_BV(None)
        lib.SER_RAWSEND_BV(None)
        self.expect_line(b"\xfe\x01A\x00" + b"\x00\xff\x00")

    def test_nothing_is_written_without_a_current_port(self):
        h = BSTR(handle(b"<65>"))
        lib.SER_SEND(ctypes.byref(h))
        self.assertEqual(contents(h.value), b"A")
        lib.SER_SEND(None)
        lib.SER_RAWSEND(None)
        self.assertEqual(lib.SER_OPEN(5, 1200), 1)
        lib.SER_CLOSE()
        lib.SER_RAWSEND(ctypes.byref(h))
        lib.SysFreeString(h)
        self.assertEqual(lib.SER_OPEN(5, 1200), 1)
        self.expect_line(b"")


if __name__ == "__main__":
    unittest.main()
