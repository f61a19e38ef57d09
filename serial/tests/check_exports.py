"""The shared library exports the seven functions and the three string-handle stand-ins,
and nothing else (no std:: template instances leaking out as weak symbols)."""
import subprocess
import sys

EXPECTED = {
    "SER_CLOSE", "SER_OPEN", "SER_RAWSEND", "SER_RAWSEND_BV", "SER_SEND", "SER_SEND_BV",
    "SER_VERSINFO", "SysAllocStringByteLen", "SysFreeString", "SysStringByteLen",
}

output = subprocess.run(["nm", "-D", "--defined-only", sys.argv[1]], check=True,
                        capture_output=True, text=True).stdout
names = {line.split()[-1].split("@")[0] for line in output.splitlines() if line.strip()}
if names != EXPECTED:
    print("unexpected:", sorted(names - EXPECTED), "missing:", sorted(EXPECTED - names))
    sys.exit(1)
