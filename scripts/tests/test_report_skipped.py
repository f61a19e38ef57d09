"""report_skipped.py on the JUnit file that a real CTest writes for skipped, passing and failing
tests.

Usage: test_report_skipped.py CMAKE CTEST [unittest options]
"""
import os
import subprocess
import sys
import tempfile
import unittest

REPORT = os.path.join(os.path.dirname(__file__), "..", "lib", "report_skipped.py")
CMAKE = CTEST = None

PROJECT = r"""cmake_minimum_required(VERSION 3.25)
project(skips NONE)
enable_testing()
add_test(NAME wine.skip
         COMMAND sh -c "echo 'skipped: i686 programs under Wine: no <32-bit>'; exit 77")
add_test(NAME passes COMMAND sh -c "echo 'skipped: nothing'")
add_test(NAME gtest.skip
         COMMAND printf "[ RUN      ] a.b\n/src/a.cpp:12: Skipped\nsetpriv is not installed\n\
[  SKIPPED ] a.b (0 ms)\n")
add_test(NAME fails COMMAND sh -c "echo 'skipped: no'; exit 1")
add_test(NAME silent.skip COMMAND sh -c "exit 77")
set_tests_properties(wine.skip silent.skip PROPERTIES SKIP_RETURN_CODE 77)
set_tests_properties(gtest.skip PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
"""


class ReportSkippedTest(unittest.TestCase):
    def report(self, junit):
        return subprocess.run([sys.executable, REPORT, junit], check=True, capture_output=True,
                              text=True).stdout

    def test_skipped_tests_and_their_reasons(self):
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "CMakeLists.txt"), "w") as f:
                f.write(PROJECT)
            build = os.path.join(folder, "build")
            subprocess.run([CMAKE, "-G", "Ninja", "-S", folder, "-B", build], check=True,
                           stdout=subprocess.DEVNULL)
            junit = os.path.join(folder, "junit.xml")
            ctest = subprocess.run([CTEST, "--output-junit", junit], cwd=build,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.assertNotEqual(ctest.returncode, 0)
            self.assertEqual(self.report(junit), "== SKIPPED: 3 tests\n"
                             "   wine.skip: i686 programs under Wine: no <32-bit>\n"
                             "   gtest.skip: setpriv is not installed\n"
                             "   silent.skip: SKIP_RETURN_CODE=77\n")

    def test_missing_file(self):
        self.assertEqual(self.report("/nonexistent/junit.xml"),
                         "== CTest left no readable list of skipped tests ([Errno 2] No such "
                         "file or directory: '/nonexistent/junit.xml')\n")


if __name__ == "__main__":
    CMAKE, CTEST = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
