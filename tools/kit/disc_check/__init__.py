"""disc-check's readings done here rather than under Wine (the checker itself
is disc_check.cpp): the programs' signatures and the languages autorun.exe
carries. Each is run as `python3 -m tools.kit.disc_check.NAME FOLDER` and
prints its report's lines."""
import os
import sys


def run(name, report):
    """The command line of a reading: report(FOLDER) gives its lines; exit
    code 0, or 2 for bad usage or a folder that cannot be read."""
    if len(sys.argv) != 2 or not os.path.isdir(sys.argv[1]):
        print("usage: %s.py FOLDER" % name, file=sys.stderr)
        return 2
    try:
        lines = report(sys.argv[1])
    except OSError as error:
        print("%s: %s" % (name, error), file=sys.stderr)
        return 2
    sys.stdout.write("".join(line + "\n" for line in lines))
    return 0
