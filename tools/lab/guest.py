#!/usr/bin/python3
"""The shipped bytes on an emulated PC. Where this machine's kernel runs no
32-bit programs, 32-bit Wine runs in a guest: Debian bookworm for amd64 with
Wine's 32-bit side only, built from Debian's archive on every run, booted
under qemu (TCG), with the checkout shared at the same path.

    python3 -m tools.lab.guest [--work DIR] [--reuse] [--timeout SECONDS] [--env NAME=VALUE]... -- COMMAND...

Builds the guest in DIR (build/i386 by default, wiped first), boots it, runs
COMMAND in it as root from the checkout's root, powers it off, and exits
with COMMAND's exit status. --reuse keeps a guest already built in DIR (the
disk keeps what the last run left on it). Each step prints its duration; the
guest's console goes to DIR/console.log and to our output. Any failure of
the lane itself ends with one line on stderr saying why, and exit code 2.
"""
import argparse
import os
import shlex
import shutil
import subprocess
import sys
import threading
import time
import urllib.request

from tools import ROOT

HERE = os.path.dirname(os.path.abspath(__file__))

MIRROR = "http://deb.debian.org/debian"
SUITE = "bookworm"
# No wine64: the wine wrapper then runs every program on Wine's 32-bit side,
# as on a 32-bit Windows.
PACKAGES = ["linux-image-amd64", "kmod", "wine", "wine32:i386", "wine64-", "xvfb", "xdotool", "x11-utils",
            "imagemagick", "python3", "python3-pil", "fonts-dejavu-core", "locales"]
# The users the cases start the launcher as (Wine takes the UI language from
# LC_ALL, which glibc honours only for a locale it has).
LOCALES = ["de_DE", "ja_JP"]
# Only what finds and mounts the root disk goes into the initrd: making the
# default one (every driver) takes minutes longer.
INITRD_MODULES = ["virtio_pci", "virtio_blk", "ext4", "crc32c_generic"]
KERNEL_ARGUMENTS = [
    "root=/dev/vda", "rootfstype=ext4", "rw", "console=ttyS0", "init=/sbin/lab-init", "quiet",
    # An oops (a Wine process killed by the kernel) stops the run at once,
    # and a panic ends qemu (-no-reboot) instead of leaving it to the timeout.
    "oops=panic", "panic=1",
    # Page-table isolation switches address spaces on every system call,
    # which costs an emulated processor dearly; nothing here needs it.
    "mitigations=off",
    # The emulated TSC counts steadily, but the kernel does not trust it and
    # falls back to the HPET, whose every read is an emulated device access:
    # Wine and Xvfb read the clock all the time (a probe.exe run takes three
    # times longer on the HPET).
    "tsc=reliable",
]
GUEST_FILES = ("disk.img", "vmlinuz", "initrd.img")
LANE_FAILED = 2


class Failure(Exception):
    pass


def say(text):
    print("guest: %s" % text, flush=True)


class Step:
    """Prints how long the step took."""
    def __init__(self, name):
        self.name = name

    def __enter__(self):
        self.started = time.time()
        say("%s ..." % self.name)

    def __exit__(self, kind, *rest):
        if kind is None:
            say("%s took %.0f s" % (self.name, time.time() - self.started))


def last_line(path):
    try:
        with open(path, errors="replace") as f:
            lines = [line.strip() for line in f if line.strip()]
    except OSError:
        return ""
    return lines[-1] if lines else ""


def run_logged(name, argv, log, timeout):
    """Runs argv with its output appended to log; a failure or a timeout
    raises Failure with the log's last line."""
    with open(log, "a") as out:
        try:
            code = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            raise Failure("%s did not finish within %d s (see %s)" % (name, timeout, log))
    if code != 0:
        raise Failure("%s failed with exit code %d: %s (see %s)" % (name, code, last_line(log), log))


def write(path, text, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, mode)


# ---- the host ----------------------------------------------------------------
def check_programs(*programs):
    for program in programs:
        if not shutil.which(program, path=os.environ.get("PATH", "") + ":/usr/sbin:/sbin"):
            raise Failure("%s is not installed (Debian packages qemu-system-x86, debootstrap, e2fsprogs, "
                          "util-linux, coreutils)" % program)


