"""docs/architecture.md's layer table says what scripts/check-layers enforces: the table's rows
against the script's ALLOWED map. Usage: test_architecture.py [unittest options]"""
import os
import re
import runpy
import sys
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
FOLDER = re.compile(r"`([a-z_/]+)/`")


def allowed_by_the_checks():
    return runpy.run_path(os.path.join(ROOT, "scripts", "check-layers"))["ALLOWED"]


def allowed_by_the_page():
    """{layer: layers} from the rows "| `a/`, `b/` (note) | `c/`, `d/` |" after the heading."""
    with open(os.path.join(ROOT, "docs", "architecture.md"), encoding="utf-8") as f:
        text = f.read()
    table = text[text.index("## The rules `scripts/check-layers` enforces"):].split("\n\n")[1]
    allowed = {}
    for row in table.splitlines()[2:]:  # after the header and the separator
        who, whom = row.strip("|").split("|")
        for layer in FOLDER.findall(who):
            assert layer not in allowed, f"{layer}/ has two rows"
            allowed[layer] = set(FOLDER.findall(whom))
    return allowed


class ArchitecturePage(unittest.TestCase):
    maxDiff = None  # the whole difference, room by room
    def test_the_layer_table_is_the_checks_map(self):
        checks = allowed_by_the_checks()
        self.assertGreaterEqual(len(checks), 10)  # the map was read
        self.assertEqual(allowed_by_the_page(), checks)


if __name__ == "__main__":
    unittest.main(argv=sys.argv)
