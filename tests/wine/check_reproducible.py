#!/usr/bin/python3
"""Two builds of the same tree, in two folders of different names, give a
byte-identical autorun.exe: nothing of the build's time or place is in it."""
import hashlib
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def build(folder):
    subprocess.run(["cmake", "-S", ROOT, "-B", folder, "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(ROOT, "cmake",
                    "mingw-i686.cmake"), "-DCMAKE_BUILD_TYPE=MinSizeRel"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", folder, "--target", "autorun", "-j2"], check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(folder, "autorun.exe"), "rb") as f:
        return f.read()


def main():
    with tempfile.TemporaryDirectory() as work:
        first = build(os.path.join(work, "first"))
        second = build(os.path.join(work, "second build"))
    digests = [hashlib.sha256(data).hexdigest() for data in (first, second)]
    print("first  %s %d bytes\nsecond %s %d bytes" % (digests[0], len(first), digests[1], len(second)))
    if first != second:
        differ = [i for i in range(min(len(first), len(second))) if first[i] != second[i]]
        print("FAIL the builds differ at %d bytes, first at 0x%x" % (len(differ), differ[0] if differ else 0))
        return 1
    print("ok   the two builds are byte-identical")
    return 0


if __name__ == "__main__":
    sys.exit(main())
