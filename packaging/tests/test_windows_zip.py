"""A Windows zip as its users get it: made by CPack from a Windows build tree, unpacked into a
temporary folder, its files checked, then its programs run under Wine from there: quillon-send's
dry run and version, and a C program built with the MinGW-w64 compiler against the zip's header
and import library, calling quillon.dll. Where Wine cannot run this architecture (i686 on a
kernel without 32-bit support), the Wine part is skipped with exit code 77 after the files were
checked.

Usage: test_windows_zip.py i686|x64 WINDOWS_BUILD_DIR WINE_PREFIX [unittest options]
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE, "scripts", "lib"))
from quillon_testing import wine_harness  # noqa: E402

ARCHITECTURE = BUILD = PREFIX = None
ZIP_NAMES = {"i686": "quillon-1.1-win32", "x64": "quillon-1.1-win64"}
DEF_FILES = {"i686": "quillon-i686.def", "x64": "quillon-x64.def"}
FILES = ["LICENSE", "README.txt", "libquillon.dll.a", "quillon-send.exe", "quillon.def",
         "quillon.dll", "quillon.exe", "quillon.h"]
VERSION_PREFIX = "v1.0, 26 May 2000, "
CPACK = os.environ.get("CPACK", "cpack")
unpacked = None  # the folder the zip was unpacked into


def cache_value(name):
    with open(os.path.join(BUILD, "CMakeCache.txt"), encoding="utf-8") as f:
        match = re.search(rf"^{name}:\w+=(.*)$", f.read(), re.MULTILINE)
    return match.group(1)


def c_compiler():
    """The build's MinGW-w64 C compiler, which its toolchain file names (so it is recorded
    beside the cache, not in it)."""
    for found in glob.glob(os.path.join(BUILD, "CMakeFiles", "*", "CMakeCCompiler.cmake")):
        with open(found, encoding="utf-8") as f:
            match = re.search(r'^set\(CMAKE_C_COMPILER "(.*)"\)$', f.read(), re.MULTILINE)
        if match:
            return match.group(1)
    raise AssertionError(f"no C compiler recorded in {BUILD}")


def make_and_unpack(scratch):
    result = subprocess.run([CPACK, "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                             "-B", scratch], capture_output=True, text=True, check=False,
                            stdin=subprocess.DEVNULL)
    if result.returncode != 0:
        raise AssertionError(f"cpack failed:\n{result.stdout}{result.stderr}")
    archive = os.path.join(scratch, ZIP_NAMES[ARCHITECTURE] + ".zip")
    with zipfile.ZipFile(archive) as z:
        z.extractall(os.path.join(scratch, "unpacked"))
    return archive


class Contents(unittest.TestCase):
    def test_one_folder_named_for_version_and_architecture_with_the_eight_files(self):
        with zipfile.ZipFile(ARCHIVE) as z:
            names = sorted(n for n in z.namelist() if not n.endswith("/"))
        self.assertEqual(names, sorted(f"{ZIP_NAMES[ARCHITECTURE]}/{f}" for f in FILES))

    def test_programs_and_library_are_built_for_the_architecture(self):
        for name in ("quillon.exe", "quillon-send.exe", "quillon.dll"):
            self.assertEqual(wine_harness.program_architecture(os.path.join(unpacked, name)),
                             ARCHITECTURE, name)

    def test_programs_and_library_are_stripped(self):
        objdump = cache_value("CMAKE_OBJDUMP")
        for name in ("quillon.exe", "quillon-send.exe", "quillon.dll"):
            sections = subprocess.run([objdump, "--section-headers", os.path.join(unpacked, name)],
                                      capture_output=True, text=True, check=True).stdout
            self.assertNotIn(".debug_info", sections, name)

    def test_readme_has_cr_lf_line_ends_and_names_every_file(self):
        with open(os.path.join(unpacked, "README.txt"), "rb") as f:
            readme = f.read()
        self.assertTrue(readme.endswith(b"\r\n"))
        self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"))
        self.assertEqual(readme.count(b"\r"), readme.count(b"\r\n"))
        machine = {"i686": b"32-bit Windows (x86)", "x64": b"64-bit Windows (x64)"}[ARCHITECTURE]
        self.assertTrue(readme.startswith(b"Quillon 1.1 for " + machine + b"\r\n"))
        for name in FILES:
            if name != "README.txt":
                self.assertIn(name.encode(), readme)

    def test_header_license_and_definitions_are_the_sources(self):
        for name, source in (("quillon.h", "library/quillon.h"), ("LICENSE", "LICENSE"),
                             ("quillon.def", f"library/win32/{DEF_FILES[ARCHITECTURE]}")):
            with open(os.path.join(unpacked, name), "rb") as a, \
                    open(os.path.join(SOURCE, source), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)


class UnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = wine_harness.Prefix(PREFIX, ARCHITECTURE)
        cls.prefix.ensure()
        cls.prefix.map_ports({})  # every port away from the machine's real ones

    def test_quillon_send_dry_run_gives_the_translated_bytes(self):
        code, out = self.prefix.run_bytes(os.path.join(unpacked, "quillon-send.exe"), "--dry-run",
                                          stdin=b"<LMA_CLS>Hi<CR,LF>", cwd=unpacked)
        self.assertEqual((code, list(out)), (0, [254, 1, 254, 128, 72, 105, 13, 10]))

    def test_quillon_send_tells_its_version(self):
        result = self.prefix.run(os.path.join(unpacked, "quillon-send.exe"), "--version",
                                 cwd=unpacked)
        self.assertEqual((result.returncode, result.stdout), (0, "quillon-send 1.1\n"))

    def test_a_c_program_links_with_the_import_library_and_calls_the_dll(self):
        program = os.path.join(unpacked, "version_text.exe")
        compiled = subprocess.run(
            [c_compiler(), "-Wall", "-Werror", "-static-libgcc",
             os.path.join(HERE, "consumer", "version_text.c"), f"-I{unpacked}",
             os.path.join(unpacked, "libquillon.dll.a"), "-loleaut32", "-o", program],
            capture_output=True, text=True, check=False, stdin=subprocess.DEVNULL)
        self.assertEqual(compiled.returncode, 0, compiled.stderr)
        imports = subprocess.run([cache_value("CMAKE_OBJDUMP"), "-p", program],
                                 capture_output=True, text=True, check=True).stdout
        self.assertIn("DLL Name: quillon.dll", imports)
        result = self.prefix.run(program, cwd=unpacked)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertTrue(result.stdout.startswith(VERSION_PREFIX), result.stdout)


def run_suite(case, argv):
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(case)
    verbosity = 2 if "-v" in argv else 1
    return unittest.TextTestRunner(verbosity=verbosity).run(suite).wasSuccessful()


def main():
    global ARCHITECTURE, BUILD, PREFIX, ARCHIVE, unpacked
    ARCHITECTURE, BUILD, PREFIX = sys.argv[1:4]
    scratch = tempfile.mkdtemp(prefix=f"quillon-zip-test-{ARCHITECTURE}-")
    try:
        ARCHIVE = make_and_unpack(scratch)
        unpacked = os.path.join(scratch, "unpacked", ZIP_NAMES[ARCHITECTURE])
        if not run_suite(Contents, sys.argv[4:]):
            return 1
        wine_harness.exit_if_cannot_run(ARCHITECTURE)
        return 0 if run_suite(UnderWine, sys.argv[4:]) else 1
    finally:
        shutil.rmtree(scratch)


if __name__ == "__main__":
    sys.exit(main())
