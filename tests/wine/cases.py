#!/usr/bin/python3
"""The bench's cases. Each is a function of a running Bench; CTest runs each
as its own test:  python3 -m tests.wine.cases --build BUILD_DIR CASE"""
import argparse
import math
import os
import shutil
import sys
import threading
import time

import subprocess

from PIL import Image

from tests.wine import languages_seen
from tests.wine.bitmap_variants import VARIANTS
from tools.build_steps.assemble_disc import assemble
from tools.build_steps.make_art import STATIC_HIGH, STATIC_LOW
from tools.lab.bench import (APP_PATHS, UNINSTALL, BUTTON_SIZE, BUTTON_TOP, FRESH, FRESH_LAYOUT, INSTALLED,
                             INSTALLED_LAYOUT, LAUNCHER, NSIS_WIZARD, ROOT, Bench, Failure, button_picture, check, check_layout,
                             cpu_ticks, launcher_pid, limit, slot_point, swap_disc, take_out, wait_exit, wait_until)
from tools.lab.wine_platform import platform_missing, skip_unless_wine_runs

WS_POPUP, WS_CAPTION, WS_DLGFRAME = 0x80000000, 0x00C00000, 0x00400000
WM_CLOSE = 0x10


class CannotRunHere(Exception):
    """The Wine here does not do what the case needs to prove anything: the
    case is reported skipped (failed in CI), with the reason."""


def launcher_window(bench, seconds=20):
    check(bench.wait_for(*LAUNCHER, seconds=seconds), "the launcher window did not appear")
    return bench.find(*LAUNCHER)


def settle(bench, seconds=1.0):
    """Lets the window finish painting before a screenshot."""
    time.sleep(limit(seconds))


def shown_launcher(bench, program=None, dll_overrides=None, locale=None):
    """Starts the launcher (program: a copy of it, as Windows names it; as a
    user of locale) and waits for its window, painted; returns the process
    and the probe's facts of the window."""
    child = bench.start_launcher(program, dll_overrides, locale)
    window = launcher_window(bench)
    settle(bench)
    return child, window


def shown_with(bench, layout, program=None, dll_overrides=None):
    """shown_launcher, whose window shows the sample disc's picture with that
    layout's buttons."""
    child, window = shown_launcher(bench, program, dll_overrides)
    check_layout(bench.screenshot(), window["origin"], window["client"], layout)
    return child, window


# ---- start-up and the window ------------------------------------------------
def window_identity(bench):
    child = bench.start_launcher()
    window = launcher_window(bench)
    check(window["class"] == "Autorun", "class %s" % window["class"])
    check(window["outer"] == (192, 144, 832, 624), "outer rectangle %s" % (window["outer"],))
    check(window["style"] & WS_POPUP, "style 0x%08x lacks WS_POPUP" % window["style"])
    check(window["style"] & WS_CAPTION == WS_DLGFRAME, "style 0x%08x is not a bare dialog frame" % window["style"])
    check(bench.post(*LAUNCHER, message=WM_CLOSE), "WM_CLOSE could not be posted")
    check(wait_exit(child, 15) == 0, "exit code after WM_CLOSE: %s" % child.returncode)


def second_launcher_exits(bench):
    first = bench.start_launcher()
    launcher_window(bench)
    second = bench.start_launcher()
    check(wait_exit(second, 20) == 0, "the second launcher did not exit 0 (%s)" % second.returncode)
    check(first.poll() is None and bench.find(*LAUNCHER) is not None, "the first launcher was affected")


def launchers_started_together(bench):
    """Two or three launchers started at the same moment (AutoPlay and a
    double-click on the drive) leave one launcher window, ten tries each; the
    others end with exit code 0."""
    for count in (2, 3):
        for attempt in range(10):
            started = [bench.start_launcher() for _ in range(count)]
            check(bench.wait_for(*LAUNCHER), "%d launchers, try %d: no launcher window" % (count, attempt + 1))
            others = wait_until(lambda: sum(child.poll() is not None for child in started) >= count - 1, 20)
            windows = bench.probe("count", *LAUNCHER).stdout.strip()
            check(others and windows == "1", "%d launchers, try %d: %s windows, %d still running"
                  % (count, attempt + 1, windows, sum(child.poll() is None for child in started)))
            check(all(child.returncode == 0 for child in started if child.poll() is not None),
                  "%d launchers, try %d: exit codes %s" % (count, attempt + 1, [c.returncode for c in started]))
            check(bench.post(*LAUNCHER, message=WM_CLOSE), "WM_CLOSE could not be posted")
            check(all(wait_exit(child, 15) == 0 for child in started),
                  "%d launchers, try %d: the last did not end with 0" % (count, attempt + 1))


def companion_running(bench):
    companion = bench.start(bench.program("probe.exe"), "window", "OrvikControl", "Orvik", "30")
    check(bench.wait_for("OrvikControl", "Orvik"), "the stand-in companion window did not appear")
    child = bench.start_launcher()
    check(wait_exit(child, 20) == 0, "the launcher did not exit 0 beside the companion")
    check(bench.find(*LAUNCHER) is None, "a launcher window was created")
    companion.kill()


def no_disc(bench):
    # The marker only on a fixed disk (D:), none on the CD-ROM drive.
    bench.fill_disc(marker=False)
    with open(os.path.join(bench.fixed, "kelvando.id"), "w") as f:
        f.write("ZARNO KELVANDO\r\n")
    child = bench.start_launcher()
    check(wait_exit(child, 20) == 0, "the launcher did not exit 0 without a disc")
    check(bench.find(*LAUNCHER) is None, "a launcher window was created")


# ---- the picture window -------------------------------------------------------
def shows_layout(bench, layout, name):
    _, window = shown_launcher(bench)
    screen = bench.screenshot(os.path.join(bench.pictures, name + ".png"))
    check_layout(screen, window["origin"], window["client"], layout)
    crop_window(bench, screen, window, name + "-window.png")


def fresh_layout(bench):
    shows_layout(bench, FRESH_LAYOUT, "fresh-layout")


def installed_layout(bench):
    bench.install_app_paths()
    shows_layout(bench, INSTALLED_LAYOUT, "installed-layout")


def empty_instkey(bench):
    """An autorun.inf without "instkey" makes the launcher test the App Paths
    key itself ("...\\App Paths\\"), which a Windows registry opens: the
    installed layout shows. The unit tests' stand-in relies on this."""
    inf = "[autorun]\r\nopen=autorun.exe\r\n\r\n[install]\r\nuninstkey=Orvik\r\nbitmap=backgrnd.bmp\r\n"
    bench.fill_disc(extra={"autorun.inf": inf})
    bench.wine_reg("add", APP_PATHS, "/f")
    _, window = shown_launcher(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], INSTALLED_LAYOUT)


# The profile reader's rules that the unit tests' stand-in follows, checked
# against Wine's: (file contents, key of [install], value read).
PROFILE_RULES = [
    ("[install]\r\ninstkey=orvik.exe\r\n", "instkey", "orvik.exe"),
    ("[INSTALL]\r\nInstKey=orvik.exe\r\n", "instkey", "orvik.exe"),
    ("  [ install ]\r\n  instkey =  orvik.exe  \r\n", "instkey", "orvik.exe"),
    ("[install]\r\ninstkey=\"orvik.exe\"\r\nbitmap='b.bmp'\r\n", "instkey", "orvik.exe"),
    ("[install]\r\ninstkey=\"orvik.exe\"\r\nbitmap='b.bmp'\r\n", "bitmap", "b.bmp"),
    ("[install]\r\ninstkey=first\r\ninstkey=second\r\n", "instkey", "first"),
    ("[autorun]\r\ninstkey=no\r\n[install]\r\ninstkey=yes\r\n", "instkey", "yes"),
    ("[install]\r\n;instkey=no\r\ninstkey=yes\r\n", "instkey", "yes"),
    ("[install]\ninstkey=orvik.exe\nbitmap=b.bmp\n", "bitmap", "b.bmp"),
    ("[install]\r\nbitmap=a=b.bmp\r\n", "bitmap", "a=b.bmp"),
    ("[autorun]\r\nopen=autorun.exe\r\n", "instkey", "(default)"),
    ("[install]\r\nbitmap=b.bmp\r\n[install]\r\ninstkey=late\r\n", "instkey", "(default)"),
    ("instkey=no\r\n[install]\r\nbitmap=b.bmp\r\n", "instkey", "(default)"),
    ("[install]\r\ninstkey\r\ninstkey=later\r\n", "instkey", "(default)"),
    ("[autorun]\r\n[install\r\ninstkey=no\r\n", "instkey", "(default)"),
    ("[install] ]\r\ninstkey=no\r\n[install]x\r\ninstkey=yes\r\n", "instkey", "yes"),
    ("[install]\r\ninstkey=\"\r\nbitmap='b.bmp\"\r\n", "bitmap", "'b.bmp\""),
    ("[install]\r\n\tinstkey\t=\torvik.exe\x1a\r\n\x1a", "instkey", "orvik.exe"),
    ("[install]\r\nbitmap=b.bmp", "bitmap", "b.bmp"),
    ("\ufeff[Install]\r\ninstkey = \"orvik.exe\"\r\n".encode("utf-16-le"), "instkey", "orvik.exe"),
    ("\ufeff[install]\r\nbitmap=b.bmp\r\n".encode("utf-16-be"), "bitmap", "b.bmp"),
]


def profile_rules(bench):
    """Wine's profile functions and the launcher's own reader of autorun.inf
    read each file as the stand-in's profile reader does."""
    path = os.path.join(bench.fixed, "rules.inf")
    for text, key, expected in PROFILE_RULES:
        with open(path, "wb") as f:
            f.write(text if isinstance(text, bytes) else text.encode("latin-1"))
        for verb, reader in (("profile", "Wine"), ("reader", "the launcher")):
            got = bench.probe(verb, r"D:\rules.inf", "install", key).stdout.strip()
            check(got == "[%s]" % expected, "%r, %s: %s reads %s, not [%s]" % (text, key, reader, got, expected))


INI_FILE_MAPPING = r"HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping\Autorun.inf"


