#!/usr/bin/python3
"""One open-send-close cycle, ours against python3-serial, both driven from Python on the same
drained pseudo-terminal in the same run: ours through ctypes (SER_OPEN, SER_SEND, SER_CLOSE on
"<LMA_CLS>Hello<LMA_LINE2>World"), python3-serial opening at 9600 8N1 without flow control and
writing the bytes that text translates to. Rounds alternate between the two; the median round
of each is printed in microseconds per cycle.

Usage: bench/cycle_from_python.py LIBQUILLON.so [CYCLES_PER_ROUND] [ROUNDS]
"""
import ctypes
import os
import statistics
import sys
import time

import serial

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "scripts", "lib"))
from quillon_testing.pty import PseudoTerminal, port_guard  # noqa: E402

TEXT = b"<LMA_CLS>Hello<LMA_LINE2>World"
PAYLOAD = b"\xfe\x01\xfe\x80Hello\xfe\xc0World"  # what TEXT translates to


def main():
    library = sys.argv[1]
    cycles = int(sys.argv[2]) if len(sys.argv) > 2 else 5000
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    line = PseudoTerminal(keep=False)
    path = line.path
    port_guard(os.environ, {1: path})  # never a real port: COM1 is the pty, the others go nowhere

    quillon = ctypes.CDLL(library)
    quillon.SysAllocStringByteLen.restype = ctypes.c_void_p
    quillon.SysAllocStringByteLen.argtypes = [ctypes.c_char_p, ctypes.c_uint]
    quillon.SysFreeString.argtypes = [ctypes.c_void_p]
    quillon.SER_SEND.argtypes = [ctypes.POINTER(ctypes.c_void_p)]

    def ours(n):
        handle = ctypes.c_void_p()
        start = time.perf_counter()
        for _ in range(n):
            handle.value = quillon.SysAllocStringByteLen(TEXT, len(TEXT))
            quillon.SER_OPEN(1, 9600)
            quillon.SER_SEND(ctypes.byref(handle))
            quillon.SER_CLOSE()
            quillon.SysFreeString(handle)
        return (time.perf_counter() - start) / n * 1e6

    def theirs(n):
        start = time.perf_counter()
        for _ in range(n):
            port = serial.Serial(path, 9600, bytesize=8, parity="N", stopbits=1,
                                 xonxoff=False, rtscts=False, dsrdtr=False)
            port.write(PAYLOAD)
            port.close()
        return (time.perf_counter() - start) / n * 1e6

    ours(200)  # warm-up
    theirs(200)
    mine, pyserial = [], []
    for _ in range(rounds):
        mine.append(ours(cycles))
        pyserial.append(theirs(cycles))
    a, b = statistics.median(mine), statistics.median(pyserial)
    print(f"{'quillon via ctypes (Python)':36} {a:8.1f} us per cycle")
    print(f"{'python3-serial (Python)':36} {b:8.1f} us per cycle")
    print(f"{'ratio':36} {a / b:8.2f} (ours / python3-serial; target <= 0.7)")
    line.close()


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main()
