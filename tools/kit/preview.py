#!/usr/bin/python3
"""Shows a disc folder as the launcher will show it, before anything is burnt.

    python3 -m tools.kit.preview --build BUILD_DIR FOLDER [--sheet PNG]    (behind scripts/preview)

The folder becomes drive E:, a CD-ROM drive, of a Wine prefix of the
preview's own (BUILD_DIR/preview/wine-LANE), never the user's; the folder itself
is only read. disc-check runs first and its faults are printed, but the
preview is shown all the same.

With a display ($DISPLAY) the launcher runs there on the folder until it is
closed. Without one, it runs on Xvfb and a contact sheet is written
(BUILD_DIR/preview/FOLDER-NAME.png unless --sheet says where): the layout
before the companion is installed, the layout once it is (its App Paths
entry, named by the disc's own instkey, is made in the preview's prefix),
Read Me under the pointer, and the first picture as a 256-colour display
shows it: each colour the nearest of the launcher's palette, shown through
the system palette as Windows realizes the launcher's palette there.

When the folder's autorun.exe carries languages (scripts/make-launcher),
the sheet goes on with one tile per language, in the author's order: that
autorun.exe started from drive E: before the companion is installed, by a
user of that language: Wine takes the user's UI language from LC_ALL, set
to the glibc UTF-8 locale of the language's Windows language id (de:
de_DE.UTF-8, ja: ja_JP.UTF-8, ar: ar_SA.UTF-8; a language Python's table
lacks takes its language's main region). A locale this machine has not
generated (localedef; scripts/bootstrap makes the kit's) is said on standard
error, and its tile is left blank and labelled so.
"""
import argparse
import locale
import os
import subprocess
import sys
import time

from PIL import Image, ImageDraw, ImageFont

from tools import ROOT
from tools.build_steps.make_art import STATIC_HIGH, STATIC_LOW
from tools.kit.disc_check import languages
from tools.kit.make_background import launcher_palette, nearest
from tools.lab.bench import APP_PATHS, FRESH, LAUNCHER, Bench, slot_point, wait_exit
from tools.lab.wine_platform import choose_lane, lane_of