def ini_file_mapping(bench):
    """A machine that turns AutoRun off maps every autorun.inf to nothing. The
    profile functions then read the disc's file as empty; the launcher, which
    reads the file's own bytes, shows the sample disc as without the mapping."""
    try:
        for view in ("/reg:32", "/reg:64"):
            bench.wine_reg("add", INI_FILE_MAPPING, "/ve", "/d", "@SYS:DoesNotExist", "/f", view)
        got = bench.probe("profile", r"E:\autorun.inf", "install", "instkey").stdout.strip()
        check(got == "[(default)]", "the mapping is not in force: Wine's profile functions read %s" % got)
        shows_layout(bench, FRESH_LAYOUT, "ini-file-mapping")
    finally:
        for view in ("/reg:32", "/reg:64"):
            bench.wine_reg("delete", INI_FILE_MAPPING, "/f", view)


def hover(bench):
    bench.start_launcher()
    window = launcher_window(bench)
    ox, oy = window["origin"]
    settle(bench)
    # Onto Read Me, then onto Install, then off every button.
    bench.xdotool("mousemove", *slot_point(FRESH["readme"], window["origin"]))
    settle(bench, 0.7)
    screen = bench.screenshot()
    check_layout(screen, window["origin"], window["client"], FRESH_LAYOUT, {"readme": "highlighted"})
    crop_window(bench, screen, window, "highlighted-button-window.png")
    bench.xdotool("mousemove", *slot_point(FRESH["install"], window["origin"], 3, 3))
    settle(bench, 0.7)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT, {"install": "highlighted"})
    bench.xdotool("mousemove", ox + 20, oy + 20)
    settle(bench, 0.7)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT)


def palette_display(bench):
    """On a 256-colour display the launcher starts, paints and answers the
    palette messages without failing; its window looks the same after
    another program has realized a palette of its own."""
    child, window = shown_launcher(bench)
    title = LAUNCHER[1]
    before = bench.window_screenshot(title, os.path.join(bench.pictures, "depth8-start.png"))
    other = bench.start(bench.program("probe.exe"), "palette", "3")
    check(wait_until(lambda: bench.find("ProbePalette") is not None, 10), "the other palette's window did not appear")
    time.sleep(1)
    bench.probe("foreground", *LAUNCHER)
    wait_exit(other, 15)
    bench.probe("foreground", *LAUNCHER)
    settle(bench)
    after = bench.window_screenshot(title, os.path.join(bench.pictures, "depth8-after.png"))
    check(child.poll() is None and bench.find(*LAUNCHER) is not None, "the launcher did not survive")
    check(before.tobytes() == after.tobytes(), "the window's pixels changed after the palette came back")
    shown = set(before.getdata())
    static = set(STATIC_LOW + STATIC_HIGH)
    print("depth 8: %d distinct colours in the window, %d of them outside the 20 static colours"
          % (len(shown), len(shown - static)))
    try:
        check_layout(before, (0, 0), window["client"], FRESH_LAYOUT)
        print("depth 8: the window shows the pictures' exact colours")
    except Failure as failure:
        print("depth 8: not the pictures' exact colours (%s)" % failure)


# ---- launching, driven with real pointer clicks --------------------------------
CENTRED = (192, 144, 832, 624)
HIDDEN = (-1, -1, -1, -1)


def click(bench, window, left):
    """Clicks the middle of a button slot, then moves the pointer off the
    launcher so that no button is left highlighted under it."""
    bench.xdotool("mousemove", *slot_point(left, window["origin"]), "click", "1")
    time.sleep(0.2)
    bench.xdotool("mousemove", 1000, 10)


def launcher_outer(bench):
    window = bench.find(*LAUNCHER)
    return window["outer"] if window else None


def wait_hidden(bench, seconds=10):
    check(wait_until(lambda: launcher_outer(bench) == HIDDEN, seconds),
          "the launcher was not hidden (outer %s)" % (launcher_outer(bench),))


def wait_back(bench, seconds):
    """Waits for the launcher at the centre again; returns how long it took."""
    started = time.time()
    check(wait_until(lambda: launcher_outer(bench) == CENTRED, seconds, step=0.1),
          "the launcher did not come back within %s s (outer %s)" % (seconds, launcher_outer(bench)))
    return time.time() - started


def back_promptly(bench, after, seconds=5, within=2.0):
    """The launcher is back at the centre within two seconds, or as many as
    within says (stretched for an emulated lane), of what it waited for."""
    took = wait_back(bench, seconds)
    print("back %.2f s after %s" % (took, after))
    check(took <= limit(within), "the launcher took %.2f s to come back" % took)


def cancel_ends(bench, child, window, slots):
    """Cancel (at its slot of the layout shown) ends the launcher with 0."""
    click(bench, window, slots["cancel"])
    check(wait_exit(child, 15) == 0, "Cancel did not end the launcher with 0 (%s)" % child.returncode)


def install_round_trip(bench, program=None, root="E:\\"):
    """Install from the fresh layout runs the setup.exe of the disc at root
    (ORVIK\\install.exe beside it shows the installer's window), and the
    launcher comes back with the installed layout. program: where the
    launcher is started from (by default the build's, which finds E:)."""
    if root == "E:\\":
        bench.fill_disc(bootstrapper=True)
    child, window = shown_with(bench, FRESH_LAYOUT, program)
    click(bench, window, FRESH["install"])
    wait_hidden(bench)
    check(bench.wait_for("InstallShield_Win", seconds=20), "the installer window did not appear")
    installer = (bench.path_of("InstallShield_Win") or "").lower()
    check(installer == (root + "ORVIK\\install.exe").lower(), "the installer started is %r" % installer)
    check(bench.wait_gone("InstallShield_Win", seconds=30), "the installer window did not go away")
    back_promptly(bench, "the installer window went")
    settle(bench)
    screen = bench.screenshot(os.path.join(bench.pictures, "after-install.png"))
    check_layout(screen, window["origin"], window["client"], INSTALLED_LAYOUT)
    check(bench.registry_has(APP_PATHS + r"\orvik.exe"), "the installer recorded no App Paths entry")
    cancel_ends(bench, child, window, INSTALLED)


def readme_notepad(bench, program=None, root="E:\\"):
    """Read Me opens the read-me of the disc at root in Notepad, named as
    one argument, blanks and all; the launcher comes back when it closes."""
    child, window = shown_with(bench, FRESH_LAYOUT, program)
    readme_shown(bench, window)
    notepads = [words for words in wine_programs(bench) if words[0].endswith("notepad.exe")]
    check(len(notepads) == 1 and notepads[0][1:] == [(root + "readme.txt").lower()],
          "Notepad's command line: %s" % notepads)
    time.sleep(1.5)
    close_readme_and_back(bench, window)
    cancel_ends(bench, child, window, FRESH)


def readme_shown(bench, window):
    """Read Me pressed: the launcher hides and Notepad shows the read-me."""
    click(bench, window, FRESH["readme"])
    wait_hidden(bench)
    check(bench.wait_for("Notepad", seconds=20), "Notepad did not open")
    # Notepad's window comes up titled "Untitled" and takes the file's name
    # once it has read it.
    check(wait_until(lambda: "readme" in (bench.find("Notepad") or {}).get("title", "").lower(), 10),
          "Notepad shows %r" % (bench.find("Notepad") or {}).get("title"))


def close_readme_and_back(bench, window, pictures=button_picture):
    """The launcher, hidden while the read-me's Notepad window is open, comes
    back promptly with the fresh layout (of pictures) once that window is
    closed."""
    check(launcher_outer(bench) == HIDDEN, "the launcher came back while the read-me was open")
    bench.post("Notepad", "-", message=WM_CLOSE)
    check(bench.wait_gone("Notepad", seconds=10), "the read-me's window did not close")
    back_promptly(bench, "the read-me's window closed")
    settle(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT, pictures=pictures)


def uninstall_and_back(bench, window):
    """Clicks Uninstall; the sample uninstaller runs while the launcher is
    hidden, and the launcher comes back with the fresh layout."""
    click(bench, window, INSTALLED["uninstall"])
    wait_hidden(bench)
    check(bench.wait_for("OrvikUninstall", seconds=20), "the uninstaller did not start")
    check(bench.wait_gone("OrvikUninstall", seconds=30), "the uninstaller did not end")
    wait_back(bench, 5)
    settle(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT)


def uninstall_round_trip(bench, program=None):
    bench.install_companion()
    child, window = shown_with(bench, INSTALLED_LAYOUT, program)
    uninstall_and_back(bench, window)
    check(not bench.registry_has(APP_PATHS + r"\orvik.exe"), "the App Paths entry is still there")
    cancel_ends(bench, child, window, FRESH)


def run_companion(bench, program=None):
    bench.install_companion()
    # The folder recorded in orvik.ini is where the companion is started from.
    kit = os.path.join(bench.prefix, "drive_c", "KIT")
    os.makedirs(kit, exist_ok=True)
    shutil.copy(sample(bench, "orvik.exe"), kit)
    run_from(bench, "C:\\KIT\\", r"c:\kit\orvik.exe", program)


def run_from(bench, folder, expected, program=None):
    """Records folder in orvik.ini, clicks Run, and checks that the launcher
    ended and that the companion's window belongs to the program expected."""
    with open(os.path.join(bench.prefix, "drive_c", "windows", "orvik.ini"), "w", newline="") as f:
        f.write("[INSTALL]\r\nDIR=%s\r\n" % folder)
    run_and_end(bench, expected, program)


def run_and_end(bench, expected, program=None):
    """Clicks Run: the launcher ends, and the companion's window belongs to
    the program expected."""
    child, window = shown_launcher(bench, program)
    click(bench, window, INSTALLED["run"])
    check(wait_exit(child, 15) == 0, "Run did not end the launcher with 0 (%s)" % child.returncode)
    check(bench.wait_for("OrvikControl", "Orvik"), "the companion did not start")
    path = bench.path_of("OrvikControl", "Orvik")
    check(path is not None and path.lower() == expected, "the program started is %s" % path)


