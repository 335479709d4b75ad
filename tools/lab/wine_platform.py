"""Whether this machine runs the Wine lab at all. Wine's 32-bit side is
a 32-bit Linux program: a kernel whose 32-bit emulation is off (some virtual
machines run 64-bit user code only) refuses to start it, and an i386 binary
format handed to qemu's user-mode emulator starts it at a small fraction of
its speed, too slow for the bench's timings and for CI's time. The tests that
need Wine then report themselves skipped (CTest's SKIP_RETURN_CODE), saying
why. AUTORUN_WINE_EMULATED=1 runs them under the emulator all the same."""
import os
import subprocess
import sys

SKIPPED = 77
WINE_LOADER = "/usr/lib/wine/wine"


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


def why_wine_cannot_run(emulated_ok=False):
    """None when Wine's 32-bit loader runs natively here (or, with
    emulated_ok, at all); otherwise the reason."""
    try:
        run = subprocess.run([WINE_LOADER, "--version"], capture_output=True, text=True, timeout=60)
    except FileNotFoundError:
        return "%s is not installed" % WINE_LOADER
    except OSError as error:
        return "this kernel does not run 32-bit programs (%s)" % error.strerror
    except subprocess.TimeoutExpired:
        return "%s --version did not answer within 60 s" % WINE_LOADER
    if run.returncode != 0:
        return "%s --version failed with exit code %d" % (WINE_LOADER, run.returncode)
    emulator = emulated_i386()
    if emulator and not emulated_ok and os.environ.get("AUTORUN_WINE_EMULATED") != "1":
        return ("this kernel runs 32-bit programs only through the emulator %s (binfmt_misc), too slowly "
                "for the bench; AUTORUN_WINE_EMULATED=1 runs it there all the same" % emulator)
    return None


def skip_unless_wine_runs():
    reason = why_wine_cannot_run()
    if reason:
        print("skipped: Wine cannot run on this machine: %s" % reason)
        sys.exit(SKIPPED)
