"""docs/architecture.md's layer table says what scripts/check-layers enforces: the test reads
the table's rows and the script's ALLOWED map and fails when they differ.

Usage: test_architecture.py [unittest options]
"""
import importlib.machinery
import importlib.util
import os
import re
import sys
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
HEADING = "## The rules `scripts/check-layers` enforces"
FOLDER = re.compile(r"`([a-z_/]+)/`")


def allowed_by_the_checks():
    loader = importlib.machinery.SourceFileLoader(
        "check_layers", os.path.join(ROOT, "scripts", "check-layers"))
    spec = importlib.util.spec_from_loader(loader.name, loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module.ALLOWED


def allowed_by_the_page():
    """{layer: set of layers} from the table's rows: "| `a/`, `b/` (note) | `c/`, `d/` |"."""
    with open(os.path.join(ROOT, "docs", "architecture.md"), encoding="utf-8") as f:
        text = f.read()
    table = text[text.index(HEADING):].split("\n\n")[1]
    allowed = {}
    for row in table.splitlines()[2:]:  # after the header and the separator
        who, whom = row.strip("|").split("|")
        for layer in FOLDER.findall(who):
            if layer in allowed:
                raise AssertionError(f"{layer}/ has two rows")
            allowed[layer] = set(FOLDER.findall(whom))
    return allowed


class ArchitecturePage(unittest.TestCase):
    def test_the_layer_table_is_the_checks_map(self):
        page, checks = allowed_by_the_page(), allowed_by_the_checks()
        self.assertGreaterEqual(len(checks), 10)  # the map was read
        self.assertEqual(sorted(page), sorted(checks), "rooms in one and not the other")
        for layer in sorted(checks):
            with self.subTest(layer=layer):
                self.assertEqual(page[layer], checks[layer])


if __name__ == "__main__":
    unittest.main(argv=sys.argv)