def run_folder_with_blanks(bench):
    """Run starts the companion from a recorded folder with a blank in it,
    not a program planted where an unquoted command line is looked for
    first (C:\\Program.exe): the plant is a copy of the companion, so the
    path of the program whose window shows tells which of the two started."""
    bench.install_app_paths()
    drive_c = os.path.join(bench.prefix, "drive_c")
    folder = os.path.join(drive_c, "Program Files", "Orvik Kit")
    os.makedirs(folder, exist_ok=True)
    companion = sample(bench, "orvik.exe")
    shutil.copy(companion, folder)
    plant = os.path.join(drive_c, "Program.exe")
    shutil.copy(companion, plant)
    try:
        run_from(bench, "C:\\Program Files\\Orvik Kit\\", r"c:\program files\orvik kit\orvik.exe")
    finally:
        os.remove(plant)
        shutil.rmtree(folder, ignore_errors=True)


def uninstall_expandable_string(bench):
    """An UninstallString stored as REG_EXPAND_SZ is expanded before it is
    started: %SystemDrive%\\Orvik\\uninst.exe runs the sample uninstaller."""
    bench.install_companion()
    bench.wine_reg("add", UNINSTALL + r"\Orvik", "/v", "UninstallString", "/t", "REG_EXPAND_SZ", "/d",
                   r"%SystemDrive%\Orvik\uninst.exe /remove", "/f")
    stored = bench.wine_reg("query", UNINSTALL + r"\Orvik", "/v", "UninstallString").stdout
    check("REG_EXPAND_SZ" in stored and "%SystemDrive%" in stored, "the value is not stored unexpanded: %r" % stored)
    _, window = shown_launcher(bench)
    uninstall_and_back(bench, window)


def damaged_background(bench):
    """A background picture cut short is not loaded: the launcher stays up
    and shows black behind its buttons (the system's loader would read past
    the end of the file)."""
    with open(os.path.join(ROOT, "disc", "backgrnd.bmp"), "rb") as f:
        picture = f.read()
    child = None
    for cut in (len(picture) // 2, len(picture) - 1, 1078 + 640):
        bench.fill_disc()
        with open(os.path.join(bench.cdrom, "backgrnd.bmp"), "wb") as f:
            f.write(picture[:cut])
        child, window = shown_launcher(bench)
        black = Image.new("RGB", (640, 480))
        check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT, background=black)
        check(child.poll() is None, "the launcher ended with %s on a picture cut to %d bytes" % (child.returncode, cut))
        bench.post(*LAUNCHER, message=WM_CLOSE)
        check(wait_exit(child, 15) == 0, "the launcher did not end with 0 after WM_CLOSE")


def background_verdicts(bench):
    """Every variant of the sample background (another header, row order,
    compression or depth; cut short; off the palette) gets a disc-check
    verdict that agrees with what the launcher shows of it: no fault only
    for a picture shown exactly; the rest named, with the screen each shows
    here."""
    black = Image.new("RGB", (640, 480))
    failures = []
    for name, make, fault, screen in VARIANTS:
        bench.fill_disc()
        with open(os.path.join(bench.cdrom, "backgrnd.bmp"), "wb") as f:
            f.write(make())
        run = subprocess.run([os.path.join(ROOT, "scripts", "disc-check"), bench.cdrom], capture_output=True,
                             text=True)
        faults = [line for line in run.stdout.splitlines() if line.startswith("backgrnd.bmp")]
        child, window = shown_launcher(bench)
        shot = bench.screenshot()
        shown = "other"
        for label, picture in (("exact", None), ("black", black)):
            try:
                check_layout(shot, window["origin"], window["client"], FRESH_LAYOUT, background=picture)
                shown = label
                break
            except Failure:
                pass
        bench.post(*LAUNCHER, message=WM_CLOSE)
        wait_exit(child, 15)
        verdict_ok = (not faults and run.returncode == 0) if fault is None else \
            (run.returncode == 1 and len(faults) >= 1 and any(fault in line for line in faults))
        print("%-48s disc-check %d %s; screen %s" % (name, run.returncode, faults or "no faults", shown))
        if not verdict_ok:
            failures.append("%s: disc-check said %d %s" % (name, run.returncode, faults))
        if shown != screen:
            failures.append("%s: the launcher showed %s, not %s" % (name, shown, screen))
        if not faults and shown != "exact":
            failures.append("%s: no fault found, but the launcher did not show it exactly" % name)
    check(not failures, "; ".join(failures))


def cancel(bench):
    child, window = shown_launcher(bench)
    cancel_ends(bench, child, window, FRESH)


def second_launcher_while_hidden(bench):
    first, window = shown_launcher(bench)
    click(bench, window, FRESH["readme"])
    wait_hidden(bench)
    second = bench.start_launcher()
    check(wait_exit(second, 20) == 0, "the second launcher did not exit 0")
    check(first.poll() is None and launcher_outer(bench) == HIDDEN, "the first launcher was affected")
    check(bench.wait_for("Notepad", seconds=20), "Notepad did not open")
    bench.post("Notepad", "-", message=WM_CLOSE)
    wait_back(bench, 5)


def missing_setup(bench):
    bench.fill_disc(skip=("setup.exe",))
    _, window = shown_launcher(bench)
    click(bench, window, FRESH["install"])
    took = wait_back(bench, 3)
    print("back %.2f s after the click" % took)
    settle(bench)
    check(launcher_outer(bench) == CENTRED, "the launcher did not stay shown")
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT)


def install_that_starts_nothing(bench):
    """Install with no setup.exe on the disc comes back, and leaves no wait
    for an installer behind it: Read Me then comes back as promptly as in a
    run where Install was never pressed."""
    bench.fill_disc(skip=("setup.exe",))
    _, window = shown_launcher(bench)
    click(bench, window, FRESH["install"])
    wait_back(bench, 3)
    settle(bench)
    click(bench, window, FRESH["readme"])
    wait_hidden(bench)
    check(bench.wait_for("Notepad", seconds=20), "Notepad did not open")
    time.sleep(1)
    bench.post("Notepad", "-", message=WM_CLOSE)
    check(bench.wait_gone("Notepad", seconds=10), "Notepad did not close")
    back_promptly(bench, "Notepad closed", seconds=10)


def setup_without_installer_window(bench):
    # A setup program that ends at once and never shows an installer window.
    bench.fill_disc(skip=("setup.exe",))
    shutil.copy(bench.program("probe.exe"), os.path.join(bench.cdrom, "setup.exe"))
    _, window = shown_launcher(bench)
    click(bench, window, FRESH["install"])
    clicked = time.time()
    wait_hidden(bench)
    time.sleep(50)
    check(launcher_outer(bench) == HIDDEN, "the launcher came back before the limit")
    wait_back(bench, 20)
    print("back %.1f s after the click" % (time.time() - clicked))
    settle(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT)


def uninstall_string_missing(bench):
    bench.install_app_paths()
    bench.wine_reg("add", UNINSTALL + r"\Orvik", "/f")
    _, window = shown_launcher(bench)
    click(bench, window, INSTALLED["uninstall"])
    time.sleep(2)
    check(launcher_outer(bench) == CENTRED, "the launcher did not stay shown")
    check_layout(bench.screenshot(), window["origin"], window["client"], INSTALLED_LAYOUT)


# ---- soak ------------------------------------------------------------------------
def usage(bench):
    """GDI objects as Windows counts them (Wine 8 answers 0: it does not
    count them), and the private memory of the launcher's process as Linux
    counts it (Wine 8 does not fill in Windows' private usage)."""
    out = bench.probe("usage", *LAUNCHER).stdout.split()
    counts = {key: int(value) for key, value in (part.split("=") for part in out)}
    private = 0
    with open("/proc/%d/smaps_rollup" % launcher_pid()) as f:
        for line in f:
            if line.startswith(("Private_Clean:", "Private_Dirty:")):
                private += int(line.split()[1]) * 1024
    return {"gdi": counts["gdi"], "private": private}


def soak(bench):
    """Thousands of hover changes and palette messages leave the launcher's
    GDI objects and private memory where they were; hidden and watching,
    it costs no CPU beyond its tick a second."""
    _, window = shown_launcher(bench)
    # Between Read Me and Cancel: every move is two hover changes.
    warm = bench.probe("soak", *LAUNCHER, "1000", "322", "467", "360", timeout=300)
    check(warm.returncode == 0, "the soak could not run")
    before = usage(bench)
    rounds = []
    for _ in range(3):
        out = bench.probe("soak", *LAUNCHER, "2000", "322", "467", "360", timeout=600).stdout.strip()
        rounds.append(usage(bench))
    after = rounds[-1]
    print("soak: %s; after 1,000 warm-up moves %s; after each further 2,000 moves %s" % (out, before, rounds))
    print("soak: 12,000 hover changes and 1,200 palette messages after the warm-up")
    check(after["gdi"] <= before["gdi"], "GDI objects grew from %d to %d" % (before["gdi"], after["gdi"]))
    growth = after["private"] - before["private"]
    check(growth <= 64 * 1024, "private memory grew by %d bytes" % growth)
    check(bench.find(*LAUNCHER) is not None, "the launcher did not survive")
    settle(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT)

    # Hidden while Notepad runs: measure the launcher's own CPU time.
    click(bench, window, FRESH["readme"])
    wait_hidden(bench)
    pid = launcher_pid()
    check(pid is not None, "no autorun.exe process found")
    time.sleep(2)
    start = cpu_ticks(pid)
    time.sleep(20)
    used = cpu_ticks(pid) - start
    ticks_per_second = os.sysconf("SC_CLK_TCK")
    print("hidden: %d CPU ticks (%.0f ms) in 20 s of watching" % (used, used * 1000.0 / ticks_per_second))
    check(used * 1000.0 / ticks_per_second <= 200, "the hidden launcher used %d CPU ticks in 20 s" % used)


def crop_window(bench, screen, window, name):
    ox, oy = window["origin"]
    w, h = window["client"]
    screen.crop((ox, oy, ox + w, oy + h)).save(os.path.join(bench.pictures, name))


