#!/usr/bin/python3
"""The lab's choice of Wine: each build's lane read from its PE header (the
loader, the prefix's architecture and the registry view that follow from
it), a lane forced by name, and the i386 program that asks the kernel
whether it runs 32-bit code, as readelf reads it."""
import os
import subprocess
import sys
import tempfile

from tools.lab import wine_platform

# (program, lane name, loader, prefix architecture, registry view)
BUILDS = [
    ("win32/autorun.exe", "i386", "/usr/lib/wine/wine", "win32", "/reg:32"),
    ("win64/autorun.exe", "x86-64", "/usr/lib/wine/wine64", "win64", "/reg:64"),
    ("win32/disc-check.exe", "i386", "/usr/lib/wine/wine", "win32", "/reg:32"),
    ("win64/tools/lab/programs/probe.exe", "x86-64", "/usr/lib/wine/wine64", "win64", "/reg:64"),
]

failures = []


def check(condition, message):
    print(("ok   " if condition else "FAIL ") + message)
    if not condition:
        failures.append(message)


def raises(call):
    try:
        call()
    except ValueError as error:
        return str(error)
    return None


def main(build):
    for program, name, loader, arch, view in BUILDS:
        lane = wine_platform.lane_of(os.path.join(build, program))
        got = (lane.name, lane.loader, lane.winearch, lane.view)
        check(got == (name, loader, arch, view), "%s: %s" % (program, got))
    with tempfile.NamedTemporaryFile(suffix=".exe") as f:
        f.write(b"MZ" + b"\0" * 200)
        f.flush()
        check(raises(lambda: wine_platform.lane_of(f.name)) is not None, "an MZ file without a PE header has no lane")
        f.seek(0)
        f.write(b"\x7fELF")
        f.flush()
        check(raises(lambda: wine_platform.lane_of(f.name)) is not None, "a Linux program has no lane")

    os.environ["AUTORUN_LANE"] = "arm64"
    lane, reason = wine_platform.choose_lane()
    check(lane is None and "AUTORUN_LANE=arm64" in reason, "an unknown forced lane is refused: %s" % reason)
    os.environ["AUTORUN_LANE"] = "x86-64"
    lane, reason = wine_platform.choose_lane()
    check((lane and lane.name) == "x86-64" or "wine64" in (reason or ""),
          "x86-64 forced: %s" % (lane.name if lane else reason))
    del os.environ["AUTORUN_LANE"]

    with tempfile.NamedTemporaryFile() as f:
        f.write(wine_platform.tiny_i386_program())
        f.flush()
        header = subprocess.run(["readelf", "-h", "-l", f.name], capture_output=True, text=True).stdout
    for fact in ("ELF32", "EXEC (Executable file)", "Intel 80386", "Entry point address:               0x8048054",
                 "LOAD           0x000000 0x08048000"):
        check(fact in header, "the i386 probe program: %s" % fact)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1])))