WM_CLOSE = 0x10
MARGIN, LABEL = 16, 26
CAPTIONS = ("before installation", "once the companion is installed", "Read Me under the pointer",
            "on a 256-colour display")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def shown_client(bench, hover=None, user_locale=None):
    """Starts the launcher, waits for its first paint, and returns its client
    area as shown (after moving the pointer to hover, a client point). With
    user_locale, the disc's own autorun.exe is started from drive E: with
    LC_ALL set to that locale."""
    # The pointer is kept off the window, where the last panel's hover left it.
    bench.xdotool("mousemove", 1000, 10)
    if user_locale is None:
        child = bench.start_launcher()
    else:
        child = subprocess.Popen([bench.lane.loader, r"E:\autorun.exe"], env=dict(bench.env(), LC_ALL=user_locale),
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        bench.children.append(child)
    if not bench.wait_for(*LAUNCHER, seconds=30):
        raise RuntimeError("the launcher did not start on this folder (is kelvando.id at its root?)")
    window = bench.find(*LAUNCHER)
    (ox, oy), (width, height) = window["origin"], window["client"]
    time.sleep(1.5)
    bench.xdotool("mousemove", 1000, 10)
    if hover:
        bench.xdotool("mousemove", ox + hover[0], oy + hover[1])
    time.sleep(0.8)
    picture = bench.screenshot().crop((ox, oy, ox + width, oy + height))
    bench.post(*LAUNCHER, message=WM_CLOSE)
    wait_exit(child, 15)
    return picture


def realized_colours(entries):
    """The colour each entry of the launcher's palette shows on a 256-colour
    display, realized in the foreground as Windows documents it: the
    launcher's static entries (0 to 9 and 246 to 255, no flag) are matched
    exactly to the system's static colours where they equal one; then, in
    order, the others (PC_NOCOLLAPSE) and any static entry left unmatched take
    the 236 free system entries; an entry that finds none shows the nearest
    colour already there."""
    # The system palette's twenty fixed colours, entries 0 to 9 and 246 to 255.
    system = {i: STATIC_LOW[i] for i in range(10)}
    system.update({246 + i: STATIC_HIGH[i] for i in range(10)})
    collapses = lambda i: i < 10 or i >= 246
    shown = [None] * len(entries)
    for i, colour in enumerate(entries):
        if collapses(i) and colour in system.values():
            shown[i] = colour
    free = iter(range(10, 246))
    for i, colour in enumerate(entries):
        if shown[i] is not None:
            continue
        if collapses(i) and colour in system.values():
            shown[i] = colour
            continue
        slot = next(free, None)
        if slot is not None:
            system[slot] = colour
            shown[i] = colour
        else:
            shown[i] = min(system.values(), key=lambda c: sum((a - b) ** 2 for a, b in zip(c, colour)))
    return shown


def on_palette(picture):
    """The picture as a 256-colour display shows it."""
    entries = launcher_palette()
    mapped = nearest(picture.convert("RGB"), entries)
    mapped.putpalette([c for colour in realized_colours(entries) for c in colour])
    return mapped.convert("RGB")


# Main regions where a language's letters are not its region's and Python's
# table lacks the language's ids.
MAIN_REGIONS = {"sr": "RS", "bs": "BA"}


def locale_of(langid, tag):
    """The glibc UTF-8 locale of a Windows language id (0x0407:
    de_DE.UTF-8): Python's table of Windows' ids, else the language's
    default sublanguage there when it is the same language, else the tag's
    language with its region, or its main region; None when the tag names
    no language (an id written as 0x....)."""
    name = locale.windows_locale.get(langid)
    language, _, region = tag.partition("-")
    if not name:
        main = locale.windows_locale.get((langid & 0x3FF) | 0x400, "")
        if main.split("_")[0] == language.lower():
            name = main
        elif language.isalpha():
            region = region if len(region) == 2 else MAIN_REGIONS.get(language.lower(), language)
            name = "%s_%s" % (language.lower(), region.upper())
        else:
            return None
    return name + ".UTF-8"


def has_locale(name):
    """Whether glibc can set the locale on this machine."""
    if name is None:
        return False
    saved = locale.setlocale(locale.LC_ALL)
    try:
        locale.setlocale(locale.LC_ALL, name)
        return True
    except locale.Error:
        return False
    finally:
        locale.setlocale(locale.LC_ALL, saved)


def language_tiles(folder):
    """[(tag, label, locale or None)] of the folder's autorun.exe's
    languages, in the author's order; [] for a launcher of one language."""
    path = os.path.join(folder, "autorun.exe")
    found = languages.carried(path) if os.path.isfile(path) else None
    if not found:
        return []
    default, order = found
    tiles = []
    for langid in order:
        tag = languages.tag(langid)
        name = locale_of(langid, tag)
        shown = "%s%s, before installation" % (tag, " (default)" if langid == default else "")
        if has_locale(name):
            tiles.append((tag, "%s, LC_ALL=%s" % (shown, name), name))
        elif name is None:
            print("preview: %s: no glibc locale is known for this language: its tile is left blank" % tag,
                  file=sys.stderr)
            tiles.append((tag, "%s: no locale known, not shown" % shown, None))
        else:
            print("preview: %s: this machine has no %s locale (localedef -i %s -f UTF-8 %s makes it): its tile is "
                  "left blank" % (tag, name, name.split(".")[0], name), file=sys.stderr)
            tiles.append((tag, "%s: no %s locale here, not shown" % (shown, name), None))
    return tiles


def sheet(panels, captions=CAPTIONS):
    """Two panels a row, each with its caption under it."""
    width, height = panels[0].size
    rows = (len(panels) + 1) // 2
    out = Image.new("RGB", (2 * width + 3 * MARGIN, rows * (height + LABEL) + (rows + 1) * MARGIN), (40, 40, 40))
    draw = ImageDraw.Draw(out)
    font = ImageFont.truetype(FONT, 15) if os.path.exists(FONT) else ImageFont.load_default()
    for i, (panel, caption) in enumerate(zip(panels, captions)):
        x = MARGIN + (i % 2) * (width + MARGIN)
        y = MARGIN + (i // 2) * (height + LABEL + MARGIN)
        out.paste(panel, (x, y))
        draw.text((x, y + height + 5), caption, fill=(230, 230, 230), font=font)
    return out


def panel_box(index, size):
    """Where panel index lies on the sheet (for the tests)."""
    width, height = size
    x = MARGIN + (index % 2) * (width + MARGIN)
    y = MARGIN + (index // 2) * (height + LABEL + MARGIN)
    return x, y, x + width, y + height


def disc_check(folder):
    run = subprocess.run([os.path.join(ROOT, "scripts", "disc-check"), folder], capture_output=True, text=True)
    if run.returncode == 0:
        print("disc-check: no faults found")
        sys.stdout.write("".join("  " + line + "\n" for line in run.stdout.splitlines() if line.startswith("note: ")))
    elif run.returncode == 1:
        print("disc-check found faults; the preview shows the disc as it is:")
        sys.stdout.write("".join("  " + line + "\n" for line in run.stdout.splitlines()))
    else:
        print("disc-check could not run: %s" % run.stderr.strip())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--sheet")
    parser.add_argument("folder")
    args = parser.parse_args()
    folder = os.path.abspath(args.folder)
    if not os.path.isdir(folder):
        print("preview: %s is not a folder" % args.folder, file=sys.stderr)
        return 2
    build = os.path.abspath(args.build)
    disc_check(folder)
    interactive = bool(os.environ.get("DISPLAY"))
    lane, reason = choose_lane()
    if lane is None:
        print("preview: Wine cannot run on this machine: %s" % reason, file=sys.stderr)
        return 2
    tiles = [] if interactive else language_tiles(folder)
    if tiles and lane_of(os.path.join(folder, "autorun.exe")) is not lane:
        print("preview: %s/autorun.exe is built for another machine than this Wine runs (%s): its languages' "
              "tiles are left blank" % (folder, lane.name), file=sys.stderr)
        tiles = [(tag, label.split(", LC_ALL=")[0] + ": not run on this machine's Wine", None)
                 for tag, label, _ in tiles]
    work = os.path.join(build, "preview", "wine-" + lane.name)
    with Bench(build, use_current_display=interactive, work=work, disc=folder) as bench:
        instkey = bench.probe("profile", r"E:\autorun.inf", "install", "instkey").stdout.strip()[1:-1]
        installed = APP_PATHS + "\\" + ("" if instkey == "(default)" else instkey)
        bench.wine_reg("delete", installed, "/f")
        if interactive:
            child = bench.start_launcher()
            if not bench.wait_for(*LAUNCHER, seconds=30):
                print("preview: the launcher did not start on this folder (is kelvando.id at its root?)")
                return 1
            print("The launcher is up on %s with %s as drive E:; close it to end the preview." % (bench.display, folder))
            child.wait()
            return 0
        try:
            fresh = shown_client(bench)
            hovered = shown_client(bench, hover=slot_point(FRESH["readme"]))
            shown = [shown_client(bench, user_locale=name) if name else None for _, _, name in tiles]
            bench.wine_reg("add", installed, "/f")
            after = shown_client(bench)
        except RuntimeError as error:
            print("preview: %s" % error, file=sys.stderr)
            return 1
        finally:
            bench.wine_reg("delete", installed, "/f")
    out = args.sheet or os.path.join(build, "preview", os.path.basename(folder.rstrip("/")) + ".png")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    blank = Image.new("RGB", fresh.size, (70, 70, 70))
    sheet([fresh, after, hovered, on_palette(fresh)] + [picture or blank for picture in shown],
          CAPTIONS + tuple(label for _, label, _ in tiles)).save(out)
    print("contact sheet: %s" % out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