# ---- the keyboard, a disc that leaves, the launcher's own drive ------------------
def keyboard_focus(bench, window):
    """The launcher in the foreground and the pointer resting on it off the
    buttons: without a window manager, X gives the keys to the window under
    the pointer."""
    bench.probe("foreground", *LAUNCHER)
    ox, oy = window["origin"]
    bench.xdotool("mousemove", ox + 20, oy + 20)
    time.sleep(0.5)


def keyboard_readme(bench):
    """Tab Tab Enter on the fresh layout opens the read-me, as a click on
    Read Me does."""
    _, window = shown_launcher(bench)
    keyboard_focus(bench, window)
    bench.xdotool("key", "Tab", "Tab")
    settle(bench, 0.7)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT, {"readme": "highlighted"})
    bench.xdotool("key", "Return")
    wait_hidden(bench)
    check(bench.wait_for("Notepad", seconds=20), "Notepad did not open")
    check(wait_until(lambda: "readme" in (bench.find("Notepad") or {}).get("title", "").lower(), 10),
          "Notepad shows %r" % (bench.find("Notepad") or {}).get("title"))
    bench.post("Notepad", "-", message=WM_CLOSE)
    check(bench.wait_gone("Notepad", seconds=10), "Notepad did not close")
    wait_back(bench, 5)


def keyboard_escape(bench):
    child, window = shown_launcher(bench)
    keyboard_focus(bench, window)
    bench.xdotool("key", "Escape")
    check(wait_exit(child, 15) == 0, "Esc did not end the launcher with 0 (%s)" % child.returncode)


def installer_starts(bench, seconds=5):
    return bench.wait_for("InstallShield_Win", seconds=seconds)


def volume_gone(bench, letters):
    """Windows' report to every window that those drives' media have gone."""
    check(bench.probe("volume-gone", *LAUNCHER, letters).returncode == 0, "the device message could not be sent")


def stays_after_removal(bench, child, letters):
    volume_gone(bench, letters)
    time.sleep(1)
    check(child.poll() is None and launcher_outer(bench) == CENTRED,
          "the removal reported for %s ended the launcher" % letters.upper())


def ends_after_removal(bench, child, letter, others):
    """Other drives' media reported gone leave the shown launcher as it is;
    its own drive's ends it with 0."""
    stays_after_removal(bench, child, others)
    volume_gone(bench, letter)
    check(wait_exit(child, 15) == 0, "the launcher did not end with 0 (%s)" % child.returncode)


def disc_leaves_shown(bench):
    """The disc is swapped for another with a setup.exe and no marker, and
    Windows reports the medium gone: the launcher ends and starts nothing.
    Another drive's report changes nothing."""
    bench.fill_disc(bootstrapper=True)
    child, _ = shown_launcher(bench)
    swap_disc(bench)
    ends_after_removal(bench, child, "e", "d")
    check(not installer_starts(bench), "a program started from the other disc")


def install_from_another_disc(bench):
    """Swapped with no report at all: Install starts nothing from the other
    disc, and the launcher ends."""
    bench.fill_disc(bootstrapper=True)
    child, window = shown_launcher(bench)
    swap_disc(bench)
    click(bench, window, FRESH["install"])
    check(wait_exit(child, 15) == 0, "the launcher did not end with 0 (%s)" % child.returncode)
    check(not installer_starts(bench), "Install started the other disc's setup")


def disc_leaves_while_notepad(bench):
    """The same swap while Notepad shows the read-me: the hidden launcher
    goes on waiting, and when Notepad closes it ends instead of coming back."""
    child, window = shown_launcher(bench)
    click(bench, window, FRESH["readme"])
    wait_hidden(bench)
    check(bench.wait_for("Notepad", seconds=20), "Notepad did not open")
    check(wait_until(lambda: "readme" in (bench.find("Notepad") or {}).get("title", "").lower(), 10),
          "Notepad shows %r" % (bench.find("Notepad") or {}).get("title"))
    swap_disc(bench)
    volume_gone(bench, "e")
    time.sleep(1.5)
    check(child.poll() is None and launcher_outer(bench) == HIDDEN, "the hidden launcher did not go on waiting")
    bench.post("Notepad", "-", message=WM_CLOSE)
    check(bench.wait_gone("Notepad", seconds=10), "Notepad did not close")
    check(wait_exit(child, 10) == 0, "the launcher did not end after Notepad closed (%s)" % child.returncode)


def own_drive_first(bench):
    """A second marked disc on B:, a CD-ROM drive the walk reaches before
    E:, whose folder has no background picture (a black window). Started
    from somewhere else, the launcher takes B:; started from E:, its own."""
    assemble(bench.windows, bench.second_cdrom, ("backgrnd.bmp",))
    black = Image.new("RGB", (640, 480))
    for program, background in ((bench.launcher_path(), black), ("E:\\autorun.exe", None)):
        child = bench.start(program)
        window = launcher_window(bench)
        settle(bench)
        check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT, background=background)
        bench.post(*LAUNCHER, message=WM_CLOSE)
        check(wait_exit(child, 15) == 0, "the launcher started as %s did not end with 0" % program)


# ---- setups that hand over late, and programs planted beside the launcher ----------
def setup_runs(bench):
    return any(words[0].endswith("setup.exe") for words in wine_programs(bench))


def late_engine(bench, splash, engine_class):
    """A setup with a window of its own ("Preparing to install") that starts
    an installer and ends; the installer's window (engine_class) comes up
    four seconds after. The launcher stays hidden through that wait and
    while the window is up, and comes back with the installed layout once
    it has gone."""
    bench.fill_disc(skip=("setup.exe",), bootstrapper=True)
    shutil.copy(sample(bench, splash), os.path.join(bench.cdrom, "setup.exe"))
    shutil.copy(sample(bench, "wizard.exe"), os.path.join(bench.cdrom, "ORVIK", "wizard.exe"))
    child, window = shown_launcher(bench)
    click(bench, window, FRESH["install"])
    check(bench.wait_for("OrvikSplash", seconds=20), "setup's own window did not appear")
    wait_hidden(bench)
    check(wait_until(lambda: not setup_runs(bench), 20, step=0.1), "setup did not end")
    ended = time.time()
    seen = set()
    check(wait_until(lambda: seen.add(launcher_outer(bench)) or bench.find(engine_class) is not None, 20, step=0.2),
          "the installer's window did not appear")
    print("the installer's window came %.1f s after setup ended" % (time.time() - ended))
    check(seen == {HIDDEN}, "the launcher came back before the installer's window appeared (%s)" % sorted(seen))
    check(bench.wait_gone(engine_class, seconds=30), "the installer's window did not go away")
    check(launcher_outer(bench) == HIDDEN or bench.find(engine_class) is None,
          "the launcher came back while the installer's window was up")
    back_promptly(bench, "the installer's window went", seconds=10)
    settle(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], INSTALLED_LAYOUT)
    cancel_ends(bench, child, window, INSTALLED)


def late_installshield(bench):
    late_engine(bench, "splash.exe", "InstallShield_Win")


def late_own_class(bench):
    late_engine(bench, "splashwiz.exe", "OrvikWizard")


MSI_UNINSTALL = "MsiExec.exe /X{6E2B8F3A-0C4D-4B8E-9D1A-5F7C2E9B1A30}"


def planted_msiexec(bench):
    """The disc's files in a downloads folder with a program planted beside
    autorun.exe as MsiExec.exe, and the UninstallString in Windows
    Installer's form: Uninstall starts the system's msiexec.exe, never the
    plant. Both are copies of the companion here (the system's in place of
    Wine's), so the path of the program whose window shows tells which
    started; the launcher comes back once it has closed."""
    program, root = disc_in_folder(bench)
    plant = in_drive_c(bench, root + "MsiExec.exe")
    shutil.copy(sample(bench, "orvik.exe"), plant)
    bench.install_companion()
    bench.wine_reg("add", UNINSTALL + r"\Orvik", "/v", "UninstallString", "/d", MSI_UNINSTALL, "/f")
    try:
        with system_stand_in(bench, "msiexec.exe", "orvik.exe"):
            child, window = shown_with(bench, INSTALLED_LAYOUT, program)
            click(bench, window, INSTALLED["uninstall"])
            wait_hidden(bench)
            check(bench.wait_for("OrvikControl", "Orvik"), "nothing was started for %s" % MSI_UNINSTALL)
            path = (bench.path_of("OrvikControl", "Orvik") or "").lower()
            check(path.endswith("\\msiexec.exe") and "\\windows\\sys" in path,
                  "the program started for %s is %s" % (MSI_UNINSTALL, path))
            bench.post("OrvikControl", "Orvik", message=WM_CLOSE)
            wait_back(bench, 10)
            close_launcher(bench, child)
    finally:
        os.remove(plant)


def planted_companion(bench):
    """orvik.ini recording no folder, a copy of the companion planted beside
    autorun.exe in a downloads folder: Run starts nothing (no orvik.exe in
    the system's folders or on PATH) and the launcher ends."""
    program, root = disc_in_folder(bench)
    plant = in_drive_c(bench, root + "orvik.exe")
    shutil.copy(sample(bench, "orvik.exe"), plant)
    bench.install_app_paths()
    with open(os.path.join(bench.prefix, "drive_c", "windows", "orvik.ini"), "w", newline="") as f:
        f.write("[INSTALL]\r\nDIR=\r\n")
    try:
        child, window = shown_launcher(bench, program)
        click(bench, window, INSTALLED["run"])
        check(wait_exit(child, 15) == 0, "Run did not end the launcher with 0 (%s)" % child.returncode)
        time.sleep(limit(2))
        check(bench.find("OrvikControl", "Orvik") is None,
              "the plant ran: %s" % bench.path_of("OrvikControl", "Orvik"))
    finally:
        os.remove(plant)


def folder_named(bench, name):
    """The disc's files in a downloads folder whose name the Western ANSI
    code page cannot spell, the launcher started from there by its full
    path: the picture with the fresh layout, Read Me opens that folder's
    read-me and comes back, Install runs that folder's setup and comes back
    with the installed layout."""
    root = DOWNLOADS + name + "\\"
    bench.fill_disc(folder=in_drive_c(bench, root))
    take_out(bench, "e:")
    program = root + "autorun.exe"
    child, window = shown_with(bench, FRESH_LAYOUT, program)
    readme_shown(bench, window)
    close_readme_and_back(bench, window)
    through_the_wizard(bench, child, window)


