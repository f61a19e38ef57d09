#!/usr/bin/env python3
"""Runs one GoogleTest program of a Windows build under Wine and judges it by its own output:
Wine exits 0 even when a program cannot start at all (a 32-bit one without wine32, say).

Usage: run_under_wine.py WINE_PREFIX PROGRAM.exe [ARGS...]
"""
import os
import sys

import wine_harness


def main():
    prefix_path, program, *args = sys.argv[1:]
    architecture = wine_harness.program_architecture(program)
    wine_harness.exit_if_cannot_run(architecture)
    prefix = wine_harness.Prefix(prefix_path, architecture)
    prefix.ensure()
    prefix.map_ports({})  # every port away from the machine's real ones
    result = prefix.run(os.path.abspath(program), *args, timeout=600)
    sys.stdout.write(result.stdout)
    sys.stderr.write(result.stderr)
    if "[  PASSED  ]" not in result.stdout or "[  FAILED  ]" in result.stdout:
        print(f"{program} did not report passing (exit code {result.returncode})")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