def check_host(mirror):
    if os.geteuid() != 0:
        raise Failure("building the guest needs root (debootstrap, chroot, mount)")
    check_programs("qemu-system-x86_64", "debootstrap", "mkfs.ext4", "unshare", "chroot")
    url = "%s/dists/%s/Release" % (mirror, SUITE)
    try:
        urllib.request.urlopen(url, timeout=30).close()
    except OSError as error:
        raise Failure("cannot read %s (%s): no network, or no Debian archive there"
                      % (url, getattr(error, "reason", error)))


def mounts_inside(folder, mountinfo):
    """The mount points (from the text of /proc/self/mountinfo) inside folder."""
    inside = folder.rstrip("/") + "/"
    points = [line.split()[4] for line in mountinfo.splitlines() if line.strip()]
    return [point for point in points if point.startswith(inside)]


def wipe(work, keep=()):
    """Empties work, but for the names in keep. Refuses while anything is
    mounted inside it: a mount left by a chroot would be emptied too."""
    with open("/proc/self/mountinfo") as f:
        mounted = mounts_inside(os.path.realpath(work), f.read())
    if mounted:
        raise Failure("%s is mounted inside %s: unmount it first" % (mounted[0], work))
    os.makedirs(work, exist_ok=True)
    for name in os.listdir(work):
        if name in keep:
            continue
        path = os.path.join(work, name)
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        else:
            os.remove(path)


# ---- the guest's system --------------------------------------------------------
def debootstrap(system, mirror, log):
    run_logged("debootstrap", ["debootstrap", "--variant=minbase", SUITE, system, mirror], log, 900)


def configure(system, mirror):
    """What apt, dpkg and initramfs-tools read before the packages go in."""
    write(os.path.join(system, "etc/apt/sources.list"), "deb %s %s main\n" % (mirror, SUITE))
    write(os.path.join(system, "etc/apt/apt.conf.d/90lab"),
          'APT::Install-Recommends "false";\nAcquire::Retries "3";\n')
    write(os.path.join(system, "etc/dpkg/dpkg.cfg.d/90lab"), "force-unsafe-io\n")
    # Nothing starts services in the chroot.
    write(os.path.join(system, "usr/sbin/policy-rc.d"), "#!/bin/sh\nexit 101\n", 0o755)
    write(os.path.join(system, "etc/initramfs-tools/conf.d/90lab"), "MODULES=list\n")
    write(os.path.join(system, "etc/initramfs-tools/modules"), "".join(m + "\n" for m in INITRD_MODULES))
    write(os.path.join(system, "etc/hostname"), "lab\n")
    if os.path.exists("/etc/resolv.conf"):
        shutil.copy("/etc/resolv.conf", os.path.join(system, "etc/resolv.conf"))


# Runs in a mount namespace of its own: the chroot's /proc and /sys go away
# with it, whatever happens to the run.
INSTALL_SCRIPT = r"""
system=$1; shift
mount -t proc proc "$system/proc"
mount -t sysfs sys "$system/sys"
exec chroot "$system" /bin/sh -ec '
export DEBIAN_FRONTEND=noninteractive
dpkg --add-architecture i386
apt-get update -q
# --force-confold keeps the initramfs-tools modules list written before.
apt-get install -y -q -o Dpkg::Options::=--force-confold -o Dpkg::Options::=--force-confdef "$@"
apt-get clean
for l in %s; do localedef -i $l -f UTF-8 $l.UTF-8; done
' sh "$@"
""" % " ".join(LOCALES)


def install(system, log):
    run_logged("installing the guest's packages",
               ["unshare", "--mount", "--propagation", "private", "sh", "-ec", INSTALL_SCRIPT, "sh", system]
               + PACKAGES, log, 1500)


