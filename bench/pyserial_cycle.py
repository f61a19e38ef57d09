#!/usr/bin/python3
"""The same open-write-close cycle with Debian's python3-serial, for comparison: open a
pseudo-terminal at 9600 8N1 without flow control, write the bytes that
"<LMA_CLS>Hello<LMA_LINE2>World" translates to, close. Prints microseconds per cycle."""
import os
import sys
import threading
import time

import serial

CYCLES = int(sys.argv[1]) if len(sys.argv) > 1 else 20000
PAYLOAD = b"\xfe\x01\xfe\x80Hello\xfe\xc0World"  # the translated text


def drain(master, stop):
    while not stop.is_set():
        try:
            os.read(master, 4096)
        except OSError:
            return


def main():
    master, slave = os.openpty()  # the slave stays open: no hang-up
    path = os.ttyname(slave)
    stop = threading.Event()
    reader = threading.Thread(target=drain, args=(master, stop), daemon=True)
    reader.start()
    for _ in range(200):  # warm-up
        port = serial.Serial(path, 9600, bytesize=8, parity="N", stopbits=1,
                             xonxoff=False, rtscts=False, dsrdtr=False)
        port.write(PAYLOAD)
        port.close()
    start = time.perf_counter()
    for _ in range(CYCLES):
        port = serial.Serial(path, 9600, bytesize=8, parity="N", stopbits=1,
                             xonxoff=False, rtscts=False, dsrdtr=False)
        port.write(PAYLOAD)
        port.close()
    elapsed = time.perf_counter() - start
    stop.set()
    print(f"python3-serial open-write-close: {elapsed / CYCLES * 1e6:.1f} us per cycle")
    os.close(slave)


if __name__ == "__main__":
    main()
