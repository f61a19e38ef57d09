"""A Windows build's export tables, read with the cross toolchain's objdump (no Wine needed, so
the i686 build is checked even where 32-bit programs cannot run): quillon.exe and quillon.dll
each export exactly the seven functions by plain name, with ordinals 1-7 in alphabetical order,
and are built for the build's machine.

Usage: check_windows_exports.py i686|x64 WINDOWS_BUILD_DIR [unittest options]
"""
import os
import re
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "lib"))
from quillon_testing import wine_harness  # noqa: E402

ARCHITECTURES = {
    "i686": ("i686-w64-mingw32-objdump", "pei-i386"),
    "x64": ("x86_64-w64-mingw32-objdump", "pei-x86-64"),
}
EXPORTS = [
    (1, "SER_CLOSE"),
    (2, "SER_OPEN"),
    (3, "SER_RAWSEND"),
    (4, "SER_RAWSEND_BV"),
    (5, "SER_SEND"),
    (6, "SER_SEND_BV"),
    (7, "SER_VERSINFO"),
]
MODULES = ["quillon.exe", "quillon.dll"]

ARCHITECTURE = BUILD = None


def read_exports(objdump_output):
    """(file format, [(ordinal, name)]) from `objdump -p`. The name table lists each name's
    index into the address table; the ordinal is that index plus the ordinal base."""
    file_format = re.search(r"file format (\S+)", objdump_output)
    base = re.search(r"^Ordinal Base\s+(\d+)$", objdump_output, re.MULTILINE)
    table = objdump_output.partition("[Ordinal/Name Pointer] Table\n")[2].partition("\n\n")[0]
    first = int(base[1]) if base else 0
    exports = [(first + int(index), name)
               for index, name in re.findall(r"^\s*\[\s*(\d+)\] (\S+)$", table, re.MULTILINE)]
    return (file_format[1] if file_format else None), exports


class WindowsExportsTest(unittest.TestCase):
    def test_both_modules_export_the_seven_functions_by_ordinal(self):
        objdump, expected_format = ARCHITECTURES[ARCHITECTURE]
        for module in MODULES:
            with self.subTest(module=module):
                path = os.path.join(BUILD, "bin", module)
                output = subprocess.run([objdump, "-p", path], check=True, capture_output=True,
                                        text=True).stdout
                self.assertEqual(read_exports(output), (expected_format, EXPORTS))
                # The Wine tests choose their loader by this reading of the header.
                self.assertEqual(wine_harness.program_architecture(path), ARCHITECTURE)


if __name__ == "__main__":
    ARCHITECTURE, BUILD = sys.argv[1], os.path.abspath(sys.argv[2])
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
