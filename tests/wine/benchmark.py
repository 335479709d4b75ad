#!/usr/bin/python3
"""Benchmarks of the launcher under Wine on Xvfb, printing figures (no pass
or fail): start-up to the first complete paint against a bare-window
baseline, hover latency, and executable size.

    benchmark.py --build DIR [--runs N] [--write docs/performance.md]
"""
import argparse
import datetime
import os
import platform
import statistics
import subprocess
import sys
import time

from PIL import Image

from bench import BUTTON_TOP, LAUNCHER, ROOT, Bench, button_picture, load_picture, wait_exit
from check_executable import PE

WM_CLOSE = 0x10
CANCEL_LEFT = 410
READ_ME_LEFT = 265


def hexcolour(rgb):
    return "%02x%02x%02x" % rgb


def distinctive_pixel(picture, background, slot_left):
    """A pixel of a button picture that differs from the background behind
    it and from black: seeing it means the button is painted."""
    for y in range(8, picture.height - 8):
        for x in range(20, picture.width - 20):
            colour = picture.getpixel((x, y))
            behind = background.getpixel((slot_left + x, BUTTON_TOP + y))
            if colour != behind and colour != (0, 0, 0):
                return x, y, colour
    raise RuntimeError("no distinctive pixel")


def time_to_pixel(bench, program, x, y, colour, close_class, close_title):
    """Seconds from starting program to the screen showing colour at (x, y)."""
    probe = subprocess.Popen(["wine", bench.program("probe.exe"), "wait-pixel", str(x), str(y), hexcolour(colour),
                              "30"], env=bench.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    assert probe.stdout.readline().strip() == "ready"
    started = time.perf_counter()
    child = bench.start(program)
    seen = probe.stdout.readline().strip()
    elapsed = time.perf_counter() - started
    probe.wait()
    bench.wait_for(close_class, close_title, seconds=10)
    bench.post(close_class, close_title, message=WM_CLOSE)
    wait_exit(child, 15)
    time.sleep(0.3)
    return elapsed if seen == "seen" else None


def startup(bench, runs):
    child = bench.start_launcher()
    bench.wait_for(*LAUNCHER, seconds=30)
    origin = bench.find(*LAUNCHER)["origin"]
    bench.post(*LAUNCHER, message=WM_CLOSE)
    wait_exit(child, 15)
    background = load_picture(os.path.join(ROOT, "disc", "background.bmp"))
    px, py, colour = distinctive_pixel(button_picture("cancel", "normal"), background, CANCEL_LEFT)
    launcher_point = (origin[0] + CANCEL_LEFT + px, origin[1] + BUTTON_TOP + py, colour)
    bare_point = (origin[0] + 300, origin[1] + 200, (255, 255, 255))
    launcher, bare = [], []
    for _ in range(runs):
        launcher.append(time_to_pixel(bench, bench.launcher_path(), *launcher_point, *LAUNCHER))
        bare.append(time_to_pixel(bench, bench.program("bare.exe"), *bare_point, "Bare", "Bare window"))
    launcher = [t for t in launcher if t is not None]
    bare = [t for t in bare if t is not None]
    return launcher, bare


def hover_latency(bench, count):
    child = bench.start_launcher()
    bench.wait_for(*LAUNCHER, seconds=30)
    time.sleep(1)
    origin = bench.find(*LAUNCHER)["origin"]
    normal = button_picture("readme", "normal")
    lit = button_picture("readme", "highlighted")
    x, y = next((x, y) for y in range(10, 30) for x in range(10, 100)
                if normal.getpixel((x, y)) != lit.getpixel((x, y)))
    sx, sy = origin[0] + READ_ME_LEFT + x, origin[1] + BUTTON_TOP + y
    out = bench.probe("hover", str(sx), str(sy), hexcolour(lit.getpixel((x, y))), str(origin[0] + 20),
                      str(origin[1] + 20), hexcolour(normal.getpixel((x, y))), str(count), timeout=300)
    bench.post(*LAUNCHER, message=WM_CLOSE)
    wait_exit(child, 15)
    return [float(line) for line in out.stdout.split() if line.replace(".", "").isdigit()]


def sizes(path):
    """The file's size and the size of its resource section."""
    with open(path, "rb") as f:
        data = f.read()
    return len(data), PE(data).resource_bytes()


def machine():
    cpu = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    return "%s, %d cores, %s, %s, Xvfb 1024x768x24" % (cpu, os.cpu_count(), platform.platform(), wine)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--write")
    args = parser.parse_args()
    lines = []

    def say(text=""):
        print(text)
        lines.append(text)

    win32 = os.path.join(os.path.abspath(args.build), "win32")
    with Bench(args.build) as bench:
        # A window kept open for the whole run keeps Wine's desktop process
        # up, as a real desktop is: otherwise every start would include
        # starting the desktop afresh.
        keeper = bench.start(bench.program("probe.exe"), "window", "BenchKeeper", "Bench keeper", "3600")
        bench.wait_for("BenchKeeper", "Bench keeper")
        launcher, bare = startup(bench, args.runs)
        hovers = hover_latency(bench, 30)
        keeper.kill()
    ms = lambda s: s * 1000.0
    ratio = statistics.median(launcher) / statistics.median(bare)
    total, resources = sizes(os.path.join(win32, "autorun.exe"))
    bare_total, bare_resources = sizes(os.path.join(win32, "tests", "wine", "programs", "bare.exe"))
    own = (total - resources) - (bare_total - bare_resources)

    say("| figure | value |")
    say("|---|---|")
    say("| start-up to first complete paint, launcher (median of %d) | %.0f ms |" % (len(launcher), ms(statistics.median(launcher))))
    say("| start-up to first paint, bare-window baseline (median of %d) | %.0f ms |" % (len(bare), ms(statistics.median(bare))))
    say("| ratio launcher / baseline | %.3f |" % ratio)
    say("| launcher runs, min / max | %.0f / %.0f ms |" % (ms(min(launcher)), ms(max(launcher))))
    say("| baseline runs, min / max | %.0f / %.0f ms |" % (ms(min(bare)), ms(max(bare))))
    if hovers:
        say("| hover latency, pointer move to highlighted picture (median of %d) | %.1f ms |" % (len(hovers), statistics.median(hovers)))
        say("| hover latency, worst | %.1f ms |" % max(hovers))
    say("| autorun.exe total | %d bytes |" % total)
    say("| autorun.exe resources (.rsrc) | %d bytes |" % resources)
    say("| autorun.exe without resources | %d bytes |" % (total - resources))
    say("| bare-window baseline, same flags, without resources | %d bytes |" % (bare_total - bare_resources))
    say("| launcher's own code and data over the baseline | %d bytes (%.1f KiB) |" % (own, own / 1024.0))
    say()
    say("Machine: %s." % machine())
    if args.write:
        with open(args.write, "w") as f:
            f.write("# Performance\n\n")
            f.write("Measured on %s with `scripts/bench` (%d interleaved start-up runs of each program).\n\n"
                    % (datetime.date.today().isoformat(), args.runs))
            f.write("Start-up is timed from starting the program under Wine to the screen showing a pixel of the\n"
                    "last button painted (the launcher) or of the white client area (the baseline, a bare\n"
                    "640 x 480 window built with the launcher's flags, `tests/wine/programs/bare.cpp`); both\n"
                    "include Wine's own process start. A probe in the same Wine prefix polls the screen, and a\n"
                    "window kept open for the whole run keeps Wine's desktop process up, as on a real desktop.\n"
                    "Hover latency is timed by the probe from moving the pointer onto Read Me to the\n"
                    "highlighted picture on the screen.\n\n")
            f.write("\n".join(lines) + "\n")
        print("written to %s" % args.write)
    return 0


if __name__ == "__main__":
    sys.exit(main())
