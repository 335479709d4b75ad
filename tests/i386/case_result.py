#!/usr/bin/python3
"""One case of the i386 lane, as CTest sees it: passes when the verdict the
bench wrote in the guest, OUT/results/CASE, says PASS; skipped (failed in
CI) when it says SKIP, the case unable to prove anything on the guest's Wine.

    python3 -m tests.i386.case_result OUT CASE
"""
import os
import sys

from tools.lab.wine_platform import platform_missing


def verdict(out, case):
    """(passed, the line to print); passed is None for a case skipped."""
    path = os.path.join(out, "results", case)
    try:
        with open(path, errors="replace") as f:
            line = f.readline().strip()
    except FileNotFoundError:
        return False, ("no verdict for %s: %s is missing (the lane did not run this case to its end; "
                       "see the test i386.guest and build/i386/console.log)" % (case, path))
    if line.startswith("PASS %s " % case) or line == "PASS %s" % case:
        return True, line
    if line.startswith("FAIL %s" % case):
        return False, line
    if line.startswith("SKIP %s:" % case):
        return None, line
    return False, "the verdict in %s is not one for %s: %r" % (path, case, line)


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    passed, line = verdict(sys.argv[1], sys.argv[2])
    print(line)
    if passed is None:
        return platform_missing(line, "the case cannot run on the guest's Wine")
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
