"""The pseudo-terminal that the Python tests use as a serial port: the slave's path is what a
COM port is mapped to, the master is where the test reads what arrived."""
import os
import select
import shlex
import threading
import time


class PseudoTerminal:
    """A pty whose master is drained by a thread; one slave descriptor stays open so the master
    never sees a hang-up between two opens of the port. With drain=False nothing is read until
    start_draining(): what is written then stays in the pty, as on a line nobody reads. With
    keep=False the drain throws away what it reads, for a benchmark that only needs the line
    to flow."""

    def __init__(self, drain=True, keep=True):
        self.master, self.slave = os.openpty()
        self.path = os.ttyname(self.slave)
        self.received = bytearray()
        self._keep = keep
        self._lock = threading.Lock()
        self._thread = threading.Thread(target=self._drain, daemon=True)
        if drain:
            self._thread.start()

    def start_draining(self):
        self._thread.start()

    def _drain(self):
        while True:
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                return
            if not chunk:
                return
            if not self._keep:
                continue
            with self._lock:
                self.received += chunk

    def wait_for(self, count, seconds=20):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            with self._lock:
                if len(self.received) >= count:
                    return bytes(self.received)
            time.sleep(0.01)
        with self._lock:
            return bytes(self.received)

    def take(self):
        with self._lock:
            data = bytes(self.received)
            self.received.clear()
            return data

    def close(self):
        os.close(self.slave)
        os.close(self.master)

    def read(self, count, bound=10.0):
        """Reads the master directly (for a terminal made with drain=False) until count bytes
        have come or the bound has passed."""
        data = b""
        deadline = time.monotonic() + bound
        while len(data) < count:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.master], [], [], left)[0]:
                break
            data += os.read(self.master, 4096)
        return data


def port_guard(environment, mapped=None):
    """Maps all eight COM ports in `environment` (a dict such as os.environ): the mapped ones to
    their paths, every other one to a path that does not exist, since an unmapped COM1 is the
    machine's /dev/ttyS0. Returns the environment."""
    mapped = mapped or {}
    for port in range(1, 9):
        environment[f"QUILLON_COM{port}"] = mapped.get(port, f"/nonexistent/quillon-test/COM{port}")
    return environment


if __name__ == "__main__":
    # For a shell script: the guard as export lines, eval "$(python3 -m quillon_testing.pty)".
    for name, value in sorted(port_guard({}).items()):
        print(f"export {name}={shlex.quote(value)}")
