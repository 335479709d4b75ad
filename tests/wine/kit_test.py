#!/usr/bin/python3
"""The disc author's kit: disc-check over a table of broken discs, each with
its exact report, and on a first run without a Wine prefix; make-iso's
image of the sample disc; make-background's pictures passing disc-check;
preview's contact sheet.

    kit_test.py --build DIR disc_check|make_iso|make_background|preview
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tools"))
sys.path.insert(0, os.path.join(ROOT, "tools", "lab"))
from assemble_disc import assemble  # noqa: E402

SAMPLE_INF = open(os.path.join(ROOT, "disc", "autorun.inf"), newline="").read()


def write(folder, name, text):
    with open(os.path.join(folder, name), "w", newline="") as f:
        f.write(text)


def inf_with(old, new):
    def change(folder):
        write(folder, "autorun.inf", SAMPLE_INF.replace(old, new))
    return change


def remove(*names):
    def change(folder):
        for name in names:
            os.remove(os.path.join(folder, name))
    return change


def background(edit):
    """Rewrites the sample background through edit(image) -> image."""
    def change(folder):
        path = os.path.join(folder, "backgrnd.bmp")
        edit(Image.open(path)).save(path)
    return change


def shifted_colours(count):
    """The sample background with count colour-table entries changed."""
    def change(folder):
        path = os.path.join(folder, "backgrnd.bmp")
        data = bytearray(open(path, "rb").read())
        for i in range(count):
            data[54 + 4 * (100 + i)] ^= 0x40
        open(path, "wb").write(data)
    return change


NOT_LAUNCHER = "setup.exe"
CASES = [
    ("the sample disc", None, 0, ["no faults found"]),
    ("no marker", remove("kelvando.id"), 1,
     ["kelvando.id: missing from the disc root: add the marker file, or the launcher finds no disc and does not start"]),
    ("no launcher", remove("autorun.exe"), 1, ["autorun.exe: missing from the disc root: put the launcher there"]),
    ("no autorun.inf", remove("autorun.inf"), 1,
     ["autorun.inf: missing from the disc root: add it with open=autorun.exe under [autorun] and uninstkey=, "
      "instkey=, bitmap= under [install]"]),
    ("no open entry", inf_with("open=autorun.exe\r\n", ""), 1,
     ["autorun.inf: [autorun] has no open= entry: add open=autorun.exe, or Windows will not start the launcher "
      "when the disc goes in"]),
    ("open starts another program", inf_with("open=autorun.exe", "open=setup.exe /s"), 1,
     ["autorun.inf: [autorun] open=setup.exe /s does not start the launcher: set open=autorun.exe"]),
    ("instkey missing", inf_with("instkey=orvik.exe\r\n", ""), 1,
     ["autorun.inf: [install] has no instkey= entry: add it (the companion's name under the App Paths key)"]),
    ("uninstkey empty", inf_with("uninstkey=Orvik", "uninstkey="), 1,
     ["autorun.inf: [install] uninstkey= is empty: give it a value (the companion's name under the Uninstall key)"]),
    ("instkey too long", inf_with("instkey=orvik.exe", "instkey=" + "k" * 204), 1,
     ["autorun.inf: [install] instkey= is 204 characters long: the launcher takes at most 203"]),
    ("bitmap too long", inf_with("bitmap=backgrnd.bmp", "bitmap=" + "b" * 253), 1,
     ["autorun.inf: [install] bitmap= is 253 characters long: the launcher takes at most 252"]),
    ("bitmap at its longest is only missing", inf_with("bitmap=backgrnd.bmp", "bitmap=" + "b" * 252), 1,
     ["b" * 252 + ": missing: the launcher would show black behind its buttons; add the 640 x 480 picture or "
      "correct bitmap= in autorun.inf"]),
    ("picture missing", remove("backgrnd.bmp"), 1,
     ["backgrnd.bmp: missing: the launcher would show black behind its buttons; add the 640 x 480 picture or "
      "correct bitmap= in autorun.inf"]),
    ("picture not a bitmap", lambda f: write(f, "backgrnd.bmp", "GIF89a"), 1,
     ["backgrnd.bmp: not a whole Windows bitmap (another format, or a file cut short or damaged): the launcher "
      "would not load it and would show black behind its buttons; make it with scripts/make-background"]),
    ("picture of the wrong size", background(lambda im: im.crop((0, 0, 320, 240))), 1,
     ["backgrnd.bmp: is 320 x 240 pixels: the launcher shows it 1:1 in a 640 x 480 window; draw it at 640 x 480"]),
    ("picture in true colour", background(lambda im: im.convert("RGB")), 1,
     ["backgrnd.bmp: has 24 bits per pixel: on a 256-colour display Windows would map its colours onto the "
      "palette and show them wrong; save it with 8 bits per pixel on the launcher's palette "
      "(scripts/make-background)"]),
    ("picture on another palette", shifted_colours(5), 1,
     ["backgrnd.bmp: 5 of its 256 colours differ from the launcher's palette: on a 256-colour display they "
      "would show wrong; map it onto the launcher's palette with scripts/make-background"]),
    ("no setup or read-me", remove("setup.exe", "readme.txt"), 1,
     ["setup.exe: missing from the disc root: Install would have nothing to start",
      "readme.txt: missing from the disc root: Read Me would do nothing"]),
]


def disc_check(folder, prefix=None):
    env = dict(os.environ, DISC_CHECK_PREFIX=prefix) if prefix else None
    run = subprocess.run([os.path.join(ROOT, "scripts", "disc-check"), folder], capture_output=True, text=True,
                         env=env)
    return run.returncode, [line for line in run.stdout.splitlines() if line], run.stderr


def test_disc_check(build):
    win32 = os.path.join(build, "win32")
    work = os.path.join(build, "kit", "discs")
    failed = 0
    for name, change, code, report in CASES:
        folder = os.path.join(work, name.replace(" ", "-"))
        assemble(win32, folder)
        if change:
            change(folder)
        got_code, got, _ = disc_check(folder)
        if (got_code, got) == (code, report):
            print("ok   %s" % name)
        else:
            failed += 1
            print("FAIL %s\n  expected %d %s\n  got      %d %s" % (name, code, report, got_code, got))
    usage = subprocess.run([os.path.join(ROOT, "scripts", "disc-check")], capture_output=True, text=True)
    if usage.returncode != 2:
        failed += 1
        print("FAIL no folder: exit code %d, not 2" % usage.returncode)
    return failed + first_run(build)


def first_run(build):
    """A tree where only scripts/build has run has no Wine prefix, nor the
    folder it goes in: disc-check makes both and checks the disc. When Wine
    cannot run, it says so and exits 2, never 1 without a fault line."""
    failed = 0
    fresh = os.path.join(build, "kit", "fresh")
    shutil.rmtree(fresh, ignore_errors=True)
    folder = os.path.join(build, "kit", "discs", "sample")
    assemble(os.path.join(build, "win32"), folder)
    checks = []
    code, lines, errors = disc_check(folder, prefix=os.path.join(fresh, "wine", "check-prefix"))
    checks.append(((code, lines) == (0, ["no faults found"]),
                   "a first run without a prefix checks the disc: %d %s %s" % (code, lines, errors.strip()[-200:])))
    code, lines, errors = disc_check(folder, prefix="/dev/null/check-prefix")
    checks.append((code == 2 and not lines and "disc-check:" in errors,
                   "a prefix Wine cannot make gives exit 2 and a reason: %d %s %r" % (code, lines, errors.strip())))
    for ok, text in checks:
        print(("ok   " if ok else "FAIL ") + text)
        failed += 0 if ok else 1
    shutil.rmtree(fresh, ignore_errors=True)
    return failed


def test_make_background(build):
    """Pictures drawn off the palette, made into backgrounds, pass disc-check."""
    failed = 0
    work = os.path.join(build, "kit", "art")
    os.makedirs(work, exist_ok=True)
    gradient = Image.new("RGB", (640, 480))
    gradient.putdata([(x * 255 // 639, y * 255 // 479, (x * y) % 256) for y in range(480) for x in range(640)])
    gradient.save(os.path.join(work, "gradient.png"))
    clear = Image.new("RGBA", (800, 500))
    clear.putdata([(200, 60 + x % 150, 30, x * 255 // 799) for y in range(500) for x in range(800)])
    clear.save(os.path.join(work, "transparent.png"))
    folder = os.path.join(build, "kit", "discs", "made")
    make = os.path.join(ROOT, "scripts", "make-background")
    runs = [("a photograph-like gradient", ["gradient.png"], 0),
            ("the gradient without dithering", ["gradient.png", "--dither", "none"], 0),
            ("a transparent picture of another size, refused", ["transparent.png"], 1),
            ("the transparent picture cropped", ["transparent.png", "--fit", "crop"], 0),
            ("the transparent picture scaled", ["transparent.png", "--fit", "scale"], 0)]
    for name, arguments, code in runs:
        out = os.path.join(work, "out.bmp")
        if os.path.exists(out):
            os.remove(out)
        made = subprocess.run([make, os.path.join(work, arguments[0]), out] + arguments[1:], capture_output=True,
                              text=True)
        ok = made.returncode == code
        if ok and code == 0:
            assemble(os.path.join(build, "win32"), folder)
            shutil.copy(out, os.path.join(folder, "backgrnd.bmp"))
            got = disc_check(folder)[:2]
            ok = got == (0, ["no faults found"])
            if not ok:
                print("  disc-check: %s" % (got,))
        elif ok:
            ok = not os.path.exists(out) and "640 x 480" in made.stderr
        print(("ok   " if ok else "FAIL ") + name)
        failed += 0 if ok else 1
    # A picture drawn on the palette keeps every pixel: the sample comes out
    # byte for byte as the art generator wrote it.
    out = os.path.join(work, "same.bmp")
    subprocess.run([make, os.path.join(ROOT, "disc", "backgrnd.bmp"), out], capture_output=True)
    same = os.path.exists(out) and open(out, "rb").read() == open(os.path.join(ROOT, "disc", "backgrnd.bmp"),
                                                                  "rb").read()
    print(("ok   " if same else "FAIL ") + "a picture on the palette comes out unchanged")
    return failed + (0 if same else 1)


def test_make_iso(build):
    failed = 0
    image = os.path.join(build, "kit", "sample.iso")
    made = subprocess.run([os.path.join(ROOT, "scripts", "make-iso"), "", image], capture_output=True, text=True)
    listing = subprocess.run(["isoinfo", "-J", "-f", "-i", image], capture_output=True, text=True).stdout.split()
    expected = sorted(["/autorun.exe", "/autorun.inf", "/backgrnd.bmp", "/kelvando.id", "/readme.txt",
                       "/setup.exe", "/ORVIK", "/ORVIK/install.exe", "/ORVIK/orvik.exe", "/ORVIK/uninst.exe"])
    checks = [
        (made.returncode == 0, "make-iso succeeds on the sample disc: %s" % made.stderr.strip()[-200:]),
        (sorted(listing) == expected, "the image holds the sample disc under Joliet names: %s" % sorted(listing)),
    ]
    info = subprocess.run(["isoinfo", "-d", "-i", image], capture_output=True, text=True).stdout
    checks.append(("Volume id: ZARNO_KELVANDO" in info, "the volume label is ZARNO_KELVANDO"))
    # The launcher on the image is the one built.
    extracted = subprocess.run(["isoinfo", "-J", "-x", "/autorun.exe", "-i", image], capture_output=True).stdout
    built = open(os.path.join(build, "win32", "autorun.exe"), "rb").read()
    checks.append((extracted == built, "the image's autorun.exe is the built launcher"))
    broken = os.path.join(build, "kit", "broken")
    assemble(os.path.join(build, "win32"), broken)
    os.remove(os.path.join(broken, "kelvando.id"))
    refused_image = os.path.join(build, "kit", "broken.iso")
    if os.path.exists(refused_image):
        os.remove(refused_image)
    refused = subprocess.run([os.path.join(ROOT, "scripts", "make-iso"), broken, refused_image],
                             capture_output=True, text=True)
    checks.append((refused.returncode == 1 and not os.path.exists(refused_image),
                   "make-iso refuses a disc with faults"))
    for ok, text in checks:
        print(("ok   " if ok else "FAIL ") + text)
        failed += 0 if ok else 1
    return failed


def test_preview(build):
    """preview on the sample disc, without a display: a contact sheet whose
    panels are what the bench sees of the launcher (before and after
    installing, Read Me lit, and on a 256-colour display, which for a
    picture on the palette is the first panel again). A disc with faults is
    previewed all the same, its faults printed first; the folder is only
    read."""
    from bench import FRESH_LAYOUT, INSTALLED_LAYOUT, Failure, check_layout
    from preview import panel_box
    failed = 0
    folder = os.path.join(build, "kit", "discs", "preview")
    assemble(os.path.join(build, "win32"), folder)
    os.remove(os.path.join(folder, "readme.txt"))
    before = {name: os.path.getmtime(os.path.join(folder, name)) for name in os.listdir(folder)}
    sheet_path = os.path.join(build, "kit", "preview.png")
    if os.path.exists(sheet_path):
        os.remove(sheet_path)
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    run = subprocess.run([os.path.join(ROOT, "scripts", "preview"), folder, "--sheet", sheet_path],
                         capture_output=True, text=True, env=env)
    checks = [(run.returncode == 0 and os.path.exists(sheet_path), "preview writes the sheet: %s" % run.stderr[-300:]),
              ("readme.txt: missing from the disc root" in run.stdout, "disc-check's faults come first"),
              (before == {n: os.path.getmtime(os.path.join(folder, n)) for n in os.listdir(folder)},
               "the folder is left as it was")]
    if os.path.exists(sheet_path):
        sheet = Image.open(sheet_path).convert("RGB")
        client = (634, 474)  # the 640 x 480 window less its dialog frame
        panels = [("before installation", FRESH_LAYOUT, None), ("installed", INSTALLED_LAYOUT, None),
                  ("Read Me lit", FRESH_LAYOUT, {"readme": "highlighted"}), ("256 colours", FRESH_LAYOUT, None)]
        for index, (name, layout, states) in enumerate(panels):
            box = panel_box(index, client)
            try:
                check_layout(sheet, box[:2], client, layout, states)
                checks.append((True, "panel %s" % name))
            except Failure as failure:
                checks.append((False, "panel %s: %s" % (name, failure)))
    for ok, text in checks:
        print(("ok   " if ok else "FAIL ") + text)
        failed += 0 if ok else 1
    return failed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    tests = {"disc_check": test_disc_check, "make_iso": test_make_iso, "make_background": test_make_background,
             "preview": test_preview}
    parser.add_argument("test", choices=sorted(tests))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    failed = tests[args.test](build)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