def folder_polish(bench):
    folder_named(bench, "\u0141ukasz")


def folder_cyrillic(bench):
    folder_named(bench, "\u0414\u0438\u0441\u043a")


def readme_in_open_notepad(bench):
    """Windows 11's Notepad opens the file in a new tab of a Notepad window
    already open: with the bench's stand-in for it in the system folders and
    an empty Notepad window open before Read Me, the read-me comes up in
    that window, no new window appears, and the launcher stays hidden while
    that window names the read-me; when its tab is closed (the window stays,
    untitled) the launcher comes back."""
    with system_stand_in(bench):
        bench.start(os.path.join(bench.prefix, "drive_c", "windows", "system32", "notepad.exe"), "/empty")
        check(bench.wait_for("Notepad", "Untitled - Notepad", seconds=20), "the Notepad window did not open")
        _, window = shown_launcher(bench)
        click(bench, window, FRESH["readme"])
        wait_hidden(bench)
        check(wait_until(lambda: "readme" in (bench.find("Notepad") or {}).get("title", "").lower(), 20),
              "the open window shows %r" % (bench.find("Notepad") or {}).get("title"))
        time.sleep(limit(2))
        check(bench.probe("count", "Notepad", "-").stdout.strip() == "1", "another Notepad window came up")
        check(launcher_outer(bench) == HIDDEN, "the launcher came back while the read-me's tab was open")
        bench.post("Notepad", "-", message=WM_CLOSE)  # closes the tab
        check(wait_until(lambda: (bench.find("Notepad") or {}).get("title") == "Untitled - Notepad", 10),
              "the read-me's tab did not close")
        back_promptly(bench, "the read-me's tab closed")
        check(bench.find("Notepad") is not None, "the Notepad window itself went")


# ---- the disc's files elsewhere: a folder, a stick, a share ----------------------
DOWNLOADS = "C:\\users\\Public\\Downloads\\"


def in_drive_c(bench, path):
    """The Linux path of a path of drive C: ("C:\\users\\...")."""
    return os.path.join(bench.prefix, "drive_c", *path[3:].rstrip("\\").split("\\"))


def disc_in_folder(bench):
    """The sample disc copied into a folder with a blank in its name in the
    downloads of drive C:, a fixed disk, and no disc in any CD-ROM drive:
    returns the launcher there and the disc's root, as Windows names them."""
    root = DOWNLOADS + "Product Disc\\"
    bench.fill_disc(folder=in_drive_c(bench, root), bootstrapper=True)
    take_out(bench, "e:")
    return root + "autorun.exe", root


def close_launcher(bench, child):
    check(bench.post(*LAUNCHER, message=WM_CLOSE), "WM_CLOSE could not be posted")
    check(wait_exit(child, 15) == 0, "the launcher did not end with 0 after WM_CLOSE (%s)" % child.returncode)


def folder_with_blanks(bench):
    """The disc copied into a folder with a blank in its path on a fixed
    disk, no disc in any drive, the launcher started from there: Read Me,
    Install, Uninstall and Run each do what they do from the CD-ROM drive,
    with that folder's read-me and setup."""
    program, root = disc_in_folder(bench)
    readme_notepad(bench, program, root)
    install_round_trip(bench, program, root)
    uninstall_round_trip(bench, program)
    run_companion(bench, program)


def planted_program(bench):
    """A program planted where Windows looks first for the command line of
    the folder's setup.exe left unquoted (Downloads\\Product.exe: a copy of
    the companion, whose window stays up once started). That command line
    does start it here; Install from the folder runs the folder's setup.exe
    and never the plant."""
    program, root = disc_in_folder(bench)
    plant = root.split(" ")[0] + ".exe"
    shutil.copy(sample(bench, "orvik.exe"), in_drive_c(bench, plant))
    try:
        # Without a pipe of ours, which the program started would keep open.
        starter = bench.start(bench.program("probe.exe"), "start", root + "setup.exe")
        check(wait_exit(starter, 30) == 0, "the unquoted command line started nothing")
        check(bench.wait_for("OrvikControl", "Orvik") and
              (bench.path_of("OrvikControl", "Orvik") or "").lower() == plant.lower(),
              "the unquoted command line did not start the plant %s" % plant)
        bench.post("OrvikControl", "Orvik", message=WM_CLOSE)
        check(bench.wait_gone("OrvikControl", "Orvik"), "the plant's window did not close")
        install_round_trip(bench, program, root)
        check(bench.find("OrvikControl", "Orvik") is None,
              "the plant ran: %s" % bench.path_of("OrvikControl", "Orvik"))
    finally:
        os.remove(in_drive_c(bench, plant))


def removable_drive(bench):
    """The disc's files on a stick (F:, a removable drive), no disc in any
    CD-ROM drive, the launcher started from there: the picture with the
    fresh layout, then with the installed one. The stick pulled out while
    the launcher is shown ends it with 0; other drives' reports do not."""
    bench.fill_disc(folder=bench.stick)
    take_out(bench, "e:")
    child, _ = shown_with(bench, FRESH_LAYOUT, "F:\\autorun.exe")
    close_launcher(bench, child)
    bench.install_app_paths()
    child, _ = shown_with(bench, INSTALLED_LAYOUT, "F:\\autorun.exe")
    take_out(bench, "f:")
    ends_after_removal(bench, child, "f", "abde")


def unc_root(bench):
    """The disc's files on a share, no disc in any drive, the launcher
    started as \\\\lab\\share\\disc\\autorun.exe: the picture with the fresh
    layout, which no drive's removal ends (the share has no letter), and
    Read Me opens the share's read-me in Notepad and comes back. Wine 8
    names a program started from a share UNC\\lab\\share\\... to itself,
    without the leading backslashes, where Windows names it
    \\\\lab\\share\\...: a program of the share's own tells which."""
    root = "\\\\lab\\share\\disc\\"
    folder = os.path.join(bench.share, "disc")
    bench.fill_disc(folder=folder)
    take_out(bench, "e:")
    shutil.copy(bench.program("probe.exe"), folder)
    seen = bench.wine(root + "probe.exe", "own-path").stdout.strip()
    if seen.lower() != root.lower() + "probe.exe":
        raise CannotRunHere("this Wine names a program started as %sprobe.exe '%s' to itself: no launcher started "
                            "from a share can see its own folder there" % (root, seen))
    os.remove(os.path.join(folder, "probe.exe"))
    child, _ = shown_with(bench, FRESH_LAYOUT, root + "autorun.exe")
    stays_after_removal(bench, child, "abcdefghijklmnopqrstuvwxyz")
    close_launcher(bench, child)
    readme_notepad(bench, root + "autorun.exe", root)


def launcher_copied_alone(bench):
    """autorun.exe alone copied to the downloads (no marker beside it), the
    disc in E:: started from there, the launcher takes E:, and Install runs
    E:'s setup."""
    program = DOWNLOADS + "autorun.exe"
    shutil.copy(bench.launcher_path(), in_drive_c(bench, program))
    try:
        install_round_trip(bench, program)
    finally:
        os.remove(in_drive_c(bench, program))


# ---- programs that hand over to another process, and autorun.inf with a UTF-8 mark ----
def wine_programs(bench):
    """The command lines of the programs running in the bench's Wine prefix,
    in lower case, each as a list of its words."""
    programs = []
    prefix = ("WINEPREFIX=" + bench.prefix).encode()
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/environ" % entry, "rb") as f:
                    if prefix not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    words = f.read().decode("latin-1").lower().split("\0")
            except OSError:
                continue
            programs.append([word for word in words if word])
    return programs


def sample(bench, name):
    return os.path.join(bench.windows, "samples", name)


def check_handed_over(bench, started, window_class):
    """The uninstaller the launcher started (its file's name) has ended, and
    the window of that class belongs to a copy of it in the temporary folder."""
    programs = wine_programs(bench)
    check(not any(words[0].endswith(started) for words in programs),
          "the uninstaller started has not ended: %s" % programs)
    path = bench.path_of(window_class) or ""
    check("\\temp\\" in path.lower(), "the uninstaller's window belongs to %r, not a copy in the temporary folder"
          % path)


def uninstall_hands_over(bench):
    """An uninstaller that copies itself to the temporary folder, starts the
    copy and ends at once (as a widely used installer builder's do): the
    launcher stays hidden while the copy's window is up, though the program
    it started has long ended, and comes back after it with the fresh
    layout."""
    bench.install_companion()
    shutil.copy(sample(bench, "uncopy.exe"), os.path.join(bench.prefix, "drive_c", "Orvik"))
    bench.wine_reg("add", UNINSTALL + r"\Orvik", "/v", "UninstallString", "/d", r"C:\Orvik\uncopy.exe /remove", "/f")
    _, window = shown_launcher(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], INSTALLED_LAYOUT)
    click(bench, window, INSTALLED["uninstall"])
    wait_hidden(bench)
    check(bench.wait_for("OrvikUninstall", seconds=20), "the uninstaller's copy showed no window")
    # The copy's window stays up for ten seconds.
    time.sleep(limit(1.5))
    check(launcher_outer(bench) == HIDDEN and bench.find("OrvikUninstall") is not None,
          "the launcher came back while the copy's window was up")
    check_handed_over(bench, "uncopy.exe", "OrvikUninstall")
    check(bench.wait_gone("OrvikUninstall", seconds=30), "the copy's window did not go away")
    back_promptly(bench, "the copy's window went")
    settle(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT)
    check(not bench.registry_has(APP_PATHS + r"\orvik.exe"), "the App Paths entry is still there")


