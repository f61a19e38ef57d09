"""The shared library exports the seven functions and the three string-handle stand-ins, each
under the version node QUILLON_1, and nothing else (no std:: template instances leaking out as
weak symbols)."""
import subprocess
import sys

EXPECTED = {
    "SER_CLOSE", "SER_OPEN", "SER_RAWSEND", "SER_RAWSEND_BV", "SER_SEND", "SER_SEND_BV",
    "SER_VERSINFO", "SysAllocStringByteLen", "SysFreeString", "SysStringByteLen",
}
VERSION = "QUILLON_1"

output = subprocess.run(["nm", "-D", "--defined-only", sys.argv[1]], check=True,
                        capture_output=True, text=True).stdout
symbols = {line.split()[-1] for line in output.splitlines() if line.strip()}
# The version node shows as an absolute symbol of its own name.
symbols.discard(VERSION)
symbols.discard(VERSION + "@@" + VERSION)
expected = {name + "@@" + VERSION for name in EXPECTED}
if symbols != expected:
    print("unexpected:", sorted(symbols - expected), "missing:", sorted(expected - symbols))
    sys.exit(1)
