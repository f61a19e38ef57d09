"""The Wine harness's judgements, without Wine: whether 32-bit programs run here, which machine a
program is built for, and whether a GoogleTest XML result is a pass.

Usage: test_wine_harness.py NATIVE_GTEST_PROGRAM [unittest options]
"""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lib"))
import run_under_wine  # noqa: E402
from quillon_testing import wine_harness  # noqa: E402

GTEST_PROGRAM = None


class ThirtyTwoBitTest(unittest.TestCase):
    def test_reasons(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        # Bytes the kernel cannot execute: refused with ENOEXEC, as a kernel without 32-bit
        # emulation refuses the 32-bit loader.
        unknown_format = os.path.join(folder.name, "unknown-format")
        with open(unknown_format, "wb") as f:
            f.write(b"\x7fELF\x01\x01\x01" + bytes(57))
        os.chmod(unknown_format, 0o755)
        runs = sys.executable  # runs anywhere these tests run
        cases = [
            ({"QUILLON_NO_32BIT": "1"}, runs,
             "QUILLON_NO_32BIT is set: 32-bit x86 programs are taken as unable to run here"),
            ({"QUILLON_NO_32BIT": "0"}, runs, None),
            ({"QUILLON_NO_32BIT": ""}, runs, None),
            ({}, runs, None),
            ({}, unknown_format, "this kernel cannot run 32-bit x86 programs "
                                 f"({unknown_format}: Exec format error)"),
            ({}, "/nonexistent/wine", "/nonexistent/wine is not installed (Debian's wine32:i386)"),
            ({}, "/bin/false",
             "32-bit x86 programs do not run here (/bin/false --version exits with 1)"),
        ]
        for environ, loader, expected in cases:
            with self.subTest(environ=environ, loader=loader):
                self.assertEqual(wine_harness.no_32bit_reason(loader, environ), expected)

    def test_what_is_not_a_windows_program_is_refused(self):
        for program in (sys.executable, __file__):
            with self.subTest(program=program), self.assertRaises(ValueError):
                wine_harness.program_architecture(program)


class GtestVerdictTest(unittest.TestCase):
    def verdict_of(self, text):
        with tempfile.NamedTemporaryFile("w", suffix=".xml") as f:
            f.write(text)
            f.flush()
            return run_under_wine.gtest_verdict(f.name)

    def test_results_written_by_a_real_program(self):
        cases = [
            ("translate_text.plain_text_passes_unchanged:translate_text.near_miss*", None),
            ("no_such_suite.*", "no test ran"),
        ]
        for test_filter, expected in cases:
            with self.subTest(test_filter=test_filter), tempfile.TemporaryDirectory() as folder:
                xml = os.path.join(folder, "result.xml")
                subprocess.run([GTEST_PROGRAM, f"--gtest_filter={test_filter}",
                                f"--gtest_output=xml:{xml}"], check=True,
                               stdout=subprocess.DEVNULL)
                self.assertEqual(run_under_wine.gtest_verdict(xml), expected)

    def test_failures_and_unreadable_results(self):
        case = '<testcase name="t" status="run" result="completed" classname="s" />'
        cases = [
            (f'<testsuites tests="1" failures="1" errors="0">{case}</testsuites>',
             "1 of 1 tests failed, 0 errors"),
            (f'<testsuites tests="2" failures="0" errors="1">{case}{case}</testsuites>',
             "0 of 2 tests failed, 1 errors"),
            ('<testsuites tests="1" failures="0" errors="0"><testcase name="t" status="notrun" '
             'result="suppressed" classname="s" /></testsuites>', "no test ran"),
            (f'<testsuites tests="1">{case}</testsuites>',
             "the XML result has no failure and error counts (<testsuites>)"),
            ('<testsuites tests="1" failures="0"', "the XML result cannot be read "
                                                    "(unclosed token: line 1, column 0)"),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(self.verdict_of(text), expected)
        self.assertEqual(run_under_wine.gtest_verdict("/nonexistent/result.xml"),
                         "no XML result was written: the program did not start or did not finish")

    def test_windows_path_of_a_host_file(self):
        self.assertEqual(run_under_wine.windows_path("/tmp/quillon-gtest-x/result.xml"),
                         "Z:\\tmp\\quillon-gtest-x\\result.xml")


if __name__ == "__main__":
    GTEST_PROGRAM = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:])