def install_hands_over(bench):
    """A setup that unpacks an installer whose window is of another class
    than InstallShield_Win to the temporary folder, starts it and ends: the
    launcher follows the hand-over, stays hidden while that window is up and
    comes back when it goes, without waiting out the minute for a window of
    the class it knows."""
    bench.fill_disc(skip=("setup.exe",), bootstrapper=True)
    shutil.copy(sample(bench, "unpack.exe"), os.path.join(bench.cdrom, "setup.exe"))
    shutil.copy(sample(bench, "wizard.exe"), os.path.join(bench.cdrom, "ORVIK", "wizard.exe"))
    child, window = shown_launcher(bench)
    click(bench, window, FRESH["install"])
    wait_hidden(bench)
    check(bench.wait_for("OrvikWizard", seconds=20), "the unpacked installer's window did not appear")
    time.sleep(limit(1.5))
    # Shown now while the window is still there afterwards: shown while it was up.
    check(launcher_outer(bench) == HIDDEN or bench.find("OrvikWizard") is None,
          "the launcher came back while the installer's window was up")
    check(bench.wait_gone("OrvikWizard", seconds=30), "the installer's window did not go away")
    back_promptly(bench, "the installer's window went", seconds=10)
    settle(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], INSTALLED_LAYOUT)
    cancel_ends(bench, child, window, INSTALLED)


class system_stand_in:
    """A stand-in of the bench's for a program of the system folders (by
    default Windows 11's notepad.exe), in place of Wine's, put back
    afterwards."""

    def __init__(self, bench, name="notepad.exe", stand_in="notestub.exe"):
        self.bench, self.name, self.stand_in = bench, name, stand_in
        self.replaced = []
        # Wine loads its own program, not a program of that name in the
        # system folders, unless told to prefer the native one.
        self.overrides = r"HKCU\Software\Wine\DllOverrides"

    def __enter__(self):
        self.bench.wine_reg("add", self.overrides, "/v", self.name, "/d", "native", "/f")
        for folder in ("system32", "syswow64"):
            path = os.path.join(self.bench.prefix, "drive_c", "windows", folder, self.name)
            if os.path.exists(path):
                shutil.copy(path, path + ".wine")
                self.replaced.append(path)
                shutil.copy(sample(self.bench, self.stand_in), path)
        return self

    def __exit__(self, *exc):
        for path in self.replaced:
            shutil.move(path + ".wine", path)
        self.bench.wine_reg("delete", self.overrides, "/v", self.name, "/f")


def readme_packaged_notepad(bench):
    """Windows 11's notepad.exe hands the file to the packaged Notepad, whose
    process the launcher did not start, and ends. With the bench's stand-in
    for it, the launcher stays hidden while the read-me's Notepad window is
    open and comes back when it closes."""
    with system_stand_in(bench):
        _, window = shown_launcher(bench)
        click(bench, window, FRESH["readme"])
        wait_hidden(bench)
        check(bench.wait_for("Notepad", seconds=20), "the read-me's window did not appear")
        title = (bench.find("Notepad") or {}).get("title", "")
        check("readme" in title.lower(), "the Notepad window shows %r" % title)
        time.sleep(limit(2))
        notepads = [words for words in wine_programs(bench) if words[0].endswith("notepad.exe")]
        check(notepads and all("/show" in words for words in notepads),
              "the notepad.exe started has not ended, or nothing shows the read-me: %s" % notepads)
        close_readme_and_back(bench, window)


UTF8_MARK = b"\xef\xbb\xbf"


def sample_inf_install_first():
    """The sample disc's autorun.inf with its [install] section first."""
    with open(os.path.join(ROOT, "disc", "autorun.inf"), "rb") as f:
        inf = f.read()
    at = inf.index(b"[install]")
    return inf[at:].rstrip(b"\r\n") + b"\r\n\r\n" + inf[:at]


def utf8_mark(bench):
    """autorun.inf saved as UTF-8 with a byte-order mark, its [install]
    section on the first line: the launcher skips the mark and shows the
    disc's picture with the fresh layout (reading it as Windows' profile
    functions do, it would find no [install] section: no picture, and the
    installed layout), and disc-check names the section that Windows' own
    reading misses. (Wine's profile functions skip the mark; Windows' do
    not.)"""
    bench.fill_disc()
    with open(os.path.join(bench.cdrom, "autorun.inf"), "wb") as f:
        f.write(UTF8_MARK + sample_inf_install_first())
    _, window = shown_launcher(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT)
    run = subprocess.run([os.path.join(ROOT, "scripts", "disc-check"), bench.cdrom], capture_output=True, text=True)
    faults = [line for line in run.stdout.splitlines() if line.startswith("autorun.inf")]
    print("disc-check %d: %s" % (run.returncode, faults))
    check(run.returncode == 1 and len(faults) == 1 and "UTF-8 byte-order mark" in faults[0] and
          "[install]" in faults[0], "disc-check said %d %s" % (run.returncode, faults))


# ---- the sample disc's setup, a real installer built with NSIS ---------------------
def nsis_install(bench):
    """Install runs the disc's NSIS setup, a wizard that is its own installer:
    the launcher stays hidden on each of its pages, and comes back with the
    installed layout on the watch's tick after setup has ended (not the
    minute it gives a setup that showed no window)."""
    child, window = shown_launcher(bench)
    through_the_wizard(bench, child, window)


def through_the_wizard(bench, child, window):
    """Install from the fresh layout through the disc's NSIS wizard: hidden
    on each of its pages, back promptly once setup has ended (on the watch's
    next tick), with the installed layout; then Cancel."""
    click(bench, window, FRESH["install"])
    wait_hidden(bench)
    for page in bench.setup_pages():
        check(launcher_outer(bench) == HIDDEN, "the launcher came back on setup's %s page" % page)
        bench.screenshot(os.path.join(bench.pictures, "nsis-%s.png" % page))
    check(wait_until(lambda: not setup_runs(bench), 20, step=0.05), "setup did not end after Finish")
    back_promptly(bench, "setup ended", seconds=10, within=2)
    settle(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], INSTALLED_LAYOUT)
    click(bench, window, INSTALLED["cancel"])
    check(wait_exit(child, 15) == 0, "Cancel did not end the launcher with 0")


def nsis_uninstall(bench):
    """Uninstall after a real install runs the NSIS uninstaller, which copies
    itself to the temporary folder, starts the copy and ends: the launcher
    stays hidden while the copy's wizard is up, from its confirm page through
    its progress page to its finish page, and comes back promptly once the
    wizard has gone, with the fresh layout."""
    bench.install_silently()
    _, window = shown_launcher(bench)
    click(bench, window, INSTALLED["uninstall"])
    wait_hidden(bench)
    wizard = bench.wizard("Orvik Uninstall")
    check_handed_over(bench, "uninst.exe", NSIS_WIZARD)
    bench.press(wizard, "Return")  # Uninstall, on the confirm page
    seen = set()

    def removed():
        seen.add(launcher_outer(bench))
        return not bench.registry_has(APP_PATHS + r"\orvik.exe")
    check(wait_until(removed, 20, step=0.1), "the uninstaller left the App Paths entry")
    time.sleep(limit(1))
    seen.add(launcher_outer(bench))
    check(seen == {HIDDEN} and bench.find(NSIS_WIZARD) is not None,
          "the launcher came back while the uninstaller's pages were up (%s)" % sorted(seen))
    bench.screenshot(os.path.join(bench.pictures, "nsis-uninstall-finish.png"))
    bench.press(wizard, "Return")  # Finish
    check(bench.wait_gone(NSIS_WIZARD, seconds=20), "the uninstaller's window did not go away")
    back_promptly(bench, "the uninstaller's window went")
    settle(bench)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT)


def nsis_run(bench):
    """Run after a real install starts the companion from the folder its
    setup recorded in orvik.ini, and the launcher ends."""
    bench.install_silently()
    run_and_end(bench, r"c:\program files\orvik\orvik.exe")


# ---- a screen reader in another process (Active Accessibility) ----------------------
# The reader (tools/lab/programs/reader.cpp) prints one record a line: a tag,
# then TAB-separated key=value fields; HRESULTs as 0x%08x.
S_OK, S_FALSE, E_INVALIDARG = "0x00000000", "0x00000001", "0x80070057"
OBJID_CLIENT = -4
ROLE_SYSTEM_CLIENT, ROLE_SYSTEM_PUSHBUTTON = 10, 43
STATE_SYSTEM_FOCUSED, STATE_SYSTEM_HOTTRACKED = 0x4, 0x80
STATE_SYSTEM_INVISIBLE, STATE_SYSTEM_FOCUSABLE = 0x8000, 0x100000
BUTTON_NAMES = {"install": "Install", "readme": "Read Me", "cancel": "Cancel", "run": "Run", "uninstall": "Uninstall"}
# The reader hit-tests each child's rectangle inside (its centre, first and
# last pixel) and one pixel outside on every side; it asks what no child id
# names (one past the count, a negative id, a BSTR and an empty VARIANT).
INSIDE, OUTSIDE = ("centre", "first", "last"), ("left", "right", "above", "below")
BOUNDS = ("past", "negative", "bstr", "empty")


def pressed_at(layout, x, y):
    """The number of the button a click at client point (x, y) presses, 0
    for none: the click counts the column just right of a picture and the
    row just below it as the picture's own."""
    width, height = BUTTON_SIZE
    return next((number for number, (_, left) in enumerate(layout, 1)
                 if left <= x <= left + width and BUTTON_TOP <= y <= BUTTON_TOP + height), 0)


def records(text):
    """The reader's lines as (tag, fields)."""
    out = []
    for line in text.splitlines():
        tag, *fields = line.rstrip("\r").split("\t")
        out.append((tag, dict(field.split("=", 1) for field in fields if "=" in field)))
    return out


def run_reader(bench, *args):
    run = bench.wine(bench.program("reader.exe"), *args)
    return run.returncode, records(run.stdout)


class ReaderRun:
    """The reader running in the background, its lines gathered as they come."""

    def __init__(self, bench, *args):
        self.child = subprocess.Popen([bench.lane.loader, bench.program("reader.exe")] + list(args), env=bench.env(),
                                      stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                      text=True)
        bench.children.append(self.child)
        self.lines = []
        self.gatherer = threading.Thread(target=self.gather, daemon=True)
        self.gatherer.start()

    def gather(self):
        for line in self.child.stdout:
            self.lines.append(line.rstrip("\r\n"))

    def ready(self, seconds=30):
        wait_until(lambda: "ready" in self.lines or self.child.poll() is not None, seconds)
        return "ready" in self.lines

    def finish(self, seconds):
        """Its exit code (None while it runs on) and its records."""
        code = wait_exit(self.child, seconds)
        self.gatherer.join(limit(5))
        return code, records("\n".join(self.lines))


