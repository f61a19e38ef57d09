"""Runs the Windows build's programs under Wine for the tests.

A throwaway Wine prefix per build tree; COM ports mapped in the prefix's registry (a symlink in
dosdevices alone does not hold: Wine rewrites those at start). Every one of COM1-COM8 is mapped,
to a pseudo-terminal of the test or to a path that does not exist, so that Wine never maps one
to a real port of the machine.

Each build runs through its own loader, called directly: Debian's wine, wineboot and regedit
commands always choose the 32-bit loader once it is installed, and a kernel without 32-bit
emulation refuses that loader ("Exec format error"), so an x64 build would fail there although
it needs nothing 32-bit. Only the i686 build uses the 32-bit loader, and its tests are skipped
where the machine cannot run it.
"""
import errno
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

UNUSED_PORT = "/nonexistent/quillon-wine-test/COM{}"
WINE_32 = "/usr/lib/wine/wine"
WINE_64 = "/usr/lib/wine/wine64"
LOADERS = {"i686": WINE_32, "x64": WINE_64}
# One server serves a prefix's 32-bit and 64-bit programs alike; Debian's wineserver command
# runs this 64-bit one too.
WINESERVER = "/usr/lib/wine/wineserver64"
# The machine field of a program's PE header.
PE_MACHINES = {0x014C: "i686", 0x8664: "x64"}
# CTest's SKIP_RETURN_CODE for the Wine tests (cmake/WineTests.cmake).
SKIPPED = 77


def wine_environment(prefix, loader):
    # The Windows programs see the Unix environment too: the ports are mapped in the prefix's
    # registry instead, so QUILLON_COMn and the system ports folder must not reach them.
    env = {name: value for name, value in os.environ.items()
           if not name.startswith("QUILLON_COM") and name != "QUILLON_SYSCONFDIR"}
    # Wine starts further processes (wineboot's helpers, say) through WINELOADER, and finds the
    # other architecture's loader from it. XDG_CONFIG_HOME inside the throwaway prefix keeps
    # the user's own fontconfig settings from changing how the window is drawn.
    env.update(WINEPREFIX=prefix, WINELOADER=loader, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=",
               XDG_CONFIG_HOME=os.path.join(prefix, "xdg-config"))
    return env


