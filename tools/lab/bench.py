#!/usr/bin/python3
"""End-to-end bench: the real launcher under Wine on Xvfb, checked from
outside (X screenshots, xdotool, and a probe program running in the same Wine
prefix for Win32 facts).

    python3 -m tests.wine.cases --build DIR CASE...    run the named cases
    python3 -m tests.wine.cases --build DIR --list     list them

One Wine prefix is made per build tree and lane (wine_platform.py: the
launcher's own build under 32-bit Wine where the kernel runs 32-bit code,
else the 64-bit build under 64-bit Wine) and reused; each run starts its own
Xvfb. Drive E: of the prefix is a CD-ROM drive whose folder a case fills;
B:, an earlier CD-ROM drive, F:, a removable drive (a stick), and the share
\\\\lab\\share stay empty unless a case fills them.

AUTORUN_TIME_SCALE (default 1) stretches every wall-clock limit of the bench
by one factor, for a lane that runs under emulation.
"""
import fcntl
import math
import os
import shutil
import subprocess
import tempfile
import time

from PIL import Image

from tools import ROOT, resource_ids
from tools.build_steps.assemble_disc import assemble
from tools.lab.wine_platform import WINESERVER, choose_lane, lane_of

APP_PATHS = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths"
UNINSTALL = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
LAUNCHER = ("Autorun", "ZARNO KELVANDO(tm)")
NSIS_WIZARD = "#32770"  # the class of an NSIS wizard's window, a dialog box


def button_row(ids, layout):
    """[(button, left edge)] of one layout of the launcher's header, left to
    right: its LAYOUT_BUTTON_LEFT defines, each button by the lower-case name
    its pictures have (FRESH_README_LEFT: "readme", buttons/readme_*.bmp)."""
    prefix, suffix = layout + "_", "_LEFT"
    row = [(name[len(prefix):-len(suffix)].lower(), left) for name, left in ids.items()
           if name.startswith(prefix) and name.endswith(suffix)]
    return sorted(row, key=lambda slot: slot[1])


IDS = resource_ids.read()
FRESH_LAYOUT = button_row(IDS, "FRESH")
INSTALLED_LAYOUT = button_row(IDS, "INSTALLED")
FRESH, INSTALLED = dict(FRESH_LAYOUT), dict(INSTALLED_LAYOUT)  # each button's left edge
BUTTON_TOP = IDS["BUTTON_ROW_TOP"]
BUTTON_SIZE = (IDS["BUTTON_WIDTH"], IDS["BUTTON_HEIGHT"])
TIME_SCALE = float(os.environ.get("AUTORUN_TIME_SCALE") or 1)


