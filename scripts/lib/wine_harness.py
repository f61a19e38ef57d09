"""Runs the Windows build's programs under Wine for the tests.

A throwaway Wine prefix per build tree; COM ports mapped in the prefix's registry (a symlink in
dosdevices alone does not hold: Wine rewrites those at start). Every one of COM1-COM8 is mapped,
to a pseudo-terminal of the test or to a path that does not exist, so that Wine never maps one
to a real port of the machine.
"""
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import threading
import time

UNUSED_PORT = "/nonexistent/quillon-wine-test/COM{}"


def wine_environment(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def wine_is_missing():
    """Why Wine cannot run the programs here, or None."""
    if shutil.which("wine") is None:
        return "wine is not installed (scripts/test installs it unless QUILLON_SKIP_WINDOWS=1)"
    return None


class Prefix:
    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.env = wine_environment(self.path)

    def ensure(self):
        """Makes the prefix once; later calls find it ready."""
        ready = os.path.join(self.path, ".quillon-ready")
        if os.path.exists(ready):
            return
        shutil.rmtree(self.path, ignore_errors=True)
        os.makedirs(self.path)
        subprocess.run(["wineboot", "--init"], env=self.env, check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        self.wait_for_server()
        open(ready, "w").close()

    def wait_for_server(self):
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=120, stdin=subprocess.DEVNULL)

    def map_ports(self, ports):
        """ports: {number: path} for some of 1-8; the others go to paths that do not exist."""
        lines = ["REGEDIT4", "", r"[HKEY_LOCAL_MACHINE\Software\Wine\Ports]"]
        for n in range(1, 9):
            lines.append(f'"COM{n}"="{ports.get(n, UNUSED_PORT.format(n))}"')
        with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as f:
            f.write("\r\n".join(lines) + "\r\n")
            reg_file = f.name
        try:
            subprocess.run(["wine", "regedit", "/S", reg_file], env=self.env, check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=120)
        finally:
            os.unlink(reg_file)
        # The mapping is read when the server starts: restart it.
        subprocess.run(["wineserver", "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        self.wait_for_server()

    def run(self, program, *args, cwd=None, timeout=120, extra_env=None):
        """Runs a program to its end. Its output goes through files, not pipes: Wine's helper
        processes, started on demand, inherit the output of the program that started them and
        would hold a pipe open long after it ended."""
        env = dict(self.env)
        env.update(extra_env or {})
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.run(["wine", program, *args], env=env, cwd=cwd, timeout=timeout,
                                     stdout=out, stderr=err, stdin=subprocess.DEVNULL)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(
                process.args, process.returncode,
                out.read().decode(errors="replace"), err.read().decode(errors="replace"))

    def run_bytes(self, program, *args, stdin=b"", cwd=None, timeout=120):
        """Runs a program with stdin from the given bytes; returns (exit code, stdout bytes)."""
        with tempfile.TemporaryFile() as given, tempfile.TemporaryFile() as out:
            given.write(stdin)
            given.seek(0)
            process = subprocess.run(["wine", program, *args], env=self.env, cwd=cwd,
                                     timeout=timeout, stdin=given, stdout=out,
                                     stderr=subprocess.DEVNULL)
            out.seek(0)
            return process.returncode, out.read()

    def start(self, program, *args, cwd=None, extra_env=None, log=None, stdin=None):
        """Starts a program and leaves it running; its output goes to the file log, its input
        comes from the file stdin (nothing when None)."""
        env = dict(self.env)
        env.update(extra_env or {})
        return subprocess.Popen(["wine", program, *args], env=env, cwd=cwd,
                                stdout=log or subprocess.DEVNULL, stderr=subprocess.STDOUT,
                                stdin=stdin or subprocess.DEVNULL)


class PseudoTerminal:
    """A pty whose master is drained by a thread; one slave descriptor stays open so the master
    never sees a hang-up between two opens of the port. With drain=False nothing is read until
    start_draining(): what is written then stays in the pty, as on a line nobody reads."""

    def __init__(self, drain=True):
        self.master, self.slave = os.openpty()
        self.path = os.ttyname(self.slave)
        self.received = bytearray()
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


def free_local_port():
    """A port of 127.0.0.1 that nothing listens on at the moment of the call."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def ser2net_program():
    for folder in os.environ.get("PATH", "").split(os.pathsep) + ["/usr/sbin", "/sbin"]:
        candidate = os.path.join(folder, "ser2net")
        if folder and os.access(candidate, os.X_OK):
            return candidate
    return None


def ser2net_is_missing():
    """Why ser2net cannot be run here, or None."""
    if ser2net_program() is None:
        return "ser2net is not installed (scripts/test installs it: Debian package ser2net)"
    return None


def _listening(port):
    """Whether something listens on 127.0.0.1:port, from the kernel's table: connecting to find
    out would make ser2net open its device."""
    wanted = "0100007F:%04X" % port
    with open("/proc/net/tcp") as table:
        for line in table.readlines()[1:]:
            fields = line.split()
            if fields[1] == wanted and fields[3] == "0A":  # 0A: TCP_LISTEN
                return True
    return False


class Ser2net:
    """ser2net on 127.0.0.1 serving one device on two accepters: telnet with COM-PORT-OPTION
    (rfc2217) and raw tcp, the device line at 9600n81. Ready when the constructor returns; close()
    ends it by its pid."""

    def __init__(self, device):
        self.folder = tempfile.mkdtemp(prefix="quillon-ser2net-")
        with socket.socket() as a, socket.socket() as b:
            a.bind(("127.0.0.1", 0))
            b.bind(("127.0.0.1", 0))
            self.rfc2217_port, self.tcp_port = a.getsockname()[1], b.getsockname()[1]
        config = os.path.join(self.folder, "ser2net.yaml")
        with open(config, "w") as f:
            f.write("%YAML 1.1\n---\n"
                    "connection: &rfc\n"
                    f"  accepter: telnet(rfc2217),tcp,127.0.0.1,{self.rfc2217_port}\n"
                    f"  connector: serialdev,{device},9600n81,local\n"
                    "connection: &raw\n"
                    f"  accepter: tcp,127.0.0.1,{self.tcp_port}\n"
                    f"  connector: serialdev,{device},9600n81,local\n")
        self.log = os.path.join(self.folder, "ser2net.log")
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen(
                [ser2net_program(), "-n", "-d", "-c", config, "-P",
                 os.path.join(self.folder, "ser2net.pid")],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 10
        while not (_listening(self.rfc2217_port) and _listening(self.tcp_port)):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.close()
                with open(self.log, errors="replace") as log:
                    raise RuntimeError("ser2net did not start listening: " + log.read())
            time.sleep(0.01)

    @property
    def rfc2217_target(self):
        return f"rfc2217://127.0.0.1:{self.rfc2217_port}"

    @property
    def tcp_target(self):
        return f"tcp://127.0.0.1:{self.tcp_port}"

    def close(self):
        if self.process.poll() is None:
            os.kill(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.kill(self.process.pid, signal.SIGKILL)
                self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)