def check_system(system):
    """The kernel and initrd the guest boots; a guest with wine64 is refused."""
    if os.path.exists(os.path.join(system, "usr/lib/wine/wine64")):
        raise Failure("the guest got wine64: Wine's 32-bit side would not be the one that runs")
    if not os.path.exists(os.path.join(system, "usr/lib/wine/wine")):
        raise Failure("the guest has no /usr/lib/wine/wine after the install")
    boot = os.path.join(system, "boot")
    found = {}
    for prefix in ("vmlinuz-", "initrd.img-"):
        names = sorted(n for n in os.listdir(boot) if n.startswith(prefix))
        if len(names) != 1:
            raise Failure("the guest's /boot holds %s, not one %s* file" % (names or "nothing", prefix))
        found[prefix] = os.path.join(boot, names[0])
    return found["vmlinuz-"], found["initrd.img-"]


def folder_bytes(folder):
    total = 0
    for top, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(top, name)
            if not os.path.islink(path):
                total += os.lstat(path).st_size
    return total


def image_size(used):
    """Room for the system, the file system's own needs, and the Wine
    prefix and discs the bench makes: in whole MiB."""
    mib = 1 << 20
    return (used * 5 // 4 + 3 * 1024 * mib + mib - 1) // mib * mib


def make_image(system, work):
    kernel, initrd = check_system(system)
    shutil.copy(os.path.join(HERE, "guest", "init"), os.path.join(system, "sbin", "lab-init"))
    os.chmod(os.path.join(system, "sbin", "lab-init"), 0o755)
    shutil.copy(kernel, os.path.join(work, "vmlinuz"))
    shutil.copy(initrd, os.path.join(work, "initrd.img"))
    image = os.path.join(work, "disk.img")
    with open(image, "wb") as f:
        f.truncate(image_size(folder_bytes(system)))
    run_logged("mkfs.ext4", ["mkfs.ext4", "-q", "-F", "-L", "lab", "-d", system, image],
               os.path.join(work, "mkfs.log"), 600)


def build(work, mirror):
    system = os.path.join(work, "system")
    with Step("debootstrap"):
        debootstrap(system, mirror, os.path.join(work, "debootstrap.log"))
    with Step("installing Wine, Xvfb, Python and the kernel"):
        configure(system, mirror)
        install(system, os.path.join(work, "install.log"))
    with Step("writing the disk image"):
        make_image(system, work)
    shutil.rmtree(system)


# ---- running the guest -----------------------------------------------------------
def job_script(environment, command):
    """The shell script the guest's init runs from the checkout's root."""
    lines = ["export %s=%s" % (name, shlex.quote(value)) for name, value in environment]
    lines.append("exec " + " ".join(shlex.quote(word) for word in command))
    return "\n".join(lines) + "\n"


def base_environment():
    """The command's environment; the checkout's Python modules are found
    as on the host, through PYTHONPATH."""
    return [("HOME", "/root"), ("PATH", "/usr/local/bin:/usr/bin:/bin:/usr/local/sbin:/usr/sbin:/sbin"),
            ("LANG", "C.UTF-8"), ("TMPDIR", "/tmp"), ("PYTHONPATH", ROOT)]


def parse_environment(pairs):
    parsed = []
    for pair in pairs:
        name, equals, value = pair.partition("=")
        if not equals or not name.isidentifier():
            raise Failure("--env wants NAME=VALUE, not %r" % pair)
        parsed.append((name, value))
    return parsed


def qemu_command(work, share, checkout):
    return ["qemu-system-x86_64", "-accel", "tcg,thread=multi", "-smp", "2", "-m", "4G",
            # With SMAP the guest's kernel oopses when a 32-bit Wine process
            # returns to user mode, and every Wine process dies. Four-level
            # page tables make each emulated page walk shorter.
            "-cpu", "max,-smap,-la57", "-machine", "q35",
            "-nodefaults", "-no-user-config", "-display", "none", "-monitor", "none", "-serial", "stdio",
            "-no-reboot",
            "-kernel", os.path.join(work, "vmlinuz"), "-initrd", os.path.join(work, "initrd.img"),
            "-append", " ".join(KERNEL_ARGUMENTS),
            # The disk is made again for the next run (or reused as it is):
            # its writes need not reach the host's disk in order.
            "-drive", "file=%s,if=virtio,format=raw,cache=unsafe" % os.path.join(work, "disk.img"),
            "-virtfs", "local,path=%s,mount_tag=lab,security_model=none" % share,
            "-virtfs", "local,path=%s,mount_tag=checkout,security_model=none" % checkout,
            "-device", "virtio-rng-pci"]


def why_no_status(console):
    """The reason, read from the console, that the guest stopped without an
    exit status."""
    lines = console.splitlines()
    for line in lines:  # the first of them is the cause; a panic follows an oops
        if any(marker in line for marker in ("Kernel panic", "Oops", "BUG:", "general protection fault")):
            return "the guest's kernel failed: %s" % line.strip()
    stages = [line for line in lines if line.startswith("lab: ")]
    if not stages:
        return "the guest never reached its init"
    return "the guest stopped without an exit status after %r" % stages[-1]


def read_status(path):
    try:
        with open(path) as f:
            text = f.read().strip()
    except OSError:
        return None
    return int(text) if text.isdigit() else None


class Console:
    """Copies qemu's serial output to the log and to our output, and notes
    when the guest's init reports each stage."""
    def __init__(self, stream, log):
        self.stream, self.log = stream, log
        self.seen = {}
        self.thread = threading.Thread(target=self.copy, daemon=True)
        self.thread.start()

    def copy(self):
        with open(self.log, "w") as out:
            for raw in self.stream:
                line = raw.decode("utf-8", "replace").rstrip("\r\n")
                out.write(line + "\n")
                out.flush()
                print(line, flush=True)
                if line.startswith("lab: "):
                    self.seen.setdefault(line[5:], time.time())


def boot(work, command, environment, timeout):
    share = os.path.join(work, "share")
    os.makedirs(share, exist_ok=True)
    write(os.path.join(share, "checkout"), ROOT + "\n")
    write(os.path.join(share, "job.sh"), job_script(base_environment() + environment, command))
    log = os.path.join(work, "console.log")
    started = time.time()
    say("booting (console in %s)" % log)
    qemu = subprocess.Popen(qemu_command(work, share, ROOT), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    console = Console(qemu.stdout, log)
    try:
        qemu.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        qemu.kill()
        qemu.wait()
        raise Failure("the guest did not finish within %d s; killed (see %s)" % (timeout, log))
    finally:
        console.thread.join(10)
    report_stages(console.seen, started)
    status = read_status(os.path.join(share, "status"))
    if status is None:
        with open(log, errors="replace") as f:
            text = f.read()
        if qemu.returncode != 0:
            raise Failure("qemu failed with exit code %d: %s" % (qemu.returncode, last_line(log)))
        raise Failure("%s (see %s)" % (why_no_status(text), log))
    say("the command ended with exit status %d" % status)
    return status


def report_stages(seen, started):
    boot_end = seen.get("command started")
    command_end = next((t for stage, t in seen.items() if stage.startswith("command ended")), None)
    if boot_end:
        say("booting took %.0f s" % (boot_end - started))
    if boot_end and command_end:
        say("the command took %.0f s" % (command_end - boot_end))
    if command_end:
        say("powering off took %.0f s" % (time.time() - command_end))


def main():
    parser = argparse.ArgumentParser(description="Runs a command in the emulated i386 Wine guest.")
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "i386"))
    parser.add_argument("--reuse", action="store_true", help="keep the guest already built in the work folder")
    parser.add_argument("--timeout", type=int, default=1800, help="seconds the guest may run, boot included")
    parser.add_argument("--mirror", default=MIRROR)
    parser.add_argument("--env", action="append", default=[], metavar="NAME=VALUE")
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    started = time.time()
    try:
        environment = parse_environment(args.env)
        reuse = args.reuse and all(os.path.exists(os.path.join(work, name)) for name in GUEST_FILES)
        if reuse:
            check_programs("qemu-system-x86_64")
            wipe(work, keep=GUEST_FILES)
            say("reusing the guest built in %s" % work)
        else:
            check_host(args.mirror)
            wipe(work)
            build(work, args.mirror)
        status = boot(work, args.command, environment, args.timeout)
    except Failure as failure:
        print("guest: %s" % failure, file=sys.stderr, flush=True)
        return LANE_FAILED
    say("the whole lane took %.0f s" % (time.time() - started))
    return status


if __name__ == "__main__":
    sys.exit(main())
