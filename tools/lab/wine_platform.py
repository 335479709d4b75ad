"""Which Wine this machine runs the lab on, and with which build.

Two lanes. Where the kernel runs 32-bit code, 32-bit Wine runs the product
itself, the i386 build (build/win32). Where it does not (some virtual
machines run 64-bit user code only, and an i386 binary format handed to
qemu's user-mode emulator is far too slow for the bench), 64-bit Wine runs
the same sources built for x86-64 (build/win64), a test vehicle only; the
shipped i386 bytes then run in an emulated PC (tools/lab/guest.py).

A program's lane follows from its PE header: its machine picks the Wine
loader, the prefix's architecture and the registry view it reads (in a
win64 prefix a 32-bit program reads the 32-bit view of most keys, a 64-bit
one the 64-bit view). AUTORUN_LANE=i386 or x86-64 forces a lane.

    python3 -m tools.lab.wine_platform lane                the lane's name, build folder, loader and
                                                           prefix architecture on one line, or why
                                                           there is none
    python3 -m tools.lab.wine_platform kernel-runs-i386    exit code 0 when the kernel runs i386
                                                           programs
"""
import os
import struct
import subprocess
import sys
import tempfile

SKIPPED = 77


class Lane:
    def __init__(self, name, machine, build, loader, winearch, view):
        self.name = name          # "i386" or "x86-64"
        self.machine = machine    # the PE header's machine
        self.build = build        # the build folder under BUILD/
        self.loader = loader      # Wine's loader for that machine
        self.winearch = winearch  # the prefix's architecture
        self.view = view          # the registry view such a program reads

    def env(self, prefix):
        """Wine's environment for a prefix of this lane: the loader called
        directly (/usr/bin/wine would pick the 32-bit one whenever it is
        installed, even where it cannot run), quiet, without the .NET and
        HTML engines' installers nor menu entries."""
        return {
            "WINEPREFIX": prefix,
            "WINEARCH": self.winearch,
            "WINELOADER": self.loader,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml,winemenubuilder.exe=d",
        }


I386 = Lane("i386", 0x14C, "win32", "/usr/lib/wine/wine", "win32", "/reg:32")
X86_64 = Lane("x86-64", 0x8664, "win64", "/usr/lib/wine/wine64", "win64", "/reg:64")
LANES = (I386, X86_64)
WINESERVER = "/usr/lib/wine/wineserver"


def pe_machine(path):
    """The machine field of a PE file's header."""
    with open(path, "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ":
        raise ValueError("%s is not a Windows program" % path)
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    if head[pe:pe + 4] != b"PE\0\0":
        raise ValueError("%s has no PE header" % path)
    return struct.unpack_from("<H", head, pe + 4)[0]


def lane_of(path):
    machine = pe_machine(path)
    for lane in LANES:
        if lane.machine == machine:
            return lane
    raise ValueError("%s is built for machine 0x%x, which no Wine here runs" % (path, machine))


def tiny_i386_program():
    """The smallest i386 Linux program: one ELF header, one loadable
    segment, and exit(0) through int 0x80."""
    code = b"\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80"  # mov eax,1; xor ebx,ebx; int 0x80
    base, headers = 0x08048000, 52 + 32
    elf = b"\x7fELF\x01\x01\x01" + b"\0" * 9
    elf += struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + headers, 52, 0, 0, 52, 32, 1, 0, 0, 0)
    segment = struct.pack("<IIIIIIII", 1, 0, base, base, headers + len(code), headers + len(code), 5, 0x1000)
    return elf + segment + code


def emulated_i386():
    """The binfmt_misc entry that hands i386 programs to an emulator, if any."""
    folder = "/proc/sys/fs/binfmt_misc"
    try:
        names = os.listdir(folder)
    except OSError:
        return None
    for name in names:
        try:
            with open(os.path.join(folder, name)) as f:
                text = f.read()
        except OSError:
            continue
        if text.startswith("enabled") and "magic 7f454c4601010100000000000000000002000300" in text:
            return name
    return None


def why_kernel_runs_no_i386():
    """None when the kernel itself runs i386 programs; else the reason."""
    emulator = emulated_i386()
    if emulator:
        return "this kernel runs 32-bit programs only through the emulator %s (binfmt_misc)" % emulator
    handle, path = tempfile.mkstemp(prefix="i386-")
    try:
        os.write(handle, tiny_i386_program())
        os.close(handle)
        os.chmod(path, 0o700)
        run = subprocess.run([path], stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
        return None if run.returncode == 0 else "an i386 program ended with exit code %d" % run.returncode
    except OSError as error:
        return "this kernel does not run 32-bit programs (%s)" % error.strerror
    finally:
        os.remove(path)


def why_loader_cannot_run(lane):
    try:
        run = subprocess.run([lane.loader, "--version"], capture_output=True, text=True, timeout=60,
                             stdin=subprocess.DEVNULL)
    except FileNotFoundError:
        return "%s is not installed" % lane.loader
    except OSError as error:
        return "%s cannot start (%s)" % (lane.loader, error.strerror)
    except subprocess.TimeoutExpired:
        return "%s --version did not answer within 60 s" % lane.loader
    if run.returncode != 0:
        return "%s --version failed with exit code %d" % (lane.loader, run.returncode)
    return None


def choose_lane():
    """(lane, None), or (None, the reason no Wine runs the lab here)."""
    forced = os.environ.get("AUTORUN_LANE")
    if forced:
        lane = next((lane for lane in LANES if lane.name == forced), None)
        if lane is None:
            return None, "AUTORUN_LANE=%s names no lane (i386 or x86-64)" % forced
        reason = why_loader_cannot_run(lane)
        return (None, reason) if reason else (lane, None)
    native = why_kernel_runs_no_i386()
    if native is None and why_loader_cannot_run(I386) is None:
        return I386, None
    reason = why_loader_cannot_run(X86_64)
    if reason is None:
        return X86_64, None
    return None, "%s; and %s" % (native or why_loader_cannot_run(I386), reason)


def platform_missing(reason, what="Wine cannot run on this machine"):
    """The exit code of a test that cannot run here, saying why: skipped on
    a developer's machine, failed in CI, where a test that did not run
    proves nothing."""
    if os.environ.get("CI") == "true":
        print("FAILED: %s, and CI needs every test to run: %s" % (what, reason))
        return 1
    print("skipped: %s: %s" % (what, reason))
    return SKIPPED


def skip_unless_wine_runs():
    """The lane, or the end of a test that needs Wine where none runs."""
    lane, reason = choose_lane()
    if lane is None:
        sys.exit(platform_missing(reason))
    return lane


def main(argv):
    if argv == ["kernel-runs-i386"]:
        reason = why_kernel_runs_no_i386()
        print(reason or "this kernel runs i386 programs")
        return 1 if reason else 0
    if argv == ["lane"]:
        lane, reason = choose_lane()
        if lane is None:
            print(reason, file=sys.stderr)
            return 2
        print("%s %s %s %s" % (lane.name, lane.build, lane.loader, lane.winearch))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
