#!/usr/bin/python3
"""CI's verdict fails every run that did not prove everything: a table of
CTest outcomes and the exit code each must give."""
import os
import runpy
import sys

from tools import ROOT

# .ci holds what CI runs, as files of its own (no package): the verdict is
# read from its file.
verdict = runpy.run_path(os.path.join(ROOT, ".ci", "verdict.py"))["verdict"]

WHOLE = [("Startup.RefusesSecondLauncher", "run", ""), ("sanitizers.unit_tests", "run", ""),
         ("wine.fresh_layout", "run", ""), ("i386.fresh_layout", "run", ""), ("kit.disc_check", "run", ""),
         ("product.executable", "run", ""), ("docs.readme", "run", ""), ("fuzz.palette", "run", "")]


def without(prefix):
    return [case for case in WHOLE if not case[0].startswith(prefix)]


def but(name, status, message):
    return [(n, status, message) if n == name else (n, s, m) for n, s, m in WHOLE]


CASES = [
    ("everything ran and passed", WHOLE, 0, "verdict: 8 passed, 0 failed, 0 skipped"),
    ("a Wine case skipped for a missing platform", but("wine.fresh_layout", "notrun", "SKIP_RETURN_CODE=77"), 1,
     "did not run: wine.fresh_layout (SKIP_RETURN_CODE=77)"),
    ("the emulated PC's cases not run after its guest failed",
     but("i386.fresh_layout", "notrun", "Fixture dependency failed"), 1,
     "did not run: i386.fresh_layout (Fixture dependency failed)"),
    ("no bench case at all", without("wine."), 1, "no test of the end-to-end bench on this machine's Wine ran (wine.*)"),
    ("no i386 case at all", without("i386."), 1,
     "no test of the shipped i386 launcher in the emulated PC ran (i386.*)"),
    ("no kit test", without("kit."), 1, "no test of the disc author's kit ran (kit.*)"),
    ("only the prefixed tests", without("Startup."), 1, "no unit test ran"),
    ("a failure", but("kit.disc_check", "fail", ""), 1, "failed: kit.disc_check"),
    ("nothing at all", [], 1, "verdict: 0 passed, 7 failed, 0 skipped"),
]


def main():
    failed = 0
    for name, cases, code, line in CASES:
        lines, got = verdict(cases)
        ok = got == code and line in lines
        print(("ok   " if ok else "FAIL ") + "%s: exit %d, %s" % (name, got, lines))
        failed += 0 if ok else 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
