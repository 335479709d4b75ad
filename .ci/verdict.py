#!/usr/bin/python3
"""CI's verdict on a CTest run, from its JUnit report: every test ran and
passed, and each part of the proof ran at all. A run whose end-to-end
bench (or the emulated PC's lane, or the kit's tests) did not run proves
nothing, however green CTest's own summary is.

    verdict.py RESULTS.xml
"""
import sys
import xml.etree.ElementTree as ElementTree

# Each part of the proof, by the prefix of its tests' names; the unit tests
# are every test without one of the known prefixes.
REQUIRED = [
    ("wine.", "the end-to-end bench on this machine's Wine"),
    ("i386.", "the shipped i386 launcher in the emulated PC"),
    ("kit.", "the disc author's kit"),
    ("product.", "the product checks"),
    ("docs.", "the README's commands"),
    ("sanitizers.", "the unit tests under the sanitizers"),
]
OTHER_PREFIXES = ("fuzz.", "analysis.", "ci.", "lab.")


def verdict(cases):
    """cases: [(name, status, message)] with CTest's status run, fail or
    notrun. Returns (lines to print, exit code)."""
    lines = []
    passed = sum(1 for _, status, _ in cases if status == "run")
    failed = [(name, message) for name, status, message in cases if status == "fail"]
    skipped = [(name, message) for name, status, message in cases if status not in ("run", "fail")]
    for name, message in failed:
        lines.append("failed: %s" % name)
    for name, message in skipped:
        lines.append("did not run: %s (%s)" % (name, message or "no reason given"))
    missing = []
    for prefix, what in REQUIRED:
        ran = [name for name, status, _ in cases if name.startswith(prefix) and status == "run"]
        if not ran:
            missing.append(what)
            lines.append("no test of %s ran (%s*)" % (what, prefix))
    known = tuple(prefix for prefix, _ in REQUIRED) + OTHER_PREFIXES
    if not any(status == "run" and not name.startswith(known) for name, status, _ in cases):
        missing.append("the unit tests")
        lines.append("no unit test ran")
    bad = bool(failed or skipped or missing)
    lines.append("verdict: %d passed, %d failed, %d skipped" % (passed, len(failed) + len(missing), len(skipped)))
    return lines, 1 if bad else 0


def read_report(path):
    cases = []
    for case in ElementTree.parse(path).getroot().iter("testcase"):
        message = ""
        for child in case:
            if child.tag in ("failure", "skipped"):
                message = child.get("message", "")
        cases.append((case.get("name"), case.get("status"), message))
    return cases


def main(argv):
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        cases = read_report(argv[0])
    except (OSError, ElementTree.ParseError) as error:
        print("verdict: no CTest report to judge (%s)" % error)
        return 1
    lines, code = verdict(cases)
    print("\n".join(lines))
    return code


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
