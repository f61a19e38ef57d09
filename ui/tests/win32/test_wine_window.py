"""The Windows build of the window under Wine, on a private Xvfb: it starts whatever arguments
it is given, sends what is typed to the chosen port at the chosen rate when Send is clicked,
empties the text box only when asked, and exits with 0 when closed from the system menu. Also
runs the Win32 window system's own tests on the dialog manager, which need the display too.

Usage: test_wine_window.py WINDOWS_BUILD_DIR WINE_PREFIX [unittest options]
"""
import os
import shutil
import sys
import tempfile
import termios
import unittest

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "..", "..", "scripts", "lib"))
import run_under_wine  # noqa: E402
from quillon_testing.pty import PseudoTerminal  # noqa: E402
from quillon_testing import wine_harness  # noqa: E402
from quillon_testing import x11_client  # noqa: E402

BUILD = PREFIX = ARCHITECTURE = None


class WineWindowTest(unittest.TestCase):
    def setUp(self):
        self.bin = os.path.join(BUILD, "bin")
        self.prefix = wine_harness.Prefix(PREFIX, ARCHITECTURE)
        self.prefix.ensure()
        self.com1 = PseudoTerminal()
        self.com8 = PseudoTerminal()
        self.addCleanup(self.com1.close)
        self.addCleanup(self.com8.close)
        self.prefix.map_ports({1: self.com1.path, 8: self.com8.path})
        self.xvfb = x11_client.Xvfb()
        self.addCleanup(self.xvfb.close)
        self.display = {"DISPLAY": self.xvfb.display}
        self.log = tempfile.TemporaryFile()
        self.addCleanup(self.log.close)

    def probe(self, *args):
        result = self.prefix.run(os.path.join(self.bin, "window_probe.exe"), *args, cwd=self.bin,
                                 extra_env=self.display, timeout=120)
        # Wine exits 0 even when it cannot start a program: judge by what the probe printed.
        self.assertIn("window found", result.stdout, result.stderr[-2000:])
        return result.stdout

    def test_send_from_the_window_then_close(self):
        app = self.prefix.start(os.path.join(self.bin, "quillon.exe"), "--ignored", "-platform",
                                "x", cwd=self.bin, extra_env=self.display, log=self.log)
        try:
            # COM1 at 9600, box not ticked: the text stays and goes out translated; é is 233.
            out = self.probe("send", "<LMA_CLS>Hi\u00e9".encode("cp1252").hex(), "1", "9600", "0")
            self.assertEqual(self.com1.wait_for(7), bytes([254, 1, 254, 128, 72, 105, 233]))
            self.assertEqual(termios.tcgetattr(self.com1.slave)[5], termios.B9600)
            self.assertIn("text after: [<LMA_CLS>Hi", out)

            # COM8 at 1200 with the box ticked: sent, then emptied. Two lines: 13 10 between.
            out = self.probe("send", b"<13>A\r\nB".hex(), "8", "1200", "1")
            self.assertEqual(self.com8.wait_for(5), bytes([13, 65, 13, 10, 66]))
            self.assertEqual(termios.tcgetattr(self.com8.slave)[5], termios.B1200)
            self.assertIn("text after: []", out)

            # WM_QUIT posted to the window's thread is taken and ends nothing: Enter pressed on
            # the COM8 button afterwards still sends, as the default button.
            self.assertIn("quit posted", self.probe("quit"))
            self.assertIn("enter posted", self.probe("enter", b"Q<13>".hex(), "170"))
            self.assertEqual(self.com8.wait_for(7), bytes([13, 65, 13, 10, 66, 81, 13]))

            self.assertIn("closed", self.probe("close"))
            self.assertEqual(app.wait(timeout=60), 0)
        finally:
            if app.poll() is None:
                app.kill()
                app.wait()
            self.prefix.wait_for_server()

    def test_failed_send_says_why_in_a_warning_box(self):
        # A path under the prefix's C: that does not exist: the open fails as for a missing port.
        missing = "C:\\quillon-missing\\COM3"
        app = self.prefix.start(os.path.join(self.bin, "quillon.exe"), cwd=self.bin,
                                extra_env={**self.display, "QUILLON_COM3": missing},
                                log=self.log)
        try:
            for key in (13, 27):  # Enter, then Escape
                out = self.probe("warned", b"kept".hex(), "3", str(key))
                self.assertIn("warning: [COM3 not found: " + missing + " does not exist; set "
                              "QUILLON_COM3 to the port's device", out)
                self.assertIn("] icon 1\r\ntext after: [kept]", out)  # printf in text mode
            # The window is still usable: a good port still sends.
            self.probe("send", b"ok".hex(), "1", "9600", "0")
            self.assertEqual(self.com1.wait_for(2), b"ok")
            self.assertIn("closed", self.probe("close"))
            self.assertEqual(app.wait(timeout=60), 0)
        finally:
            if app.poll() is None:
                app.kill()
                app.wait()
            self.prefix.wait_for_server()

    def test_window_system_on_the_dialog_manager(self):
        program = os.path.join(BUILD, "tests", "ui_window_system_tests.exe")
        # Wine exits 0 even when it cannot start a program: judge by GoogleTest's XML result.
        results = tempfile.mkdtemp(prefix="quillon-gtest-")
        self.addCleanup(shutil.rmtree, results)
        xml_path = os.path.join(results, "result.xml")
        output = "--gtest_output=xml:" + run_under_wine.windows_path(xml_path)
        result = self.prefix.run(program, output, cwd=self.bin, extra_env=self.display,
                                 timeout=300)
        said = result.stdout[-6000:] + result.stderr[-2000:]
        self.assertIsNone(run_under_wine.gtest_verdict(xml_path), said)
        self.assertEqual(result.returncode, 0, said)


if __name__ == "__main__":
    BUILD, PREFIX = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    ARCHITECTURE = wine_harness.program_architecture(os.path.join(BUILD, "bin", "quillon.exe"))
    wine_harness.exit_if_cannot_run(ARCHITECTURE)
    if not x11_client.xvfb_available():
        print("skipped: needs Xvfb")
        sys.exit(wine_harness.SKIPPED)
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