def reader_seconds(seconds):
    return str(int(math.ceil(limit(seconds))))


def read_launcher(bench):
    """The reader's dump of the launcher window's object: its records by tag,
    children in order, bounds, hits and navigation by their labels."""
    code, lines = run_reader(bench, "dump")
    dump = {"child": [], "bound": {}, "hit": {}, "navigate": {}}
    labels = {"bound": "child", "hit": "at", "navigate": "dir"}
    for tag, fields in lines:
        if tag == "child":
            dump["child"].append(fields)
        elif tag in labels:
            dump[tag][fields.get(labels[tag])] = fields
        else:
            dump[tag] = fields
    check(code == 0 and dump.get("object", {}).get("hr") == S_OK and "focus" in dump,
          "the reader could not read the launcher window (exit code %s): %s" % (code, lines[:3]))
    return dump


def hex_value(text):
    try:
        return int(text, 16)
    except (TypeError, ValueError):
        return None


def check_client(dump, count, hidden=False):
    """The client object: the window's title, a client area that can take the
    focus (and invisible, without children, while the launcher is hidden).
    Invisible goes without off-screen: a reader presents an invisible object
    that is also off-screen, as a list's items scrolled out of view."""
    own = dump["self"]
    state = hex_value(own.get("state"))
    want = STATE_SYSTEM_FOCUSABLE | (STATE_SYSTEM_INVISIBLE if hidden else 0)
    check(own.get("name") == LAUNCHER[1] and own.get("role") == str(ROLE_SYSTEM_CLIENT) and
          state is not None and state & ~STATE_SYSTEM_FOCUSED == want and own.get("count") == str(count),
          "the client object reads %s, not the title, role %d, state 0x%08x and %d children"
          % (own, ROLE_SYSTEM_CLIENT, want, count))


def check_bounds_and_navigation(dump, count):
    wrong = ["%s: %s %s" % (label, key, value) for label in BOUNDS
             for key, value in dump["bound"].get(label, {"record": "missing"}).items()
             if key != "child" and value != E_INVALIDARG]
    check(not wrong, "what no child id names is not refused with E_INVALIDARG: %s" % "; ".join(wrong))
    forward = " ".join(str(number) for number in range(1, count + 1))
    backward = " ".join(str(number) for number in range(count, 0, -1))
    for direction, chain in (("next", forward), ("right", forward), ("previous", backward), ("left", backward)):
        got = dump["navigate"].get(direction, {})
        check(got.get("chain") == chain and got.get("end") == S_FALSE + " VT_EMPTY",
              "navigating %s from the first (last) child: %s, not %r ending in S_FALSE and VT_EMPTY"
              % (direction, got, chain))


def check_reader_sees(bench, window, layout, lit=None, names=BUTTON_NAMES, action="Press"):
    """A reader in another process finds the launcher's buttons, in the
    order shown, each where its picture is on the screen, with the lit one
    (lit: a name of the layout) tracked and focused; hit tests, navigation,
    the focus and the bounds agree. The launcher must have the keyboard
    focus (keyboard_focus)."""
    dump = read_launcher(bench)
    check(dump["focus"].get("foreground") == "1", "the launcher is not in the foreground")
    check_client(dump, len(layout))
    ox, oy = window["origin"]
    wrong = []
    for number, (name, left) in enumerate(layout, 1):
        state = STATE_SYSTEM_FOCUSABLE
        if name == lit:
            state |= STATE_SYSTEM_HOTTRACKED | STATE_SYSTEM_FOCUSED
        want = {"id": str(number), "name": names[name], "role": str(ROLE_SYSTEM_PUSHBUTTON),
                "state": "0x%08x" % state, "place": "%d %d %d %d" % ((ox + left, oy + BUTTON_TOP) + BUTTON_SIZE),
                "action": action, "element": S_FALSE + " null"}
        have = dump["child"][number - 1] if number <= len(dump["child"]) else {}
        wrong += ["child %d %s: %s, not %s" % (number, key, have.get(key), value)
                  for key, value in want.items() if have.get(key) != value]
        for where in INSIDE + OUTSIDE:
            # A point outside the picture names the button a click there
            # would press, if any.
            hit = dump["hit"].get("%d-%s" % (number, where), {})
            x, y = int(hit.get("x", -1)) - ox, int(hit.get("y", -1)) - oy
            result = "VT_I4 %d" % (number if where in INSIDE else pressed_at(layout, x, y))
            if (hit.get("hr"), hit.get("result")) != (S_OK, result):
                wrong.append("hit test at %s of child %d: %s, not %s" % (where, number, hit, result))
    for where, want in (("client", (S_OK, "VT_I4 0")), ("outside", (S_FALSE, "VT_EMPTY"))):
        hit = dump["hit"].get(where, {})
        if (hit.get("hr"), hit.get("result")) != want:
            wrong.append("hit test %s the buttons: %s, not %s" % (where, hit, want))
    check(len(dump["child"]) == len(layout) and not wrong, "; ".join(wrong) or "%d children" % len(dump["child"]))
    check_bounds_and_navigation(dump, len(layout))
    lit_id = [name for name, _ in layout].index(lit) + 1 if lit else 0
    focus = dump["focus"]
    check((focus.get("hr"), focus.get("result")) == (S_OK, "VT_I4 %d" % lit_id),
          "the focus reads %s, not child %d" % (focus, lit_id))


def reader_dump(bench):
    """Both layouts as a screen reader in another process reads them: nothing
    lit, then the button under the pointer (fresh) or the one Tab lit
    (installed)."""
    child, window = shown_launcher(bench)
    keyboard_focus(bench, window)
    check_reader_sees(bench, window, FRESH_LAYOUT)
    bench.xdotool("mousemove", *slot_point(FRESH["readme"], window["origin"]))
    settle(bench, 0.7)
    check_reader_sees(bench, window, FRESH_LAYOUT, lit="readme")
    check(bench.post(*LAUNCHER, message=WM_CLOSE), "WM_CLOSE could not be posted")
    check(wait_exit(child, 15) == 0, "the launcher did not end with 0 after WM_CLOSE (%s)" % child.returncode)

    bench.install_app_paths()
    child, window = shown_launcher(bench)
    keyboard_focus(bench, window)
    check_reader_sees(bench, window, INSTALLED_LAYOUT)
    bench.xdotool("key", "Tab", "Tab", "Tab")
    settle(bench, 0.7)
    check_reader_sees(bench, window, INSTALLED_LAYOUT, lit="uninstall")


# Keys on the fresh layout, nothing lit at first, and what each announces:
# (key, child id, name).
ANNOUNCED_KEYS = [
    ("Tab", 1, "Install"), ("Tab", 2, "Read Me"), ("Tab", 3, "Cancel"),
    ("Tab", 1, "Install"), ("shift+Tab", 3, "Cancel"),
    ("Left", 2, "Read Me"), ("Up", 1, "Install"), ("Right", 2, "Read Me"), ("Down", 3, "Cancel"),
]


def reader_hears_tab(bench):
    """Each move of the light by the keyboard is announced as a focus event
    on the client object's child, whose name a reader in another process
    reads back: Tab Tab Tab says Install, Read Me, Cancel, and nothing else
    comes between."""
    _, window = shown_launcher(bench)
    keyboard_focus(bench, window)
    listener = ReaderRun(bench, "listen", "focus", str(len(ANNOUNCED_KEYS)), reader_seconds(60))
    check(listener.ready(), "the reader could not listen: %s" % listener.lines)
    bench.xdotool("key", "--delay", "150", *[key for key, _, _ in ANNOUNCED_KEYS])
    code, heard = listener.finish(20)
    said = [(int(fields.get("id", -1)), fields.get("name")) for tag, fields in heard if tag == "focus"]
    wrong = [fields for tag, fields in heard if tag == "focus" and fields.get("object") != str(OBJID_CLIENT)]
    check(code == 0 and said == [(number, name) for _, number, name in ANNOUNCED_KEYS] and not wrong,
          "the reader heard %s (exit code %s) for the keys %s" % (heard, code, [k for k, _, _ in ANNOUNCED_KEYS]))


def check_hidden(dump):
    check_client(dump, 0, hidden=True)
    check(not dump["child"], "the hidden launcher shows children: %s" % dump["child"])
    check_bounds_and_navigation(dump, 0)


def reader_presses_readme(bench):
    """A reader presses Read Me through the object: the launcher hides while
    the read-me's Notepad window is open, and the reader then finds an
    invisible client without children; when the window closes the launcher
    comes back, announces the change of its children, and shows its
    buttons again."""
    _, window = shown_launcher(bench)
    code, lines = run_reader(bench, "press", "Read Me")
    check(code == 0 and ("press", {"id": "2", "hr": S_OK}) in lines,
          "pressing Read Me through the reader: exit code %s, %s" % (code, lines))
    wait_hidden(bench)
    check(bench.wait_for("Notepad", seconds=20), "Notepad did not open")
    check(wait_until(lambda: "readme" in (bench.find("Notepad") or {}).get("title", "").lower(), 10),
          "Notepad shows %r" % (bench.find("Notepad") or {}).get("title"))
    check_hidden(read_launcher(bench))
    listener = ReaderRun(bench, "listen", "reorder", "1", reader_seconds(60))
    check(listener.ready(), "the reader could not listen: %s" % listener.lines)
    close_readme_and_back(bench, window)
    code, heard = listener.finish(10)
    reorders = [fields for tag, fields in heard if tag == "reorder"]
    check(code == 0 and reorders == [{"id": "0", "object": str(OBJID_CLIENT), "name": LAUNCHER[1]}],
          "coming back, the launcher announced %s (the reader's exit code %s)" % (heard, code))
    keyboard_focus(bench, window)
    check_reader_sees(bench, window, FRESH_LAYOUT)


