#!/usr/bin/python3
"""Benchmarks of the launcher under Wine on Xvfb, printing figures (no pass
or fail): start-up to the first complete paint against two bare-window
baselines (with and without the C runtime), where the launcher's own
start-up time goes (a +relay trace), hover latency, the launcher's CPU time
while it idles shown and hidden, and executable size. It runs on this
machine's lane (wine_platform.py), and names it.

    python3 -m tools.lab.benchmark --build DIR [--runs N] [--write docs/performance.md]    (behind scripts/bench)
"""
import argparse
import collections
import datetime
import os
import shutil
import platform
import re
import statistics
import subprocess
import sys
import tempfile
import time

from tools.lab.bench import (BUTTON_TOP, FRESH, LAUNCHER, ROOT, Bench, button_picture, cpu_ticks, launcher_pid,
                             load_picture, slot_point, wait_exit)
from tools.kit import make_launcher
from tools.lab.pe import PE

WM_CLOSE = 0x10
CANCEL_LEFT = FRESH["cancel"]
READ_ME_LEFT = FRESH["readme"]


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
    probe = subprocess.Popen([bench.lane.loader, bench.program("probe.exe"), "wait-pixel", str(x), str(y), hexcolour(colour),
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


def startup(bench, runs, languages):
    """Interleaved start-up runs of the launcher, the sample's five-language
    launcher (languages; the user here gets its default, English) and the
    two baselines. The order within each round rotates, so that no program
    always follows the same one. Returns {name: [seconds or None, ...]}, one
    entry per round."""
    child = bench.start_launcher()
    bench.wait_for(*LAUNCHER, seconds=30)
    origin = bench.find(*LAUNCHER)["origin"]
    bench.post(*LAUNCHER, message=WM_CLOSE)
    wait_exit(child, 15)
    background = load_picture(os.path.join(ROOT, "disc", "backgrnd.bmp"))
    px, py, colour = distinctive_pixel(button_picture("cancel", "normal"), background, CANCEL_LEFT)
    launcher_point = (origin[0] + CANCEL_LEFT + px, origin[1] + BUTTON_TOP + py, colour)
    bare_point = (origin[0] + 300, origin[1] + 200, (255, 255, 255))
    programs = [
        ("launcher", bench.launcher_path(), launcher_point, LAUNCHER),
        ("languages", languages, launcher_point, LAUNCHER),
        ("bare", bench.program("bare.exe"), bare_point, ("Bare", "Bare window")),
        ("bare_nocrt", bench.program("bare_nocrt.exe"), bare_point, ("Bare", "Bare window")),
    ]
    times = {name: [] for name, _, _, _ in programs}
    for round_ in range(runs):
        shift = round_ % len(programs)
        for name, path, point, window in programs[shift:] + programs[:shift]:
            times[name].append(time_to_pixel(bench, path, *point, *window))
    return times


def windows_path(path):
    """A Unix path as a Wine program sees it, through drive Z:; a Windows
    path as it is."""
    if re.match(r"^[A-Za-z]:\\", path):
        return path
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def idle_startup(bench, programs, runs):
    """The other measure of start-up: the probe starts each program with
    CreateProcessA and times, from just before that call, its window becoming
    visible and WaitForInputIdle answering (the first time the program waits
    for input with nothing left in its queue). Rounds rotate as in startup().
    Returns {name: [(visible ms, idle ms) or None, ...]}."""
    times = {name: [] for name, _, _ in programs}
    for round_ in range(runs):
        shift = round_ % len(programs)
        for name, path, window in programs[shift:] + programs[:shift]:
            out = bench.probe("start-idle", windows_path(path), *window, timeout=60)
            fields = out.stdout.split()
            ok = out.returncode == 0 and len(fields) == 2
            times[name].append((float(fields[0]), float(fields[1])) if ok else None)
            time.sleep(0.3)
    return times


def idle_ratios(times, numerator, denominator, pick):
    return [pick(a) / pick(b) for a, b in zip(times[numerator], times[denominator]) if a and b and pick(b) > 0]


# The launcher's start-up steps, in the order its timed copy marks their ends
# (src/app/app.cpp); the last runs to the end of the first paint.
LAUNCHER_STEPS = [
    "the mutex, looking for other windows, screen size (starts user32 and Wine's display driver)",
    "palette built and realized",
    "disc walk",
    "window class and window created",
    "window shown",
    "autorun.inf read, installation state",
    "background picture checked and loaded",
    "fifteen button pictures loaded",
    "message loop to the end of the first paint",
]


def timed_span(bench, path, window):
    """Runs a timed copy (built with tools/lab/programs/span.cpp) once and
    returns, in ms by the performance counter inside the process, the span
    from its entry point to the end of its first paint and the times of its
    marks; None if not seen."""
    handle, report = tempfile.mkstemp(suffix=".span")
    os.close(handle)
    os.remove(report)
    env = dict(bench.env(), STARTUP_SPAN_FILE="Z:" + report.replace("/", "\\"))
    child = subprocess.Popen([bench.lane.loader, path], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    limit = time.time() + 20
    while not os.path.exists(report) and time.time() < limit:
        time.sleep(0.05)
    time.sleep(0.1)
    bench.wait_for(*window, seconds=10)
    bench.post(*window, message=WM_CLOSE)
    wait_exit(child, 15)
    if not os.path.exists(report):
        return None
    with open(report) as f:
        numbers = f.read().split()
    os.remove(report)
    if not numbers or not all(n.isdigit() for n in numbers):
        return None
    times = [int(n) / 1000.0 for n in numbers]
    return times[-1], times[:-1]


def timed_spans(bench, programs, runs):
    """timed_span of each program, in rounds whose order rotates."""
    spans = {name: [] for name, _, _ in programs}
    for round_ in range(runs):
        shift = round_ % len(programs)
        for name, path, window in programs[shift:] + programs[:shift]:
            span = timed_span(bench, path, window)
            if span is not None:
                spans[name].append(span)
    return spans


def step_table(runs):
    """Median time of each of the launcher's start-up steps."""
    rows = []
    for index, step in enumerate(LAUNCHER_STEPS):
        lengths = []
        for total, marks in runs:
            points = [0.0] + marks + [total]
            if len(points) == len(LAUNCHER_STEPS) + 1:
                lengths.append(points[index + 1] - points[index])
        if lengths:
            rows.append((step, statistics.median(lengths)))
    return rows


def paired_ratios(times, numerator, denominator):
    """The ratio of each round's pair of runs, for rounds where both were seen."""
    return [a / b for a, b in zip(times[numerator], times[denominator]) if a and b]


def quartiles(values):
    q = statistics.quantiles(values, n=4)
    return q[0], q[2]


RELAY_LINE = re.compile(r"^\s*([0-9.]+):([0-9a-f]+):(Call|Ret)\s+([\w.]+)\(.*\bret=([0-9a-f]{8,16})\s*$")


def relay_profile(bench, path):
    """Runs the program once under WINEDEBUG=+timestamp,+relay until its
    window is painted and sums, per system function, the time of the
    outermost calls that the program's own code made (calls returning into
    its module, not made from inside another such call), from its first call
    to the end of its first paint. Relay tracing slows every call and its
    clock counts whole milliseconds, so the shares tell more than the sums.
    Returns (total ms, [(function, ms, calls)])."""
    with open(path, "rb") as f:
        image = PE(f.read())
    module_base = image.image_base
    module_end = module_base + max(vaddr + size for vaddr, size, _, _ in image.sections)
    log = os.path.join(bench.work, "relay.log")
    env = dict(bench.env(), WINEDEBUG="+timestamp,+relay")
    with open(log, "w") as out:
        child = subprocess.Popen([bench.lane.loader, path], env=env, stdout=subprocess.DEVNULL, stderr=out)
        bench.wait_for(*LAUNCHER, seconds=60)
        time.sleep(3)
        bench.post(*LAUNCHER, message=WM_CLOSE)
        wait_exit(child, 30)
    calls = []   # (function, began, ended) of outermost calls
    stack = []   # open calls from the module: (function, ret, began)
    first = end = None
    with open(log, errors="replace") as f:
        for line in f:
            match = RELAY_LINE.match(line)
            if not match:
                continue
            stamp, _, kind, function, ret = match.groups()
            if not module_base <= int(ret, 16) < module_end:
                continue
            stamp = float(stamp)
            if kind == "Call":
                first = stamp if first is None else first
                stack.append((function, ret, stamp))
            elif stack and stack[-1][:2] == (function, ret):
                _, _, began = stack.pop()
                if not stack:
                    calls.append((function, began, stamp))
                if function.endswith("EndPaint") and end is None:
                    end = stamp
                    break
    os.remove(log)
    if first is None or end is None:
        return None, []
    spent = collections.defaultdict(float)
    counts = collections.Counter()
    for function, began, ended in calls:
        spent[function] += ended - began
        counts[function] += 1
    table = sorted(((f, t * 1000.0, counts[f]) for f, t in spent.items()), key=lambda row: -row[1])
    return (end - first) * 1000.0, table


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


def idle_cpu(bench, seconds=20):
    """Milliseconds of CPU time the launcher's process takes in seconds of
    idling: shown with the pointer elsewhere, then hidden while Notepad
    shows the read-me (its watch ticks once a second)."""
    child = bench.start_launcher()
    bench.wait_for(*LAUNCHER, seconds=30)
    origin = bench.find(*LAUNCHER)["origin"]
    time.sleep(2)
    pid = launcher_pid()
    per_tick = 1000.0 / os.sysconf("SC_CLK_TCK")
    start = cpu_ticks(pid)
    time.sleep(seconds)
    shown = (cpu_ticks(pid) - start) * per_tick
    bench.xdotool("mousemove", *slot_point(READ_ME_LEFT, origin), "click", "1")
    bench.xdotool("mousemove", 1000, 10)
    bench.wait_for("Notepad", seconds=20)
    time.sleep(2)
    start = cpu_ticks(pid)
    time.sleep(seconds)
    hidden = (cpu_ticks(pid) - start) * per_tick
    bench.post("Notepad", "-", message=WM_CLOSE)
    bench.wait_for(*LAUNCHER, seconds=10)
    time.sleep(2)
    bench.post(*LAUNCHER, message=WM_CLOSE)
    wait_exit(child, 15)
    return shown, hidden


def machine(bench):
    cpu = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run([bench.lane.loader, "--version"], capture_output=True, text=True).stdout.strip()
    return "%s, %d cores, %s, %s (%s), the launcher's %s build, Xvfb 1024x768x24" % (
        cpu, os.cpu_count(), platform.platform(), wine, bench.lane.loader, bench.lane.name)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--write")
    args = parser.parse_args()
    lines = []

    def say(text=""):
        print(text)
        lines.append(text)

    with Bench(args.build) as bench:
        # A window kept open for the whole run keeps Wine's desktop process
        # up, as a real desktop is: otherwise every start would include
        # starting the desktop afresh.
        keeper = bench.start(bench.program("probe.exe"), "window", "BenchKeeper", "Bench keeper", "3600")
        bench.wait_for("BenchKeeper", "Bench keeper")
        # The five-language launcher as scripts/build writes it.
        languages = os.path.join(bench.windows, "languages", "autorun.exe")
        times = startup(bench, args.runs, languages)
        bare_window = ("Bare", "Bare window")
        # The launcher starts from the disc's drive, as Windows starts it
        # from autorun.inf: the disc walk then finds its own drive first.
        idle_times = idle_startup(bench, [("launcher", "E:\\autorun.exe", LAUNCHER),
                                          ("bare", bench.program("bare.exe"), bare_window),
                                          ("bare_nocrt", bench.program("bare_nocrt.exe"), bare_window)], args.runs)
        shutil.copy(bench.program("autorun_timed.exe"), bench.cdrom)
        # Its timed copy, written the same way from the timed launcher.
        make_launcher.make(os.path.join(ROOT, "disc", "languages.ini"),
                           os.path.join(bench.cdrom, "languages_timed.exe"), bench.program("autorun_timed.exe"))
        spans = timed_spans(bench, [("launcher", "E:\\autorun_timed.exe", LAUNCHER),
                                    ("languages", "E:\\languages_timed.exe", LAUNCHER),
                                    ("bare", bench.program("bare_timed.exe"), bare_window),
                                    ("bare_nocrt", bench.program("bare_nocrt_timed.exe"), bare_window)], args.runs)
        relay_total, relay_table = relay_profile(bench, bench.launcher_path())
        hovers = hover_latency(bench, 30)
        idle_shown, idle_hidden = idle_cpu(bench)
        keeper.kill()
    ms = lambda s: s * 1000.0
    seen = {name: [t for t in runs if t is not None] for name, runs in times.items()}
    # The sizes are the product's, the i386 build, whichever lane ran.
    win32 = os.path.join(os.path.abspath(args.build), "win32")
    with open(os.path.join(win32, "autorun.exe"), "rb") as f:
        launcher_pe = PE(f.read())
    total, resources = sizes(os.path.join(win32, "autorun.exe"))
    own = launcher_pe.code_and_data_bytes()
    programs = os.path.join(win32, "tools", "lab", "programs")

    say("| figure | value | goal |")
    say("|---|---|---|")
    names = {"launcher": "launcher, to its last button painted",
             "languages": "the sample's five-language launcher, to its last button painted",
             "bare": "bare window with the C runtime",
             "bare_nocrt": "bare window without the C runtime"}
    for name in ("launcher", "languages", "bare", "bare_nocrt"):
        runs = seen[name]
        say("| start-up, %s: median of %d (min / max) | %.1f ms (%.0f / %.0f) | |"
            % (names[name], len(runs), ms(statistics.median(runs)), ms(min(runs)), ms(max(runs))))
    for other, goal in (("bare", "at most 1.03"), ("bare_nocrt", "reported")):
        ratios = paired_ratios(times, "launcher", other)
        low, high = quartiles(ratios)
        say("| launcher / %s: median of %d paired ratios (quartiles) | %.3f (%.3f to %.3f) | %s |"
            % (names[other], len(ratios), statistics.median(ratios), low, high, goal))
        say("| launcher / %s: ratio of the medians | %.3f | |"
            % (names[other], statistics.median(seen["launcher"]) / statistics.median(seen[other])))
    # The same programs started by CreateProcessA from inside Wine: to the
    # window visible, to input idle, and to the later of the two.
    measures = (("window visible", lambda t: t[0]), ("input idle", lambda t: t[1]),
                ("visible and idle", lambda t: max(t)))
    for label, pick in measures:
        for name in ("launcher", "bare"):
            picked = [pick(t) for t in idle_times[name] if t]
            if picked:
                say("| CreateProcessA to %s, %s: median of %d | %.1f ms | |"
                    % (label, names[name], len(picked), statistics.median(picked)))
        ratios = idle_ratios(idle_times, "launcher", "bare", pick)
        if len(ratios) >= 2:
            low, high = quartiles(ratios)
            say("| launcher / %s, CreateProcessA to %s: median of %d paired ratios (quartiles) | %.3f (%.3f to %.3f) | |"
                % (names["bare"], label, len(ratios), statistics.median(ratios), low, high))
    ratios = paired_ratios(times, "languages", "launcher")
    low, high = quartiles(ratios)
    say("| five languages / one: median of %d paired ratios (quartiles) | %.3f (%.3f to %.3f) | not above 1 |"
        % (len(ratios), statistics.median(ratios), low, high))
    ratios = paired_ratios(times, "bare_nocrt", "bare")
    say("| bare window without / with the C runtime: median of %d paired ratios | %.3f | |"
        % (len(ratios), statistics.median(ratios)))
    # The performance counter inside each process: the spans differ by what
    # each program does itself, free of the process start that all share.
    # Added to the baseline's whole start-up, that difference gives the ratio
    # at a resolution the wall clock cannot reach.
    totals = {name: [total for total, _ in spans[name]] for name in spans}
    for name in ("launcher", "languages", "bare", "bare_nocrt"):
        low, high = quartiles(totals[name])
        say("| entry point to the end of the first paint, %s (timed copy): median of %d (quartiles) | %.2f ms (%.2f to %.2f) | |"
            % (names[name], len(totals[name]), statistics.median(totals[name]), low, high))
    # The same pair by pair for the five-language launcher against the one:
    # the spans leave out Wine's process start, where the file's size could
    # count (Wine reads a section that is not page-aligned in the file).
    pairs = [a / b for a, b in zip(totals["languages"], totals["launcher"])]
    low, high = quartiles(pairs)
    say("| five languages / one, entry point to the end of the first paint: median of %d paired ratios (quartiles)"
        " | %.3f (%.3f to %.3f) | not above 1 |" % (len(pairs), statistics.median(pairs), low, high))
    whole = {name: statistics.median(seen[name]) * 1000.0 for name in seen}
    for other, goal in (("bare", "at most 1.03"), ("bare_nocrt", "reported")):
        extra = statistics.median(totals["launcher"]) - statistics.median(totals[other])
        say("| launcher / %s, whole start-up from the spans: (%.1f ms + %.2f ms) / %.1f ms | %.3f | %s |"
            % (names[other], whole[other], extra, whole[other], (whole[other] + extra) / whole[other], goal))
    if hovers:
        say("| hover latency, pointer move to highlighted picture (median of %d) | %.1f ms | |" % (len(hovers), statistics.median(hovers)))
        say("| hover latency, worst | %.1f ms | |" % max(hovers))
    say("| launcher's CPU time in 20 s idling shown / hidden while Notepad runs | %.0f ms / %.0f ms | |"
        % (idle_shown, idle_hidden))
    say("| autorun.exe total | %d bytes | |" % total)
    say("| autorun.exe resources (.rsrc) | %d bytes | |" % resources)
    say("| autorun.exe without resources (every section but .rsrc and .bss) | %d bytes | at most 18,432 |" % own)
    total, resources = sizes(os.path.join(win32, "languages", "autorun.exe"))
    say("| the sample's five-language autorun.exe total / resources | %d / %d bytes | |" % (total, resources))
    for name in ("bare.exe", "bare_nocrt.exe"):
        with open(os.path.join(programs, name), "rb") as f:
            say("| %s without resources | %d bytes | |" % (name, PE(f.read()).code_and_data_bytes()))
    say()
    say("The launcher's start-up step by step, from its timed copy (median of each step over %d runs, from the"
        % len(spans["launcher"]))
    say("entry point; the bare windows do only the first, fourth and fifth steps and the message loop, with a")
    say("paint of nothing):")
    say()
    say("| step | ms |")
    say("|---|---|")
    for step, length in step_table(spans["launcher"]):
        say("| %s | %.2f |" % (step, length))
    say()
    if relay_table:
        say("Where the launcher's start-up goes, from a `WINEDEBUG=+timestamp,+relay` run: the system calls the")
        say("launcher's own code makes, from its first to the end of its first paint (%.0f ms under tracing, which" % relay_total)
        say("slows every call and counts whole milliseconds; the shares are what count). A call that sends messages")
        say("to the window (CreateWindowExA, ShowWindow, DispatchMessageA) includes what the window procedure does")
        say("meanwhile; what no row holds is the launcher's own code between calls:")
        say()
        say("| system function | calls | ms under tracing | share |")
        say("|---|---|---|---|")
        for function, spent, count in relay_table[:12]:
            say("| %s | %d | %.1f | %.0f %% |" % (function, count, spent, 100.0 * spent / relay_total))
        say()
    say("Machine: %s." % machine(bench))
    if args.write:
        with open(args.write, "w") as f:
            f.write("# Performance\n\n")
            f.write("Measured on %s with `scripts/bench` (%d rounds; each round starts the launcher and both\n"
                    "baselines once, in an order that rotates from round to round).\n\n"
                    % (datetime.date.today().isoformat(), args.runs))
            f.write("Start-up is timed from starting the program under Wine to the screen showing a pixel of the\n"
                    "last button painted (the launcher) or of the white client area (the baselines: a bare\n"
                    "640 x 480 window, `tools/lab/programs/bare.cpp`, built once with the C runtime and once\n"
                    "like the launcher, without it); all include Wine's own process start. A probe in the same\n"
                    "Wine prefix polls the screen, and a window kept open for the whole run keeps Wine's desktop\n"
                    "process up, as on a real desktop. Wall-clock start-up under Wine swings by a third from run\n"
                    "to run, more than the differences measured, so the ratios are taken pair by pair within a\n"
                    "round (the launcher's run against the baseline's run of the same round) and their median\n"
                    "and quartiles are given; the ratio of the medians is shown beside it.\n"
                    "The other measure starts each program from the probe with CreateProcessA and takes the time\n"
                    "to its window being visible, to WaitForInputIdle answering, and to the later of the two; it\n"
                    "begins before Wine maps the program and stops before anything is drawn.\n"
                    "Hover latency is timed by the probe from moving the pointer onto Read Me to the\n"
                    "highlighted picture on the screen.\n\n")
            f.write("\n".join(lines) + "\n")
        print("written to %s" % args.write)
    return 0


if __name__ == "__main__":
    sys.exit(main())