def program_architecture(program):
    """"i686" or "x64": the machine a Windows program is built for, from its PE header."""
    with open(program, "rb") as f:
        head = f.read(4096)
    pe = struct.unpack_from("<I", head, 0x3C)[0] if len(head) >= 0x40 else 0
    if head[:2] != b"MZ" or head[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{program} is not a Windows program")
    machine = struct.unpack_from("<H", head, pe + 4)[0]
    if machine not in PE_MACHINES:
        raise ValueError(f"{program} is built for machine {machine:#x}")
    return PE_MACHINES[machine]


def no_32bit_reason(loader=WINE_32, environ=None):
    """Why this machine cannot run 32-bit x86 programs, or None when it can. Asked of the
    kernel by starting the 32-bit loader, since a kernel without 32-bit emulation refuses it with
    ENOEXEC even when it is installed. QUILLON_NO_32BIT=1 forces the "cannot" answer, so that
    the handling of such machines can be tried on any machine."""
    environ = os.environ if environ is None else environ
    if environ.get("QUILLON_NO_32BIT", "0") not in ("", "0"):
        return "QUILLON_NO_32BIT is set: 32-bit x86 programs are taken as unable to run here"
    try:
        subprocess.run([loader, "--version"], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60,
                       check=True)
    except FileNotFoundError:
        return f"{loader} is not installed (Debian's wine32:i386)"
    except OSError as e:
        if e.errno == errno.ENOEXEC:
            return f"this kernel cannot run 32-bit x86 programs ({loader}: {e.strerror})"
        return f"{loader} cannot be started ({e.strerror})"
    except subprocess.CalledProcessError as e:
        return f"32-bit x86 programs do not run here ({loader} --version exits with {e.returncode})"
    return None


def why_cannot_run(architecture):
    """Why the programs of a Windows build for this architecture cannot run under Wine here,
    or None."""
    loader = LOADERS[architecture]
    for program in (WINE_64, WINESERVER):
        if not os.access(program, os.X_OK):
            return (f"{program} is not installed (scripts/test installs Wine unless "
                    "QUILLON_SKIP_WINDOWS=1)")
    return no_32bit_reason(loader) if architecture == "i686" else None


def exit_if_cannot_run(architecture):
    """Ends a test program as skipped, saying why, where Wine cannot run this architecture."""
    reason = why_cannot_run(architecture)
    if reason:
        print(f"skipped: {architecture} programs under Wine: {reason}")
        sys.exit(SKIPPED)


class Prefix:
    def __init__(self, path, architecture):
        self.path = os.path.abspath(path)
        self.loader = LOADERS[architecture]
        self.env = wine_environment(self.path, self.loader)

    def ensure(self):
        """Makes the prefix once; later calls find it ready."""
        ready = os.path.join(self.path, ".quillon-ready")
        if os.path.exists(ready):
            return
        shutil.rmtree(self.path, ignore_errors=True)
        os.makedirs(self.path)
        subprocess.run([self.loader, "wineboot.exe", "--init"], env=self.env, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)
        self.wait_for_server()
        open(ready, "w").close()

    def wait_for_server(self):
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=120, stdin=subprocess.DEVNULL)

    def map_ports(self, ports):
        """ports: {number: path} for some of 1-8; the others go to paths that do not exist."""
        lines = ["REGEDIT4", "", r"[HKEY_LOCAL_MACHINE\Software\Wine\Ports]"]
        for n in range(1, 9):
            lines.append(f'"COM{n}"="{ports.get(n, UNUSED_PORT.format(n))}"')
        with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as f:
            f.write("\r\n".join(lines) + "\r\n")
            reg_file = f.name
        try:
            subprocess.run([self.loader, "regedit.exe", "/S", reg_file], env=self.env, check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=120)
        finally:
            os.unlink(reg_file)
        # The mapping is read when the server starts: restart it.
        subprocess.run([WINESERVER, "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        self.wait_for_server()

    def run(self, program, *args, cwd=None, timeout=120, extra_env=None):
        """Runs a program to its end. Its output goes through files, not pipes: Wine's helper
        processes, started on demand, inherit the output of the program that started them and
        would hold a pipe open long after it ended."""
        env = dict(self.env)
        env.update(extra_env or {})
        code, out, err = self._run_once_more_if_lost(program, args, env, cwd, timeout, b"")
        return subprocess.CompletedProcess([self.loader, program, *args], code,
                                           out.decode(errors="replace"),
                                           err.decode(errors="replace"))

    def run_bytes(self, program, *args, stdin=b"", cwd=None, timeout=120):
        """Runs a program with stdin from the given bytes; returns (exit code, stdout bytes)."""
        code, out, _ = self._run_once_more_if_lost(program, args, self.env, cwd, timeout, stdin)
        return code, out

    def _run_once_more_if_lost(self, program, args, env, cwd, timeout, stdin):
        # A program that starts just as the prefix's server ends after its idle time (3 s)
        # cannot reach it ("wine client error: ... Connection reset by peer") and never ran:
        # it is started once more, when a new server is there.
        for attempt in range(2):
            with tempfile.TemporaryFile() as given, tempfile.TemporaryFile() as out, \
                    tempfile.TemporaryFile() as err:
                given.write(stdin)
                given.seek(0)
                process = subprocess.run([self.loader, program, *args], env=env, cwd=cwd,
                                         timeout=timeout, stdin=given, stdout=out, stderr=err)
                out.seek(0)
                err.seek(0)
                result = (process.returncode, out.read(), err.read())
            if attempt == 0 and not result[1] and b"wine client error" in result[2]:
                continue
            return result
        return result

    def start(self, program, *args, cwd=None, extra_env=None, log=None, stdin=None):
        """Starts a program and leaves it running; its output goes to the file log, its input
        comes from the file stdin (nothing when None)."""
        env = dict(self.env)
        env.update(extra_env or {})
        return subprocess.Popen([self.loader, program, *args], env=env, cwd=cwd,
                                stdout=log or subprocess.DEVNULL, stderr=subprocess.STDOUT,
                                stdin=stdin or subprocess.DEVNULL)


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


# The one configuration the C++ and the Python fixtures both fill in.
SER2NET_TEMPLATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "testing", "ser2net.yaml.in")


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
        with open(SER2NET_TEMPLATE) as f:
            text = f.read()
        for mark, value in (("@RFC2217_PORT@", self.rfc2217_port), ("@TCP_PORT@", self.tcp_port),
                            ("@DEVICE@", device)):
            text = text.replace(mark, str(value))
        with open(config, "w") as f:
            f.write(text)
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