def reader_holds_proxy(bench):
    """A reader keeps the launcher's object while the launcher ends (Esc):
    the launcher ends with 0 all the same, and each call the reader then
    makes through the object fails with an error instead of crashing it."""
    child, window = shown_launcher(bench)
    holder = ReaderRun(bench, "hold", reader_seconds(60))
    check(holder.ready(), "the reader could not get the object: %s" % holder.lines)
    keyboard_focus(bench, window)
    bench.xdotool("key", "Escape")
    check(wait_exit(child, 15) == 0, "the launcher did not end with 0 while a reader held its object (%s)"
          % child.returncode)
    code, lines = holder.finish(30)
    found = dict(lines)
    before, after = found.get("before", {}), found.get("after", {})
    print("calls through the object held: before %s; after the window went %s" % (before, after))
    check(before == {"count": S_OK, "name": S_OK}, "the held object did not answer at first: %s" % before)
    failed = [hex_value(after.get(call)) is not None and hex_value(after.get(call)) & 0x80000000
              for call in ("count", "name")]
    check(code == 0 and found.get("gone") == {"window": "1"} and "released" in found and all(failed),
          "the reader ended with %s after the launcher went: %s" % (code, lines))


NATIVE_FIRST = "oleacc,shell32=n,b"  # Wine takes a library found by its name before its own


def planted_dll(bench):
    """Libraries planted in the folder with blanks beside the launcher under
    the names of the two it loads while it runs: oleacc.dll, when a reader
    asks, and shell32.dll, only to start a program that needs elevation
    (none here: that plant waits for any library loading it by its name).
    Each leaves a file if it is loaded, and Wine is told to take a library
    it finds by name before its own. A program in that folder that loads
    either by its bare name takes the plant; the launcher, read by a screen
    reader, loads oleacc from the system directory: no plant is loaded, and
    the reader reads its buttons."""
    program, root = disc_in_folder(bench)
    folder = in_drive_c(bench, root)
    libraries = ("oleacc.dll", "shell32.dll")
    for name in libraries:
        shutil.copy(bench.program("planted.dll"), os.path.join(folder, name))

    def loaded():
        return sorted(name[:-len(".loaded")] for name in os.listdir(folder) if name.endswith(".loaded"))
    shutil.copy(bench.program("probe.exe"), folder)
    for name in libraries:
        run = bench.wine(root + "probe.exe", "load", name, dll_overrides=NATIVE_FIRST)
        check(run.returncode == 0 and loaded() == [name], "a program beside the plant that loads %s by its name "
              "did not take the plant (%s, loaded: %s)" % (name, run.stdout.strip(), loaded()))
        os.remove(os.path.join(folder, name + ".loaded"))
    os.remove(os.path.join(folder, "probe.exe"))
    child, window = shown_with(bench, FRESH_LAYOUT, program, NATIVE_FIRST)
    keyboard_focus(bench, window)
    run_reader(bench, "dump")  # the first question makes the launcher load oleacc
    check(not loaded(), "the launcher loaded the planted %s" % loaded())
    check_reader_sees(bench, window, FRESH_LAYOUT)
    close_launcher(bench, child)
    check(not loaded(), "the launcher loaded the planted %s" % loaded())


# ---- the user's language ----------------------------------------------------
# The users the sample disc's five-language launcher is started as, and the
# language each gets; Swedish is not among the disc's, so the default.
USERS = {"de_DE.UTF-8": 0x0407, "fr_FR.UTF-8": 0x040C, "ja_JP.UTF-8": 0x0411, "ar_SA.UTF-8": 0x0401,
         "sv_SE.UTF-8": 0x0809}


def speaks(bench, locale, readme="readme.txt"):
    """The five-language launcher, started from the disc by a user of
    locale: its buttons show that language's pictures, a reader hears that
    language's names and action, Read Me opens the language's read-me (its
    Notepad hides the launcher until it closes), Cancel ends it."""
    langid = USERS[locale]
    path = languages_seen.launcher(bench)
    check(os.path.exists(path), "%s is missing (scripts/build makes it)" % path)
    bench.fill_disc()
    shutil.copy(path, os.path.join(bench.cdrom, "autorun.exe"))
    child, window = shown_launcher(bench, "E:\\autorun.exe", locale=locale)
    pictures = languages_seen.pictures(path, langid)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT, pictures=pictures)
    keyboard_focus(bench, window)
    names, action = languages_seen.names(langid)
    check_reader_sees(bench, window, FRESH_LAYOUT, names=names, action=action)
    bench.xdotool("mousemove", 1000, 10)
    click(bench, window, FRESH["readme"])
    wait_hidden(bench)
    check(bench.wait_for("Notepad", seconds=20), "Notepad did not open")
    stem = readme.split(".")[0]
    check(wait_until(lambda: stem in (bench.find("Notepad") or {}).get("title", "").lower(), 10),
          "Notepad shows %r, not %s" % ((bench.find("Notepad") or {}).get("title"), readme))
    notepads = [words for words in wine_programs(bench) if words[0].endswith("notepad.exe")]
    check(len(notepads) == 1 and notepads[0][1:] == ["e:\\" + readme],
          "Notepad's command line: %s" % notepads)
    close_readme_and_back(bench, window, pictures)
    cancel_ends(bench, child, window, FRESH)


def language_german(bench):
    speaks(bench, "de_DE.UTF-8", readme="liesmich.txt")


def language_french(bench):
    speaks(bench, "fr_FR.UTF-8")


def language_japanese(bench):
    speaks(bench, "ja_JP.UTF-8")


def language_arabic(bench):
    speaks(bench, "ar_SA.UTF-8")


def language_swedish(bench):
    speaks(bench, "sv_SE.UTF-8")


CASES = {
    "window_identity": window_identity,
    "second_launcher_exits": second_launcher_exits,
    "launchers_started_together": launchers_started_together,
    "companion_running": companion_running,
    "no_disc": no_disc,
    "fresh_layout": fresh_layout,
    "installed_layout": installed_layout,
    "hover": hover,
    "empty_instkey": empty_instkey,
    "profile_rules": profile_rules,
    "ini_file_mapping": ini_file_mapping,
    "palette_display": (palette_display, 8),
    "install_round_trip": install_round_trip,
    "readme_notepad": readme_notepad,
    "uninstall_round_trip": uninstall_round_trip,
    "run_companion": run_companion,
    "cancel": cancel,
    "second_launcher_while_hidden": second_launcher_while_hidden,
    "missing_setup": missing_setup,
    "install_that_starts_nothing": install_that_starts_nothing,
    "run_folder_with_blanks": run_folder_with_blanks,
    "uninstall_expandable_string": uninstall_expandable_string,
    "damaged_background": damaged_background,
    "background_verdicts": background_verdicts,
    "setup_without_installer_window": setup_without_installer_window,
    "uninstall_string_missing": uninstall_string_missing,
    "soak": soak,
    "keyboard_readme": keyboard_readme,
    "keyboard_escape": keyboard_escape,
    "disc_leaves_shown": disc_leaves_shown,
    "install_from_another_disc": install_from_another_disc,
    "disc_leaves_while_notepad": disc_leaves_while_notepad,
    "own_drive_first": own_drive_first,
    "uninstall_hands_over": uninstall_hands_over,
    "install_hands_over": install_hands_over,
    "readme_packaged_notepad": readme_packaged_notepad,
    "utf8_mark": utf8_mark,
    "reader_dump": reader_dump,
    "reader_hears_tab": reader_hears_tab,
    "reader_presses_readme": reader_presses_readme,
    "reader_holds_proxy": reader_holds_proxy,
    "folder_with_blanks": folder_with_blanks,
    "planted_program": planted_program,
    "removable_drive": removable_drive,
    "unc_root": unc_root,
    "launcher_copied_alone": launcher_copied_alone,
    "planted_dll": planted_dll,
    "nsis_install": nsis_install,
    "nsis_uninstall": nsis_uninstall,
    "nsis_run": nsis_run,
    "late_installshield": late_installshield,
    "late_own_class": late_own_class,
    "planted_msiexec": planted_msiexec,
    "planted_companion": planted_companion,
    "folder_polish": folder_polish,
    "folder_cyrillic": folder_cyrillic,
    "readme_in_open_notepad": readme_in_open_notepad,
    "language_german": language_german,
    "language_french": language_french,
    "language_japanese": language_japanese,
    "language_arabic": language_arabic,
    "language_swedish": language_swedish,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--launcher", help="the autorun.exe to start (by default the one built for this lane)")
    parser.add_argument("--work", help="the folder of the Wine prefix (by default BUILD/wine-LANE)")
    parser.add_argument("--out", help="where screenshots go (OUT/pictures), and each case's verdict, one line "
                                      "in OUT/results/CASE (by default BUILD, and no verdict files)")
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    if args.list:
        print("\n".join(CASES))
        return 0
    if not args.launcher:
        skip_unless_wine_runs()
    failed, skipped = 0, []
    for name in args.cases:
        case = CASES[name]
        depth = 24
        if isinstance(case, tuple):
            case, depth = case
        started = time.time()
        try:
            with Bench(args.build, depth=depth, launcher=args.launcher, work=args.work, out=args.out) as bench:
                case(bench)
            verdict = "PASS %s (%.1f s)" % (name, time.time() - started)
        except Failure as failure:
            failed += 1
            verdict = "FAIL %s: %s" % (name, failure)
        except CannotRunHere as reason:
            skipped.append("%s: %s" % (name, reason))
            verdict = "SKIP %s: %s" % (name, reason)
        except Exception as error:  # a case that broke is reported as that case's failure
            failed += 1
            verdict = "FAIL %s: %s: %s" % (name, type(error).__name__, error)
        print(verdict, flush=True)
        if args.out:
            results = os.path.join(args.out, "results")
            os.makedirs(results, exist_ok=True)
            with open(os.path.join(results, name), "w") as f:
                f.write(verdict + "\n")
    if failed:
        return 1
    return platform_missing("; ".join(skipped), "a case cannot run on this Wine") if skipped else 0


if __name__ == "__main__":
    sys.exit(main())
