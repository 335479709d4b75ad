#!/usr/bin/python3
"""Shows the launcher on the sample disc under Wine, the disc's
five-language launcher started from drive E: in the user's language.

With a display ($DISPLAY), the launcher runs there until it is closed.
Without one, it runs on Xvfb: screenshots go to build/demo/ (also as a
German and a Japanese user see it) and the launcher is ended afterwards."""
import argparse
import os
import shutil
import sys
import time

from tools.lab.bench import FRESH, LAUNCHER, Bench, Failure, slot_point, wait_exit
from tools.lab.wine_platform import choose_lane

WM_CLOSE = 0x10


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    args = parser.parse_args()
    lane, reason = choose_lane()
    if lane is None:
        print("demo: Wine cannot run on this machine: %s" % reason, file=sys.stderr)
        return 2
    print("demo: the %s build (build/%s) on %s" % (lane.name, lane.build, lane.loader))
    interactive = bool(os.environ.get("DISPLAY"))
    out = os.path.join(os.path.abspath(args.build), "demo")
    os.makedirs(out, exist_ok=True)
    with Bench(args.build, use_current_display=interactive) as bench:
        shutil.copy(os.path.join(bench.windows, "languages", "autorun.exe"), os.path.join(bench.cdrom, "autorun.exe"))
        if not interactive:
            for locale, name in (("de_DE.UTF-8", "launcher-de.png"), ("ja_JP.UTF-8", "launcher-ja.png")):
                child = bench.start_launcher("E:\\autorun.exe", locale=locale)
                if not bench.wait_for(*LAUNCHER, seconds=30):
                    print("the launcher window did not appear for a user of %s" % locale)
                    return 1
                time.sleep(1.5)
                shot = os.path.join(out, name)
                bench.screenshot(shot)
                print("as a user of %s: %s" % (locale, shot))
                bench.post(*LAUNCHER, message=WM_CLOSE)
                wait_exit(child, 15)
        child = bench.start_launcher("E:\\autorun.exe")
        if not bench.wait_for(*LAUNCHER, seconds=30):
            print("the launcher window did not appear")
            return 1
        if interactive:
            print("The launcher is up on %s; close it to end the demo." % bench.display)
            child.wait()
            return 0
        time.sleep(1.5)
        shot = os.path.join(out, "launcher.png")
        bench.screenshot(shot)
        print("screenshot: %s" % shot)

        # The round trip of an install: click Install, go through the
        # setup's wizard, and see the launcher come back installed.
        window = bench.find(*LAUNCHER)
        bench.xdotool("mousemove", *slot_point(FRESH["install"], window["origin"]), "click", "1")
        bench.xdotool("mousemove", 1000, 10)
        try:
            for page in bench.setup_pages():
                if page == "welcome":
                    time.sleep(1)
                    shot = os.path.join(out, "installing.png")
                    bench.window_screenshot("Orvik Setup", shot)
                    print("setup's wizard: %s" % shot)
        except Failure as failure:
            print("the install did not go through: %s" % failure)
            return 1
        # The launcher comes back two or three seconds after setup has ended.
        time.sleep(5)
        shot = os.path.join(out, "installed.png")
        bench.screenshot(shot)
        print("after the install: %s" % shot)
        bench.post(*LAUNCHER, message=WM_CLOSE)
        code = wait_exit(child, 15)
        print("launcher exit code: %s" % code)
        return 0 if code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
