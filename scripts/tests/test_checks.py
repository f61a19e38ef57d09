"""scripts/check-layers and scripts/check-format fail on a planted violation and pass on a tree
that keeps the rules (the real one is checked by scripts/test itself)."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def run(script, root):
    return subprocess.run([os.path.join(SCRIPTS, script), root], capture_output=True, text=True)


class Checks(unittest.TestCase):
    def tree(self, files):
        root = tempfile.mkdtemp(prefix="quillon-checks-")
        self.addCleanup(shutil.rmtree, root)
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write(text)
        return root

    def test_layers(self):
        keeps = {"serial/device.h": "", "ports/resolve.cpp": '#include "serial/device.h"\n',
                 "serial/posix/port.h": "", "serial/posix/open.cpp": '#include "serial/posix/port.h"\n',
                 "serial/tests/t.cpp": '#include "serial/posix/port.h"\n'}
        self.assertEqual(run("check-layers", self.tree(keeps)).returncode, 0)
        planted = {
            "serial/device.cpp": ('#include "ports/resolve.h"\n',
                                  "serial/device.cpp: includes ports/resolve.h: serial/ may not "
                                  "use ports/"),
            "cli/main.cpp": ('#include "serial/posix/port.h"\n',
                             "cli/main.cpp: includes serial/posix/port.h, private to serial/"),
            "display/controller.cpp": ('#include "serial/device.h"\n',
                                       "display/controller.cpp: includes serial/device.h: display/ "
                                       "may not use serial/"),
            "options/words.cpp": ('#include "ports/names.h"\n',
                                  "options/words.cpp: includes ports/names.h: options/ may not "
                                  "use ports/"),
        }
        for path, (text, message) in planted.items():
            with self.subTest(path=path):
                result = run("check-layers", self.tree(dict(keeps, **{path: text})))
                self.assertEqual(result.returncode, 1)
                self.assertIn(message, result.stderr)

    def test_format(self):
        with open(os.path.join(SCRIPTS, "..", ".clang-format")) as f:
            style = f.read()
        laid_out = "int main() { return 0; }\n"
        self.assertEqual(run("check-format", self.tree({".clang-format": style,
                                                        "a.cpp": laid_out})).returncode, 0)
        result = run("check-format", self.tree({".clang-format": style,
                                                "a.cpp": "int  main( ){return 0;}\n"}))
        self.assertEqual(result.returncode, 1)
        self.assertIn("a.cpp", result.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv)
