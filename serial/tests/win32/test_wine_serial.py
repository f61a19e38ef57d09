"""The Windows build of the library under Wine: exports, and real sends to pseudo-terminals.

Usage: test_wine_serial.py WINDOWS_BUILD_DIR WINE_PREFIX [unittest options]

Wine does not enforce the exclusive (share mode 0) opening of COM ports, so that case is
tested on Linux only. Nor can Wine show a missing port: it opens a COM port whose mapping points
nowhere as a device of its own that swallows what is written. A port that cannot be opened is
shown here with a mapping to a directory.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import termios
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "scripts", "lib"))
from quillon_testing.pty import PseudoTerminal  # noqa: E402
from quillon_testing import wine_harness  # noqa: E402

BUILD = PREFIX = ARCHITECTURE = None


class WineSerialTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.bin = os.path.join(BUILD, "bin")
        cls.prefix = wine_harness.Prefix(PREFIX, ARCHITECTURE)
        cls.prefix.ensure()
        cls.com1 = PseudoTerminal()
        cls.com2 = PseudoTerminal()
        cls.unopenable = tempfile.mkdtemp(prefix="quillon-not-a-port-")
        cls.prefix.map_ports({1: cls.com1.path, 2: cls.com2.path, 3: cls.unopenable})

    @classmethod
    def tearDownClass(cls):
        cls.prefix.wait_for_server()
        cls.com1.close()
        cls.com2.close()
        os.rmdir(cls.unopenable)

    def probe(self, *args):
        result = self.prefix.run(os.path.join(self.bin, "serial_probe.exe"), *args, cwd=self.bin)
        # Wine exits 0 even when it cannot start a program: judge by what the program printed.
        self.assertIn("close" if args[0] == "send" else "", result.stdout,
                      f"no output from the probe; stderr: {result.stderr}")
        return result.stdout

    def send(self, port, baud, how, data):
        return self.probe("send", str(port), str(baud), how, data.hex())

    def test_every_function_is_found_by_name_and_by_ordinal(self):
        modules = ["quillon.dll"]
        if os.path.exists(os.path.join(self.bin, "quillon.exe")):
            modules.append("quillon.exe")
        for module in modules:
            with self.subTest(module=module):
                out = self.probe("exports", module)
                self.assertEqual(out.count(" ok"), 7, out)

    def test_version_text(self):
        self.assertIn("version v1.0, 26 May 2000, https://", self.probe("version"))

    def test_translated_send_reaches_the_line_at_each_rate(self):
        for baud in (1200, 2400, 4800, 9600):
            with self.subTest(baud=baud):
                self.com1.take()
                out = self.send(1, baud, "send", b"<LMA_CLS>Hi<CR,LF>")
                self.assertIn("open 1", out)
                self.assertIn("after 254 1 254 128 72 105 13 10", out)
                expected = bytes([254, 1, 254, 128, 72, 105, 13, 10])
                self.assertEqual(self.com1.wait_for(len(expected)), expected)
                speed = termios.tcgetattr(self.com1.slave)[5]
                self.assertEqual(speed, getattr(termios, f"B{baud}"))
        stty = subprocess.run(["stty", "-F", self.com1.path], capture_output=True, text=True)
        self.assertIn("speed 9600 baud", stty.stdout)

    def test_every_byte_value_passes_unchanged(self):
        everything = bytes(range(256))
        for how in ("raw", "raw_bv"):
            with self.subTest(how=how):
                self.com2.take()
                out = self.send(2, 4800, how, everything)
                self.assertIn("open 1", out)
                self.assertEqual(self.com2.wait_for(256), everything)

    def test_send_by_value_translates(self):
        self.com1.take()
        self.send(1, 9600, "send_bv", b"<60>13>")
        self.assertEqual(self.com1.wait_for(1), b"\r")

    def test_a_port_that_cannot_be_opened_is_refused(self):
        out = self.send(3, 9600, "send", b"<13>")
        self.assertIn("open 0", out)
        self.assertIn("after 13", out)  # the caller's string is translated all the same

    def test_command_line_sender_passes_bytes_unchanged(self):
        sender = os.path.join(self.bin, "quillon-send.exe")
        everything = bytes(b for b in range(256) if b != ord("<"))
        code, out = self.prefix.run_bytes(sender, "--dry-run", stdin=everything, cwd=self.bin)
        self.assertEqual((code, out), (0, everything))
        code, out = self.prefix.run_bytes(sender, "--dry-run", "<LMA_CLS>Hi<CR,LF>", cwd=self.bin)
        self.assertEqual((code, out), (0, bytes([254, 1, 254, 128, 72, 105, 13, 10])))

    def test_command_line_sender_sends_to_a_port(self):
        self.com2.take()
        sender = os.path.join(self.bin, "quillon-send.exe")
        code, _ = self.prefix.run_bytes(sender, "-p", "2", "-b", "2400", stdin=b"<13>\r\n\x00",
                                        cwd=self.bin)
        self.assertEqual(code, 0)
        self.assertEqual(self.com2.wait_for(4), bytes([13, 13, 10, 0]))
        self.assertEqual(termios.tcgetattr(self.com2.slave)[5], termios.B2400)

    def test_the_ports_file_in_appdata_points_a_com_port_elsewhere_and_speaks_windows(self):
        # %APPDATA%\quillon\ports.conf: COM6 reaches COM2's terminal by its device name; --map,
        # --list and --help name Windows places and devices.
        users = os.path.join(self.prefix.path, "drive_c", "users")
        roaming = [os.path.join(users, name, "AppData", "Roaming") for name in os.listdir(users)
                   if os.path.isdir(os.path.join(users, name, "AppData", "Roaming"))]
        self.assertTrue(roaming, "the prefix has no AppData folder")
        folder = os.path.join(roaming[0], "quillon")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "ports.conf"), "w") as f:
            f.write("# written by the test\r\nCOM6 = \\\\.\\COM2\r\n")
        sender = os.path.join(self.bin, "quillon-send.exe")
        try:
            self.com2.take()
            code, _ = self.prefix.run_bytes(sender, "-p", "6", "via<13>", cwd=self.bin)
            self.assertEqual(code, 0)
            self.assertEqual(self.com2.wait_for(4), b"via\r")

            # --map takes the Windows name that --list suggests, and writes the device name.
            mapped = self.prefix.run(sender, "--map", "COM7=com2", cwd=self.bin)
            self.assertEqual(mapped.returncode, 0, mapped.stderr)
            self.assertRegex(mapped.stdout, r"^COM7 = \\\\\.\\COM2 in .*\\quillon\\ports\.conf")
            with open(os.path.join(folder, "ports.conf")) as f:
                self.assertTrue(f.read().endswith("COM7 = \\\\.\\COM2\n"))
            self.com2.take()
            code, _ = self.prefix.run_bytes(sender, "-p", "7", "map<13>", cwd=self.bin)
            self.assertEqual((code, self.com2.wait_for(4)), (0, b"map\r"))

            listed = self.prefix.run(sender, "--list", cwd=self.bin)
            self.assertEqual(listed.returncode, 0, listed.stderr)
            self.assertIn("COM7  \\\\.\\COM2  (", listed.stdout)
            helped = self.prefix.run(sender, "--help", cwd=self.bin)
            self.assertIn("%APPDATA%\\quillon\\ports.conf", helped.stdout)
            for text in (listed.stdout, helped.stdout):
                for linux_word in ("/dev/", "~/.config", "dialout", "/etc/"):
                    self.assertNotIn(linux_word, text)
        finally:
            shutil.rmtree(folder)

    def test_a_device_path_that_is_no_port_is_refused_and_never_created(self):
        sender = os.path.join(self.bin, "quillon-send.exe")
        with tempfile.TemporaryDirectory(prefix="quillon-wine-device-") as folder:
            notes = os.path.join(folder, "notes.txt")
            with open(notes, "wb") as f:
                f.write(b"keep me")
            missing = os.path.join(folder, "missing.txt")
            for path in (notes, missing, folder):
                with self.subTest(path=os.path.basename(path)):
                    code, _ = self.prefix.run_bytes(sender, "--device", "Z:" + path, "HELLO",
                                                    cwd=self.bin)
                    self.assertEqual(code, 1)
            with open(notes, "rb") as f:
                self.assertEqual(f.read(), b"keep me")
            self.assertEqual(sorted(os.listdir(folder)), ["notes.txt"])

    def test_command_line_sender_reaches_a_device_behind_ser2net(self):
        missing = wine_harness.ser2net_is_missing()
        if missing:
            self.skipTest(missing)
        sender = os.path.join(self.bin, "quillon-send.exe")
        everything = bytes(range(256))
        for kind in ("tcp", "rfc2217"):
            with self.subTest(kind=kind):
                # A server of its own each time: ser2net lets its device go only after the
                # connection that used it.
                pty = PseudoTerminal()
                server = wine_harness.Ser2net(pty.path)
                try:
                    target = server.tcp_target if kind == "tcp" else server.rfc2217_target
                    code, _ = self.prefix.run_bytes(sender, "--raw", "--device", target,
                                                    stdin=everything, cwd=self.bin)
                    self.assertEqual(code, 0)
                    self.assertEqual(pty.wait_for(256), everything)
                finally:
                    server.close()
                    pty.close()

    def test_rfc2217_sets_the_rate_of_the_device_behind_ser2net(self):
        missing = wine_harness.ser2net_is_missing()
        if missing:
            self.skipTest(missing)
        sender = os.path.join(self.bin, "quillon-send.exe")
        # Nobody reads the pty at first: ser2net keeps the device open, at the rate the send
        # set, for as long as it holds bytes the device has not taken.
        pty = PseudoTerminal(drain=False)
        server = wine_harness.Ser2net(pty.path)
        data = bytes(i % 251 for i in range(65536))
        try:
            with tempfile.TemporaryFile() as log, tempfile.TemporaryFile() as given:
                given.write(data)
                given.seek(0)
                process = self.prefix.start(sender, "-b", "1200", "--raw", "--device",
                                            server.rfc2217_target, log=log, stdin=given)
                speed = None
                deadline = time.monotonic() + 30
                while time.monotonic() < deadline and speed != termios.B1200:
                    speed = termios.tcgetattr(pty.slave)[5]
                    time.sleep(0.01)
                self.assertEqual(speed, termios.B1200)
                pty.start_draining()
                self.assertEqual(pty.wait_for(len(data)), data)
                self.assertEqual(process.wait(timeout=60), 0)
        finally:
            server.close()
            pty.close()

    def test_command_line_sender_names_a_refused_connection(self):
        sender = os.path.join(self.bin, "quillon-send.exe")
        target = f"rfc2217://127.0.0.1:{wine_harness.free_local_port()}"
        result = self.prefix.run(sender, "--device", target, "x", cwd=self.bin)
        self.assertEqual(result.returncode, 1)
        self.assertIn(f"cannot connect to {target}: connection refused", result.stderr)

    def test_refused_arguments(self):
        for port, baud in ((0, 9600), (9, 9600), (1, 19200)):
            with self.subTest(port=port, baud=baud):
                self.assertIn("open 0", self.send(port, baud, "raw", b"x"))


if __name__ == "__main__":
    BUILD, PREFIX = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    ARCHITECTURE = wine_harness.program_architecture(os.path.join(BUILD, "bin", "quillon.dll"))
    wine_harness.exit_if_cannot_run(ARCHITECTURE)
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
