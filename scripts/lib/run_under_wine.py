#!/usr/bin/env python3
"""Runs one GoogleTest program of a Windows build under Wine and judges it by the XML result it
writes (--gtest_output=xml): Wine exits 0 even when a program cannot start at all, so a result
that is missing or cannot be read is a failure, as is a run in which no test ran.

Usage: run_under_wine.py WINE_PREFIX PROGRAM.exe [ARGS...]
"""
import os
import shutil
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

from quillon_testing import wine_harness


def gtest_verdict(xml_path):
    """None when GoogleTest's XML result says that tests ran and all passed, else what is wrong."""
    try:
        root = ElementTree.parse(xml_path).getroot()
    except FileNotFoundError:
        return "no XML result was written: the program did not start or did not finish"
    except ElementTree.ParseError as e:
        return f"the XML result cannot be read ({e})"
    try:
        failures, errors = int(root.get("failures")), int(root.get("errors"))
    except (TypeError, ValueError):
        return f"the XML result has no failure and error counts (<{root.tag}>)"
    ran = sum(1 for case in root.iter("testcase") if case.get("status") == "run")
    if failures or errors:
        return f"{failures} of {ran} tests failed, {errors} errors"
    if ran == 0:
        return "no test ran"
    return None


def windows_path(path):
    # Wine's drive Z: is the host's root directory.
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    prefix_path, program, *args = sys.argv[1:]
    architecture = wine_harness.program_architecture(program)
    wine_harness.exit_if_cannot_run(architecture)
    prefix = wine_harness.Prefix(prefix_path, architecture)
    prefix.ensure()
    prefix.map_ports({})  # every port away from the machine's real ones
    results = tempfile.mkdtemp(prefix="quillon-gtest-")
    try:
        xml_path = os.path.join(results, "result.xml")
        result = prefix.run(os.path.abspath(program), *args,
                            f"--gtest_output=xml:{windows_path(xml_path)}", timeout=600)
        sys.stdout.write(result.stdout)
        sys.stderr.write(result.stderr)
        problem = gtest_verdict(xml_path)
    finally:
        shutil.rmtree(results)
    if problem or result.returncode != 0:
        print(f"{program} failed: {problem or 'all passed'} (exit code {result.returncode})")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
