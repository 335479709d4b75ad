#!/usr/bin/python3
"""The bench's cases. Each is a function of a running Bench; CTest runs each
as its own test:  cases.py --build BUILD_DIR CASE"""
import argparse
import os
import sys
import time

from bench import (APP_PATHS, BUTTON_TOP, FRESH_LAYOUT, INSTALLED_LAYOUT, LAUNCHER, Bench, Failure,
                   check, check_layout, wait_exit, wait_until)

WS_POPUP, WS_CAPTION, WS_DLGFRAME = 0x80000000, 0x00C00000, 0x00400000
WM_CLOSE = 0x10


def launcher_window(bench, seconds=20):
    check(bench.wait_for(*LAUNCHER, seconds=seconds), "the launcher window did not appear")
    return bench.find(*LAUNCHER)


def settle(bench, seconds=1.0):
    """Lets the window finish painting before a screenshot."""
    time.sleep(seconds)


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
def fresh_layout(bench):
    bench.start_launcher()
    window = launcher_window(bench)
    settle(bench)
    screen = bench.screenshot(os.path.join(bench.build, "pictures", "fresh-layout.png"))
    check_layout(screen, window["origin"], window["client"], FRESH_LAYOUT)
    crop_window(bench, screen, window, "fresh-layout-window.png")


def installed_layout(bench):
    bench.install_app_paths()
    bench.start_launcher()
    window = launcher_window(bench)
    settle(bench)
    screen = bench.screenshot(os.path.join(bench.build, "pictures", "installed-layout.png"))
    check_layout(screen, window["origin"], window["client"], INSTALLED_LAYOUT)
    crop_window(bench, screen, window, "installed-layout-window.png")


def hover(bench):
    bench.start_launcher()
    window = launcher_window(bench)
    ox, oy = window["origin"]
    settle(bench)
    # Onto Read Me, then onto Install, then off every button.
    bench.xdotool("mousemove", ox + 265 + 57, oy + BUTTON_TOP + 17)
    settle(bench, 0.7)
    screen = bench.screenshot()
    check_layout(screen, window["origin"], window["client"], FRESH_LAYOUT, {"readme": "highlighted"})
    crop_window(bench, screen, window, "highlighted-button-window.png")
    bench.xdotool("mousemove", ox + 119 + 3, oy + BUTTON_TOP + 3)
    settle(bench, 0.7)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT, {"install": "highlighted"})
    bench.xdotool("mousemove", ox + 20, oy + 20)
    settle(bench, 0.7)
    check_layout(bench.screenshot(), window["origin"], window["client"], FRESH_LAYOUT)


def palette_display(bench):
    """On a 256-colour display the launcher starts, paints and answers the
    palette messages without failing."""
    child = bench.start_launcher()
    window = launcher_window(bench)
    settle(bench)
    before = bench.screenshot(os.path.join(bench.build, "pictures", "depth8-start.png"))
    other = bench.start(bench.program("probe.exe"), "palette", "3")
    wait_until(lambda: bench.find("ProbePalette") is not None, 10)
    time.sleep(1)
    bench.probe("foreground", *LAUNCHER)
    wait_exit(other, 15)
    bench.probe("foreground", *LAUNCHER)
    settle(bench)
    after = bench.screenshot(os.path.join(bench.build, "pictures", "depth8-after.png"))
    check(child.poll() is None and bench.find(*LAUNCHER) is not None, "the launcher did not survive")
    box = (window["origin"][0], window["origin"][1], window["origin"][0] + 600, window["origin"][1] + 440)
    same = before.crop(box).tobytes() == after.crop(box).tobytes()
    check(same, "the window's pixels changed after the palette came back")
    colours = len(set(before.crop(box).getdata()))
    print("depth 8: %d distinct colours shown in the window" % colours)
    try:
        check_layout(before, window["origin"], window["client"], FRESH_LAYOUT)
        print("depth 8: the window shows the pictures' exact colours")
    except Failure as failure:
        print("depth 8: not the exact colours (%s)" % failure)


def crop_window(bench, screen, window, name):
    ox, oy = window["origin"]
    w, h = window["client"]
    screen.crop((ox, oy, ox + w, oy + h)).save(os.path.join(bench.build, "pictures", name))


CASES = {
    "window_identity": window_identity,
    "second_launcher_exits": second_launcher_exits,
    "companion_running": companion_running,
    "no_disc": no_disc,
    "fresh_layout": fresh_layout,
    "installed_layout": installed_layout,
    "hover": hover,
    "palette_display": (palette_display, 8),
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--list", action="store_true")
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    if args.list:
        print("\n".join(CASES))
        return 0
    failed = 0
    for name in args.cases:
        case = CASES[name]
        depth = 24
        if isinstance(case, tuple):
            case, depth = case
        started = time.time()
        try:
            with Bench(args.build, depth=depth) as bench:
                case(bench)
            print("PASS %s (%.1f s)" % (name, time.time() - started))
        except Failure as failure:
            failed += 1
            print("FAIL %s: %s" % (name, failure))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
