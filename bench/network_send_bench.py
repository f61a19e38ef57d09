#!/usr/bin/env python3
"""Times quillon-send through the real ser2net, one process per send, over tcp:// and rfc2217://.

ser2net serves a pseudo-terminal that a thread reads all the time; every send is a short text,
opened, written and closed by its own quillon-send process, as a user's script would. Prints the
median and the slowest send of each kind, the first send after ser2net started on its own, and
whether every byte arrived in order.

Usage: bench/network_send_bench.py QUILLON_SEND [SENDS]
"""
import os
import socket
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "scripts", "lib"))
from quillon_testing.pty import PseudoTerminal, port_guard  # noqa: E402

CONFIG = """%YAML 1.1
---
connection: &rfc
  accepter: telnet(rfc2217),tcp,127.0.0.1,{rfc}
  connector: serialdev,{device},9600n81,local
connection: &raw
  accepter: tcp,127.0.0.1,{raw}
  connector: serialdev,{device},9600n81,local
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    wanted = "0100007F:%04X" % port
    with open("/proc/net/tcp") as table:
        return any(line.split()[1:4:2] == [wanted, "0A"] for line in table if line.strip())


def run_kind(program, kind, sends):
    """Starts a ser2net of its own, sends, and returns the times and whether all arrived."""
    line = PseudoTerminal()
    folder = tempfile.mkdtemp(prefix="quillon-bench-net-")
    ports = {"rfc": free_port(), "raw": free_port()}
    with open(folder + "/ser2net.yaml", "w") as config:
        config.write(CONFIG.format(device=line.path, **ports))
    server = subprocess.Popen(
        ["/usr/sbin/ser2net", "-n", "-c", folder + "/ser2net.yaml", "-P", folder + "/pid"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        end = time.monotonic() + 10
        while not (listening(ports["rfc"]) and listening(ports["raw"])):
            if time.monotonic() > end:
                sys.exit("ser2net did not listen within 10 s")
            time.sleep(0.01)
        target = "%s://127.0.0.1:%d" % (kind, ports["rfc" if kind == "rfc2217" else "raw"])
        environment = port_guard(dict(os.environ))
        times, expected, failures = [], b"", 0
        for i in range(sends):
            text = "Hello %d" % i
            start = time.monotonic()
            done = subprocess.run([program, "--device", target, "--raw", text],
                                  env=environment, capture_output=True)
            times.append(time.monotonic() - start)
            failures += done.returncode != 0
            expected += text.encode()
        arrived = line.wait_for(len(expected)) == expected
        return times, arrived and failures == 0
    finally:
        server.terminate()
        server.wait()
        line.close()


def main(program, sends):
    for kind in ("tcp", "rfc2217"):
        times, whole = run_kind(program, kind, sends)
        print("%-8s median %6.1f ms  slowest %6.1f ms  first %6.1f ms  (%d sends, %s)" % (
            kind, statistics.median(times) * 1000, max(times) * 1000, times[0] * 1000,
            len(times), "every byte arrived" if whole else "BYTES MISSING or a send failed"))


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) == 3 else 30)
