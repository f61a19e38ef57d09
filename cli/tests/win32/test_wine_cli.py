"""quillon-send.exe under Wine: what only the Windows build does with its command line.

Usage: test_wine_cli.py WINDOWS_BUILD_DIR WINE_PREFIX [unittest options]

Wine builds the program's UTF-16 command line from its Unix arguments in the locale's UTF-8; the
ANSI argv it derives from that holds "Grün" in code page 1252, as Windows does.
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "scripts", "lib"))
from quillon_testing import wine_harness  # noqa: E402

BUILD = PREFIX = ARCHITECTURE = None


class WineSendTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.bin = os.path.join(BUILD, "bin")
        cls.sender = os.path.join(cls.bin, "quillon-send.exe")
        cls.prefix = wine_harness.Prefix(PREFIX, ARCHITECTURE)
        cls.prefix.ensure()

    def test_characters_beyond_the_ansi_code_page_reach_the_charset_as_typed(self):
        # --preview opens no port. From argv, ü would be 252, which A00 draws as 円.
        result = self.prefix.run(self.sender, "--preview=16x2", "--charset", "a00",
                                 "Grün 25°C €", cwd=self.bin, extra_env={"LANG": "C.UTF-8"})
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("│Grün 25ﾟC ?     │", result.stdout)
        self.assertIn("'€' (U+20AC) is not in the A00 ROM", result.stderr)

    def test_help_names_no_virtual_display(self):
        result = self.prefix.run(self.sender, "--help", cwd=self.bin)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("QUILLON_COMn", result.stdout)
        self.assertNotIn("virtual display", result.stdout)


if __name__ == "__main__":
    BUILD, PREFIX = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    ARCHITECTURE = wine_harness.program_architecture(os.path.join(BUILD, "bin", "quillon.dll"))
    wine_harness.exit_if_cannot_run(ARCHITECTURE)
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
