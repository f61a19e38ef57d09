"""The files that describe Quillon to the desktop and to man: the desktop entry, the AppStream
metadata and the manual pages, checked by the tools that read them (desktop-file-validate,
appstreamcli, groff), and against each other.

Usage: test_metadata.py BIN_DIR [unittest options]   (BIN_DIR: the build's programs)
"""
import configparser
import os
import re
import shutil
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
LINUX = os.path.join(SOURCE, "packaging", "linux")
DESKTOP = os.path.join(LINUX, "org.example.quillon.desktop")
METAINFO = os.path.join(LINUX, "org.example.quillon.metainfo.xml")
ICON = os.path.join(LINUX, "org.example.quillon.svg")
MAN = os.path.join(SOURCE, "docs", "man")
PAGES = ["quillon.1", "quillon-send.1", "quillon-display.1", "quillon-bridge.1"]
BIN = None


def run(args):
    return subprocess.run(args, capture_output=True, text=True, check=False,
                          stdin=subprocess.DEVNULL)


class UdevRule(unittest.TestCase):
    """udevadm verify where the installed udev has it (systemd 253 and later); everywhere, the
    rule's form: KEY OP "VALUE" lists of keys udev knows, every GOTO reaching its LABEL."""
    RULE = os.path.join(LINUX, "70-quillon.rules")
    PAIR = re.compile(r'^(ACTION|SUBSYSTEMS?|KERNEL|ATTRS\{\w+\}|ENV\{\w+\}|TAG|GOTO|LABEL)'
                      r'(==|!=|\+=|=)"([^"]*)"$')

    def test_udevadm_verify_accepts_it_where_it_can(self):
        if not shutil.which("udevadm") or "verify" not in run(["udevadm", "--help"]).stdout:
            self.skipTest("this udevadm has no verify (systemd 253 and later)")
        result = run(["udevadm", "verify", self.RULE])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_every_line_is_udev_rule_syntax_and_every_goto_has_its_label(self):
        with open(self.RULE, encoding="utf-8") as rule:
            rules = [line.strip() for line in rule if line.strip() and line[0] != "#"]
        pairs = [self.PAIR.match(p) for r in rules for p in r.split(", ")]
        self.assertTrue(all(pairs), rules)
        self.assertEqual({p[3] for p in pairs if p[1] == "GOTO"},
                         {p[3] for p in pairs if p[1] == "LABEL"})
        self.assertIn('TAG+="uaccess", ENV{ID_MM_DEVICE_IGNORE}="1"', rules)
        for adapter in ('"0403", GOTO', '"1a86", ATTRS{idProduct}=="7523"', '"10c4", ATTRS{'
                        'idProduct}=="ea60"', '"067b", ATTRS{idProduct}=="2303"', '"ttyACM[0-9]*"'):
            self.assertTrue(any(adapter in r for r in rules), adapter)


class DesktopEntry(unittest.TestCase):
    def test_desktop_file_validate_finds_nothing(self):
        result = run(["desktop-file-validate", DESKTOP])
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))

    def test_it_starts_the_window_with_the_icon_installed_beside_it(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(DESKTOP, encoding="utf-8")
        section = entry["Desktop Entry"]
        self.assertEqual(section["Exec"], "quillon")
        self.assertEqual(section["Icon"], os.path.basename(ICON).removesuffix(".svg"))
        self.assertEqual(section["Terminal"], "false")


class AppStream(unittest.TestCase):
    def test_appstreamcli_validates_without_the_network(self):
        result = run(["appstreamcli", "validate", "--no-net", METAINFO])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        problems = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
        self.assertEqual(problems, [])

    def test_it_launches_the_desktop_entry_and_shows_the_screenshot_from_home(self):
        root = ElementTree.parse(METAINFO).getroot()
        self.assertEqual(root.findtext("id"), "org.example.quillon")
        self.assertEqual(root.find("launchable").text, os.path.basename(DESKTOP))
        self.assertEqual(root.findtext("url[@type='homepage']"), "https://quillon.example.org/")
        self.assertEqual([image.text for image in root.iter("image")],
                         ["https://quillon.example.org/docs/window.png"])
        # The picture it names is the one in docs/.
        self.assertTrue(os.path.isfile(os.path.join(SOURCE, "docs", "window.png")))


class Icon(unittest.TestCase):
    def test_is_a_square_svg_with_a_title(self):
        root = ElementTree.parse(ICON).getroot()
        self.assertEqual(root.tag, "{http://www.w3.org/2000/svg}svg")
        self.assertEqual(root.get("viewBox"), "0 0 64 64")
        self.assertEqual(root.findtext("{http://www.w3.org/2000/svg}title"),
                         "Quillon: a character display module")


class ManualPages(unittest.TestCase):
    def test_groff_renders_each_page_without_a_warning(self):
        for page in PAGES:
            with self.subTest(page=page):
                result = run(["groff", "-man", "-ww", "-Tutf8", os.path.join(MAN, page)])
                self.assertEqual(result.returncode, 0)
                self.assertEqual(result.stderr, "")
                self.assertGreater(len(result.stdout), 500)

    def test_each_page_names_its_program_in_section_1(self):
        for page in PAGES:
            program = page.removesuffix(".1")
            escaped = program.replace("-", "\\-")  # roff's minus sign, as in quillon\-send
            with open(os.path.join(MAN, page), encoding="utf-8") as f:
                source = f.read()
            self.assertTrue(source.startswith(f".TH {escaped.upper()} 1 "), page)
            self.assertIn(f".SH NAME\n{escaped} \\- ", source)

    def test_each_page_has_every_option_of_its_programs_help_text(self):
        # Each program prints its options from its option table: "  -p, --port N   ...".
        for program, least in (("quillon", 2), ("quillon-send", 15), ("quillon-display", 9),
                               ("quillon-bridge", 15)):
            helped = run([os.path.join(BIN, program), "--help"])
            self.assertEqual(helped.returncode, 0, program)
            options = set(re.findall(r"^ {2}(?:-\w, | {4})?(--[a-z-]+)", helped.stdout,
                                     re.MULTILINE))
            self.assertGreaterEqual(len(options), least, options)  # the help text was read
            self.assert_page_names(program + ".1", options)

    def assert_page_names(self, page, options):
        rendered = run(["groff", "-man", "-Tascii", "-P-cbou", os.path.join(MAN, page)]).stdout
        for option in sorted(options):
            self.assertIn(option, rendered, page)

if __name__ == "__main__":
    BIN = sys.argv[1]
    unittest.main(argv=[sys.argv[0], *sys.argv[2:]])