def limit(seconds):
    """A wall-clock limit of the bench, stretched for an emulated lane."""
    return seconds * TIME_SCALE


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Bench:
    def __init__(self, build, depth=24, use_current_display=False, work=None, disc=None, launcher=None, out=None):
        """work: the folder of the prefix (by default BUILD/wine-LANE). disc:
        a folder that drive E: shows as it is, never filled or emptied by the
        bench (by default the bench's own, filled with the sample disc).
        launcher: the autorun.exe started and put on the disc (by default
        the one built for this machine's lane); its PE header picks the Wine
        loader, the prefix and the registry view. out: where screenshots
        go (by default BUILD/pictures)."""
        self.launcher = os.path.abspath(launcher) if launcher else None
        self.use_current_display = use_current_display
        self.build = os.path.abspath(build)
        if self.launcher:
            self.lane = lane_of(self.launcher)
        else:
            self.lane, reason = choose_lane()
            if self.lane is None:
                raise Failure("Wine cannot run on this machine: %s" % reason)
        self.windows = os.path.join(self.build, self.lane.build)  # the programs built for the lane
        self.pictures = os.path.join(os.path.abspath(out) if out else self.build, "pictures")
        self.work = os.path.abspath(work) if work else os.path.join(self.build, "wine-" + self.lane.name)
        self.prefix = os.path.join(self.work, "prefix")
        self.own_disc = disc is None
        self.cdrom = os.path.join(self.work, "cdrom") if disc is None else os.path.abspath(disc)  # drive E:
        self.fixed = os.path.join(self.work, "fixed")      # drive D:, a fixed disk
        self.floppy = os.path.join(self.work, "floppy")    # drive A:, so that the walk starts after it
        self.second_cdrom = os.path.join(self.work, "cdrom-b")  # drive B:, a CD-ROM drive, empty between cases
        self.stick = os.path.join(self.work, "stick")      # drive F:, a removable drive, empty between cases
        self.share = os.path.join(self.work, "share")      # \\lab\share, empty between cases
        self.depth = depth
        self.display = None
        self.xvfb = None
        self.children = []

    # ---- environment -------------------------------------------------
    def env(self, dll_overrides=None, locale=None):
        """Wine's environment; dll_overrides (WINEDLLOVERRIDES' syntax) are
        added to the lane's own. locale (de_DE.UTF-8) makes the user one of
        that language: Wine takes the UI language from LC_ALL."""
        env = dict(os.environ)
        env.update(self.lane.env(self.prefix))
        if dll_overrides:
            env["WINEDLLOVERRIDES"] += ";" + dll_overrides
        if locale:
            env["LC_ALL"] = locale
        env["DISPLAY"] = self.display or env.get("DISPLAY", "")
        return env

    def start_display(self, use_current=False):
        if use_current and os.environ.get("DISPLAY"):
            self.display = os.environ["DISPLAY"]
            return
        for n in range(90, 190):
            if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
                self.display = ":%d" % n
                self.xvfb = subprocess.Popen(
                    ["Xvfb", self.display, "-screen", "0", "1024x768x%d" % self.depth, "-nolisten", "tcp"],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                for _ in range(100):
                    if os.path.exists("/tmp/.X11-unix/X%d" % n):
                        time.sleep(0.2)
                        return
                    time.sleep(0.05)
        raise Failure("no free X display")

    def prepare_prefix(self):
        os.makedirs(self.work, exist_ok=True)
        with open(os.path.join(self.work, "prefix.lock"), "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            ready = os.path.join(self.prefix, ".bench-ready-4")
            if not os.path.exists(ready):
                shutil.rmtree(self.prefix, ignore_errors=True)
                self.start_wine()
                # A crashed program then ends, instead of Wine's crash dialog
                # keeping its window (and the launcher's identity) up.
                self.wine_reg("add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog", "/t", "REG_DWORD",
                              "/d", "0", "/f")
                self.wine_reg("add", r"HKLM\Software\Wine\Drives", "/v", "e:", "/d", "cdrom", "/f", "/reg:64")
                self.wine_reg("add", r"HKLM\Software\Wine\Drives", "/v", "d:", "/d", "hd", "/f", "/reg:64")
                self.wine_reg("add", r"HKLM\Software\Wine\Drives", "/v", "a:", "/d", "floppy", "/f", "/reg:64")
                self.wine_reg("add", r"HKLM\Software\Wine\Drives", "/v", "b:", "/d", "cdrom", "/f", "/reg:64")
                self.wine_reg("add", r"HKLM\Software\Wine\Drives", "/v", "f:", "/d", "floppy", "/f", "/reg:64")
                # Drive types are read when the server starts: stop it (which
                # also saves the registry); start_wine below starts it again.
                subprocess.run([WINESERVER, "-k"], env=self.env(), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                subprocess.run([WINESERVER, "-w"], env=self.env(), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                open(ready, "w").close()
        os.makedirs(self.cdrom, exist_ok=True)
        os.makedirs(self.fixed, exist_ok=True)
        os.makedirs(self.floppy, exist_ok=True)
        os.makedirs(self.second_cdrom, exist_ok=True)
        os.makedirs(self.stick, exist_ok=True)
        os.makedirs(self.share, exist_ok=True)
        devices = os.path.join(self.prefix, "dosdevices")
        # Wine finds \\SERVER\SHARE at dosdevices/unc/SERVER/SHARE.
        os.makedirs(os.path.join(devices, "unc", "lab"), exist_ok=True)
        for name, target in (("e:", self.cdrom), ("d:", self.fixed), ("a:", self.floppy),
                             ("b:", self.second_cdrom), ("f:", self.stick), ("unc/lab/share", self.share)):
            link = os.path.join(devices, name)
            if os.path.islink(link) or os.path.exists(link):
                os.remove(link)
            os.symlink(target, link)
        self.start_wine()

    def start_wine(self):
        """Starts a persistent wineserver and Wine's services with no pipe of
        ours, so that a later call whose output is captured does not wait
        for them to close it. Makes the prefix when there is none."""
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            subprocess.run([self.lane.loader, "wineboot", "-i"], env=self.env(), check=True, **quiet)
            subprocess.run([WINESERVER, "-w"], env=self.env(), **quiet)
        subprocess.run([WINESERVER, "-p"], env=self.env(), **quiet)
        subprocess.run([self.lane.loader, "wineboot"], env=self.env(), check=True, **quiet)

    def __enter__(self):
        self.start_display(self.use_current_display)
        try:
            self.prepare_prefix()
            self.reset_world()
        except BaseException:
            self.__exit__()  # no Xvfb left behind when Wine cannot start
            raise
        return self

    def __exit__(self, *exc):
        for child in self.children:
            if child.poll() is None:
                child.kill()
        subprocess.run([WINESERVER, "-k"], env=self.env(), stderr=subprocess.DEVNULL)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()

    # ---- Wine --------------------------------------------------------
    def wine(self, *args, timeout=60, dll_overrides=None):
        return subprocess.run([self.lane.loader] + list(args), env=self.env(dll_overrides), capture_output=True,
                              text=True, timeout=limit(timeout))

    def wine_reg(self, *args):
        """reg.exe, in the registry view that the launcher under test reads
        unless the arguments name one."""
        view = [] if any(a.startswith("/reg:") for a in args) else [self.lane.view]
        return subprocess.run([self.lane.loader, "reg"] + list(args) + view, env=self.env(), capture_output=True,
                              text=True)

    def start(self, *args, dll_overrides=None, locale=None):
        child = subprocess.Popen([self.lane.loader] + list(args), env=self.env(dll_overrides, locale),
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.children.append(child)
        return child

    def probe(self, *args, timeout=60):
        return self.wine(self.program("probe.exe"), *args, timeout=timeout)

    def program(self, name):
        return os.path.join(self.windows, "tools", "lab", "programs", name)

    def path_of(self, class_name, title="-"):
        out = self.probe("path", class_name, title)
        return out.stdout.strip() if out.returncode == 0 else None

    def launcher_path(self):
        return self.launcher or os.path.join(self.windows, "autorun.exe")

    def start_launcher(self, program=None, dll_overrides=None, locale=None):
        """Starts the launcher built for the lane, or program: a copy of it
        named as Windows names it ("C:\\...\\autorun.exe")."""
        return self.start(program or self.launcher_path(), dll_overrides=dll_overrides, locale=locale)

    def find(self, class_name, title="-"):
        out = self.probe("find", class_name, title).stdout.strip()
        if out == "none" or not out:
            return None
        fields = {}
        head, _, title = out.partition(" title=")
        fields["title"] = title
        for part in head.split():
            key, _, value = part.partition("=")
            fields[key] = value
        fields["outer"] = tuple(int(v) for v in fields["outer"].split(","))
        fields["origin"] = tuple(int(v) for v in fields["origin"].split(","))
        fields["client"] = tuple(int(v) for v in fields["client"].split(","))
        fields["style"] = int(fields["style"], 16)
        return fields

    def wait_for(self, class_name, title="-", seconds=20):
        seconds = int(math.ceil(limit(seconds)))
        return self.probe("wait", class_name, title, str(seconds), timeout=seconds + 30).returncode == 0

    def wait_gone(self, class_name, title="-", seconds=20):
        seconds = int(math.ceil(limit(seconds)))
        return self.probe("wait-gone", class_name, title, str(seconds), timeout=seconds + 30).returncode == 0

    def post(self, class_name, title, message, wparam=0, lparam=0):
        return self.probe("post", class_name, title, str(message), str(wparam), str(lparam)).returncode == 0

    # ---- the world a case starts from --------------------------------
    def reset_world(self):
        self.wine_reg("delete", APP_PATHS + r"\orvik.exe", "/f")
        self.wine_reg("delete", UNINSTALL + r"\Orvik", "/f")
        windows = os.path.join(self.prefix, "drive_c", "windows")
        for name in ("orvik.ini",):
            path = os.path.join(windows, name)
            if os.path.exists(path):
                os.remove(path)
        for folder in ("Orvik", "Program Files/Orvik", "Program Files (x86)/Orvik"):
            shutil.rmtree(os.path.join(self.prefix, "drive_c", folder), ignore_errors=True)
        if self.own_disc:
            self.fill_disc()
        for entry in os.listdir(self.fixed):
            os.remove(os.path.join(self.fixed, entry))
        for folder in (self.second_cdrom, self.stick, self.share):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)

    def fill_disc(self, marker=True, skip=(), extra=None, folder=None, bootstrapper=False):
        """Drive E: (or folder) gets the sample disc, less the names in skip,
        with extra files (name: text) added or replaced; with bootstrapper,
        the older sample setup that starts an InstallShield_Win installer."""
        folder = folder or self.cdrom
        skip = tuple(skip) + (() if marker else ("kelvando.id",))
        assemble(self.windows, folder, skip, bootstrapper)
        if self.launcher and "autorun.exe" not in skip:
            shutil.copy(self.launcher, os.path.join(folder, "autorun.exe"))
        for name, text in (extra or {}).items():
            with open(os.path.join(folder, name), "w", newline="") as f:
                f.write(text)

    def install_companion(self):
        """Installs the sample companion the way the older sample installer
        does, into C:\\Orvik\\."""
        done = self.wine(os.path.join(self.windows, "samples", "install.exe"))
        check(done.returncode == 0, "the sample installer failed")

    def install_silently(self):
        """Installs the sample companion with the disc's NSIS setup, without
        its wizard (/S), into Program Files\\Orvik\\."""
        done = self.wine(os.path.join(self.cdrom, "setup.exe"), "/S")
        check(done.returncode == 0, "setup /S failed with exit code %d" % done.returncode)

    # ---- the NSIS wizard -------------------------------------------------
    def wizard(self, caption, seconds=20):
        """The probe's facts of the NSIS wizard once it shows: a dialog box
        whose title starts with caption (a page may add to it)."""
        found = {}

        def shown():
            found.update(self.find(NSIS_WIZARD) or {"title": "", "visible": "0"})
            return found["visible"] == "1" and found["title"].startswith(caption)
        check(wait_until(shown, seconds), "no %s wizard came up" % caption)
        return found

    def press(self, window, key):
        """A key for that window: the pointer rests on it first (without a
        window manager, X gives the keys to the window under the pointer)."""
        ox, oy = window["origin"]
        self.xdotool("mousemove", ox + 20, oy + 20, "key", key)

    def setup_pages(self, seconds=30):
        """Drives the disc's NSIS setup, once Install has started it, with
        the keyboard: Return presses each page's default button (Next,
        Install, Finish). Yields each page's name ("welcome", "folder",
        "finish") while it is shown, before its key."""
        wizard = self.wizard("Orvik Setup", seconds)
        yield "welcome"
        self.press(wizard, "Return")
        time.sleep(limit(1))
        yield "folder"
        self.press(wizard, "Return")
        check(wait_until(lambda: self.registry_has(APP_PATHS + r"\orvik.exe"), seconds),
              "setup recorded no App Paths entry")
        time.sleep(limit(1))
        yield "finish"
        self.press(wizard, "Return")

    def registry_has(self, key):
        return self.wine_reg("query", key).returncode == 0

    def install_app_paths(self):
        self.wine_reg("add", APP_PATHS + r"\orvik.exe", "/ve", "/d", r"C:\Orvik\orvik.exe", "/f")

    # ---- the screen ----------------------------------------------------
    def screenshot(self, path=None):
        """The whole screen."""
        return self.capture("root", path)

    def window_screenshot(self, title, path=None):
        """The X window with that title, read through its own colormap. On a
        palette display Wine gives its windows a private colormap, which no
        one installs without a window manager: a shot of the root would
        read their pixels through the wrong map."""
        env = dict(os.environ, DISPLAY=self.display)
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env, capture_output=True, text=True).stdout
        line = next(l for l in tree.splitlines() if '"%s"' % title in l)
        return self.capture(line.split()[0], path)

    def capture(self, window, path):
        handle, temp = tempfile.mkstemp(suffix=".png")
        os.close(handle)
        subprocess.run(["import", "-display", self.display, "-window", window, temp], check=True,
                       stderr=subprocess.DEVNULL)
        image = Image.open(temp).convert("RGB")
        image.load()
        os.remove(temp)
        if path:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            image.save(path)
        return image

    def xdotool(self, *args):
        env = dict(os.environ, DISPLAY=self.display)
        subprocess.run(["xdotool"] + [str(a) for a in args], env=env, check=True)


# ---- picture comparison ------------------------------------------------
def load_picture(path):
    return Image.open(path).convert("RGB")


def button_picture(name, state):
    return load_picture(os.path.join(ROOT, "src", "resources", "buttons", "%s_%s.bmp" % (name, state)))


def region_differences(screen, picture, origin, box=None):
    """Counts the pixels of picture (or of its box) that differ from the
    screen at origin + the box's corner."""
    left, top, right, bottom = box or (0, 0, picture.width, picture.height)
    ox, oy = origin
    expected = picture.crop((left, top, right, bottom))
    shown = screen.crop((ox + left, oy + top, ox + right, oy + bottom))
    a, b = expected.tobytes(), shown.tobytes()
    return sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3])


def check_layout(screen, origin, client, layout, states=None, background=None, pictures=button_picture):
    """The client area shows the background (by default the sample disc's)
    1:1 outside the buttons and each slot its picture for the state given
    (normal by default): pictures(name, state), the shipped one's unless
    given."""
    if background is None:
        background = load_picture(os.path.join(ROOT, "disc", "backgrnd.bmp"))
    width, height = client
    scene = background.crop((0, 0, width, height)).copy()
    for name, left in layout:
        state = (states or {}).get(name, "normal")
        scene.paste(pictures(name, state), (left, BUTTON_TOP))
    diff = region_differences(screen, scene, origin)
    check(diff == 0, "%d client pixels differ from background and %s" % (diff, [n for n, _ in layout]))


def slot_point(left, origin=(0, 0), dx=BUTTON_SIZE[0] // 2, dy=BUTTON_SIZE[1] // 2):
    """A point of the button whose left edge is left, its middle unless dx
    and dy say otherwise: on the screen from a window's client origin, or
    in the client area without one."""
    return origin[0] + left + dx, origin[1] + BUTTON_TOP + dy


def wait_until(predicate, seconds, step=0.25):
    end = time.time() + limit(seconds)
    while time.time() < end:
        if predicate():
            return True
        time.sleep(step)
    return predicate()


def wait_exit(child, seconds):
    try:
        return child.wait(timeout=limit(seconds))
    except subprocess.TimeoutExpired:
        return None


def put_in_drive(bench, letter, folder):
    """The drive (its letter and colon) now shows folder; the case's next
    Bench puts the drive's own folder back."""
    link = os.path.join(bench.prefix, "dosdevices", letter)
    os.remove(link)
    os.symlink(folder, link)


def swap_disc(bench):
    """Drive E: now holds another disc: the same files, setup.exe among them,
    but no marker."""
    other = os.path.join(bench.work, "other-disc")
    shutil.rmtree(other, ignore_errors=True)
    shutil.copytree(bench.cdrom, other, ignore=shutil.ignore_patterns("kelvando.id"))
    put_in_drive(bench, "e:", other)


def take_out(bench, letter):
    """The drive is empty now: no disc in it, the stick pulled out. The
    bench's own folder for it keeps its files (the sample installer the
    cases run from there among them)."""
    empty = os.path.join(bench.work, "empty")
    shutil.rmtree(empty, ignore_errors=True)
    os.makedirs(empty)
    put_in_drive(bench, letter, empty)


def launcher_pid():
    """The Linux process that runs autorun.exe under Wine (Wine gives it the
    program's own command line), not a Python driver that names the file."""
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    program = f.read().split(b"\0")[0]
            except OSError:
                continue
            if program.lower().endswith(b"autorun.exe"):
                return int(entry)
    return None


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime, in clock ticks
