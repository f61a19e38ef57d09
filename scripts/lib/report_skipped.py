#!/usr/bin/env python3
"""Prints which tests CTest skipped and why, from the JUnit file of `ctest --output-junit`, so
that a run which passes with tests left out says so in its last lines.

The reason is the test's own line "skipped: REASON" (the Wine tests print one), else the line
after GoogleTest's "FILE:LINE: Skipped", else CTest's note (such as "SKIP_RETURN_CODE=77").

Usage: report_skipped.py JUNIT_FILE
"""
import re
import sys
import xml.etree.ElementTree as ElementTree


def skip_reason(output, note):
    lines = [line.strip() for line in output.splitlines()]
    for line in lines:
        if line.lower().startswith("skipped:"):
            return line[len("skipped:"):].strip()
    for line, following in zip(lines, lines[1:]):
        if re.search(r":\d+: Skipped$", line) and following:
            return following
    return note or "no reason given"


def skipped_tests(junit_path):
    """[(test name, reason)] in the order CTest lists them."""
    skipped = []
    for case in ElementTree.parse(junit_path).getroot().iter("testcase"):
        mark = case.find("skipped")
        if mark is not None:
            skipped.append((case.get("name"), skip_reason(case.findtext("system-out") or "",
                                                          mark.get("message"))))
    return skipped


def main():
    try:
        skipped = skipped_tests(sys.argv[1])
    except (OSError, ElementTree.ParseError) as e:
        print(f"== CTest left no readable list of skipped tests ({e})")
        return
    if skipped:
        print(f"== SKIPPED: {len(skipped)} tests")
        for name, reason in skipped:
            print(f"   {name}: {reason}")


if __name__ == "__main__":
    main()
