#!/usr/bin/python3
"""The disc author's kit: disc-check over a table of broken discs, each with
its exact report, and on a first run without a Wine prefix; make-iso's
image of the sample disc; make-background's pictures passing disc-check;
preview's contact sheet; assemble-disc's layout of the sample disc.

    python3 -m tests.wine.kit_test --build DIR disc_check|make_iso|make_background|preview|sign|names|assemble_disc
"""
import argparse
import io
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image

from tools import ROOT
from tools.build_steps.assemble_disc import assemble
from tools.kit import pe_resources
from tools.lab.wine_platform import skip_unless_wine_runs

SAMPLE_INF = open(os.path.join(ROOT, "disc", "autorun.inf"), newline="").read()


def write(folder, name, text):
    with open(os.path.join(folder, name), "w", newline="") as f:
        f.write(text)


def inf_with(old, new):
    def change(folder):
        write(folder, "autorun.inf", SAMPLE_INF.replace(old, new))
    return change


def utf8_marked(text):
    """autorun.inf as the text, saved as UTF-8 with a byte-order mark."""
    def change(folder):
        with open(os.path.join(folder, "autorun.inf"), "wb") as f:
            f.write(b"\xef\xbb\xbf" + text.encode("latin-1"))
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


def copy_as(source, name):
    def change(folder):
        os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
        shutil.copy(os.path.join(folder, source), os.path.join(folder, name))
    return change


def both(*changes):
    def change(folder):
        for one in changes:
            one(folder)
    return change


def short_name_fault(name, iso):
    return ("%s: not an 8.3 name: Windows 95 on a real-mode CD-ROM driver (MSCDEX) reads only the disc's ISO 9660 "
            "names, where it is %s, and finds nothing under this one; rename it to at most 8 letters, digits or _, "
            "a dot and 3 more (and name it so in autorun.inf)" % (name, iso))


def unsigned_note(name):
    return ("note: %s: unsigned: Windows 11 with Smart App Control on blocks an unsigned program, SmartScreen warns "
            "when it comes from a downloaded image, and Windows names its publisher as unknown; sign it "
            "(scripts/sign FOLDER --pkcs12 FILE)" % name)


def five_languages(edit=None, *gone):
    """The sample disc with the sample description's five languages in its
    autorun.exe (scripts/make-launcher), its resources changed by edit
    ({(type, id, language): bytes}, changed in place) and the files gone
    removed."""
    def change(folder):
        launcher = os.path.join(folder, "autorun.exe")
        subprocess.run([os.path.join(ROOT, "scripts", "make-launcher"), os.path.join(ROOT, "disc", "languages.ini"),
                        launcher], check=True, capture_output=True)
        if edit:
            data = open(launcher, "rb").read()
            resources = pe_resources.read(data)
            edit(resources)
            open(launcher, "wb").write(pe_resources.replaced(data, resources)[0])
        remove(*gone)(folder)
    return change


def strings_set(langid, **strings):
    """Sets strings of a language's table by id (s7="hinterg.bmp")."""
    def edit(resources):
        table = pe_resources.strings_of(resources[(6, 1, langid)])
        for ident, text in strings.items():
            table[int(ident[1:])] = text
        resources[(6, 1, langid)] = pe_resources.string_block(table)
    return edit


def dropped(*keys):
    def edit(resources):
        for key in keys:
            del resources[key]
    return edit


def languages_record(*words):
    def edit(resources):
        resources[(10, 102, 0)] = struct.pack("<%dH" % len(words), *words)
    return edit


def whole_note(folder):
    size = os.path.getsize(os.path.join(folder, "autorun.exe"))
    return ("note: autorun.exe: %s bytes, read whole from the disc before it starts (it runs from the swap file): "
            "%.2f s on a 2x drive, %.2f s on a 24x" % (format(size, ","), size / 307200, size / 3686400))


SAMPLE_LANGUAGES = [
    "note: autorun.exe: languages: en-GB (default), de, fr, ja, ar",
    "note: autorun.exe: en-GB adds 77,416 bytes: 0.25 s on a 2x drive, 0.02 s on a 24x",
    "note: autorun.exe: de adds 77,480 bytes: 0.25 s on a 2x drive, 0.02 s on a 24x",
    "note: autorun.exe: fr adds 77,440 bytes: 0.25 s on a 2x drive, 0.02 s on a 24x",
    "note: autorun.exe: ja adds 77,400 bytes: 0.25 s on a 2x drive, 0.02 s on a 24x",
    "note: autorun.exe: ar adds 77,416 bytes: 0.25 s on a 2x drive, 0.02 s on a 24x",
    whole_note,
]
AGAIN = "write it again with scripts/make-launcher"
MENU = "label=ZARNO KELVANDO\r\n"
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
    # [autorun] as Windows reads it: the icon, the label, shellexecute, menu
    # commands, action and UseAutoPlay; 8.3 names for what is named.
    ("icon of a launcher without one", inf_with("icon=kelvando.ico", "icon=autorun.exe,0"), 1,
     ["autorun.exe: holds no icon: Explorer would show the plain drive icon for icon=autorun.exe,0; name the "
      "disc's .ico file in icon= in autorun.inf"]),
    ("icon missing", inf_with("icon=kelvando.ico", "icon=nothere.ico"), 1,
     ["nothere.ico: missing: Explorer would show the plain drive icon; add it or correct icon= in autorun.inf"]),
    ("icon directory without images", lambda f: write(f, "kelvando.ico", "\0\0\1\0\0\0"), 1,
     ["kelvando.ico: not a sound icon file (its icon directory or an image in it does not hold together): "
      "Explorer would show the plain drive icon; save it again as an .ico"]),
    ("icon cut short", lambda f: open(os.path.join(f, "kelvando.ico"), "r+b").truncate(2000), 1,
     ["kelvando.ico: not a sound icon file (its icon directory or an image in it does not hold together): "
      "Explorer would show the plain drive icon; save it again as an .ico"]),
    ("icon of a text file", inf_with("icon=kelvando.ico", "icon=readme.txt"), 1,
     ["autorun.inf: [autorun] icon=readme.txt names neither an .ico, .bmp, .exe nor .dll file: Windows takes the "
      "disc's icon only from those"]),
    ("icon in another folder", inf_with("icon=kelvando.ico", "icon=ORVIK\\orvik.exe"), 1,
     ["autorun.inf: [autorun] icon=ORVIK\\orvik.exe is not in the folder of the open= program: Windows takes the "
      "icon only from there; put it beside the launcher and name it so"]),
    ("icon of an .ico at index 1", inf_with("icon=kelvando.ico", "icon=kelvando.ico,1"), 1,
     ["autorun.inf: [autorun] icon=kelvando.ico,1: an .ico file holds one icon, at index 0: give icon=kelvando.ico"]),
    ("icon of a bitmap", inf_with("icon=kelvando.ico", "icon=backgrnd.bmp"), 0, ["no faults found"]),
    ("icon of a long name", both(copy_as("kelvando.ico", "kelvando-disc.ico"),
                                 inf_with("icon=kelvando.ico", "icon=kelvando-disc.ico")), 1,
     [short_name_fault("kelvando-disc.ico", "KELVANDO.ICO")]),
    ("label of 32 characters", inf_with(MENU, "label=" + "L" * 32 + "\r\n"), 0, ["no faults found"]),
    ("label of 33 characters", inf_with(MENU, "label=ZARNO KELVANDO COMPANION DISC ONE\r\n"), 1,
     ['autorun.inf: [autorun] label= is 33 characters long: Windows shows only the first 32, '
      '"ZARNO KELVANDO COMPANION DISC ON"; shorten it']),
    ("shellexecute without open", inf_with("open=autorun.exe", "shellexecute=autorun.exe"), 1,
     ["autorun.inf: [autorun] has shellexecute= but no open= entry: Windows 95 and 98 ignore shellexecute= (it "
      "needs shell version 5.0); add open=autorun.exe"]),
    ("a menu command on the disc", both(copy_as("setup.exe", "ORVIK/orvik.exe"),
                                        inf_with(MENU, MENU + "shell\\readme=Read &Me\r\n"
                                                 "shell\\readme\\command=ORVIK\\orvik.exe /readme\r\n")), 0,
     ["no faults found"]),
    ("a menu verb with a blank", inf_with(MENU, MENU + "shell\\read me\\command=setup.exe\r\n"), 1,
     ['autorun.inf: [autorun] shell\\read me\\command: the verb "read me" holds a blank, which a verb cannot: '
      "write it without blanks (the menu's text goes in shell\\VERB=)"]),
    ("a menu command off the disc", inf_with(MENU, MENU + "shell\\notes\\command=notepad.exe readme.txt\r\n"), 1,
     ["autorun.inf: [autorun] shell\\notes\\command=notepad.exe readme.txt does not name a program on the disc: the "
      "menu command would start nothing; put the program on the disc and name it from the disc root"]),
    ("a menu command of a long name", both(copy_as("setup.exe", "setup-orvik.exe"),
                                          inf_with(MENU, MENU + "shell\\setup\\command=setup-orvik.exe\r\n")), 1,
     [short_name_fault("setup-orvik.exe", "SETUP_OR.EXE"), unsigned_note("setup-orvik.exe")]),
    ("action, which CD-ROM drives do not use", inf_with(MENU, MENU + "action=Start ZARNO KELVANDO\r\n"), 0,
     ["note: autorun.inf: [autorun] action= is not used for CD-ROM drives (Windows shows it only for removable "
      "and fixed disks): on this disc it changes nothing", "no faults found"]),
    ("UseAutoPlay", inf_with(MENU, MENU + "UseAutoPlay=1\r\n"), 1,
     ["autorun.inf: [autorun] UseAutoPlay=1: Windows XP and later then offer AutoPlay's choices for the disc's "
      "files instead of starting open=; remove it"]),
    ("a picture of a long name", both(copy_as("backgrnd.bmp", "background.bmp"),
                                     inf_with("bitmap=backgrnd.bmp", "bitmap=background.bmp")), 1,
     [short_name_fault("background.bmp", "BACKGROU.BMP")]),
    ("a UTF-8 mark before [autorun]", utf8_marked(SAMPLE_INF), 1,
     ["autorun.inf: starts with a UTF-8 byte-order mark, which Windows reads as part of the first line: AutoPlay "
      "and Windows' profile functions miss its [autorun] section; save it as ANSI (or as UTF-16) without the mark"]),
    # The languages autorun.exe carries, and what each names on the disc.
    ("five languages", five_languages(), 0, SAMPLE_LANGUAGES + ["no faults found"]),
    ("five languages without the German read-me", five_languages(None, "liesmich.txt"), 1,
     ["liesmich.txt: missing: autorun.exe names it as the read-me for de, for whose users Read Me opens readme.txt "
      "instead; add it to the disc, or correct readme= in the languages' description and " + AGAIN]
     + SAMPLE_LANGUAGES),
    ("a language's background missing", five_languages(strings_set(0x0411, s8="HINTERG.BMP")), 1,
     ["HINTERG.BMP: missing: autorun.exe names it as the background for ja, for whose users the launcher shows "
      "autorun.inf's picture (bitmap=) instead; add it to the disc, or correct background= in the languages' "
      "description and " + AGAIN] + SAMPLE_LANGUAGES[:4] + ["note: autorun.exe: ja adds 77,424 bytes: 0.25 s on "
                                                           "a 2x drive, 0.02 s on a 24x"] + SAMPLE_LANGUAGES[5:]),
    ("a language without a picture and a caption",
     five_languages(both(dropped((2, 119, 0x040C)), strings_set(0x040C, s5=""))), 1,
     ["autorun.exe: fr lacks 1 of its 15 button pictures (install_pressed): Windows finds no picture of those "
      "buttons in fr; " + AGAIN,
      "autorun.exe: fr has no caption for Cancel: screen readers name the buttons by their captions; " + AGAIN]
     + SAMPLE_LANGUAGES[:3] + ["note: autorun.exe: fr adds 72,272 bytes: 0.24 s on a 2x drive, 0.02 s on a 24x"]
     + SAMPLE_LANGUAGES[4:]),
    ("a default not among the languages", five_languages(languages_record(2, 0x0407, 0x0809, 0x0411)), 1,
     ["autorun.exe: its default language, de, is not one of its languages (en-GB, ja): a user whose language is "
      "not listed gets the first, en-GB; " + AGAIN, "note: autorun.exe: languages: en-GB, ja", SAMPLE_LANGUAGES[1],
      SAMPLE_LANGUAGES[4], whole_note]),
    ("a languages record cut short", five_languages(languages_record(5, 0x0809, 0x0809, 0x0407)), 1,
     ["autorun.exe: its languages record (RCDATA 102) does not hold together: its count says 5 languages and it "
      "holds 2; " + AGAIN]),
    ("a UTF-8 mark before a comment", utf8_marked("; ZARNO KELVANDO\r\n" + SAMPLE_INF), 0,
     ["note: autorun.inf: starts with a UTF-8 byte-order mark, which Windows reads as part of the first line (no "
      "section there, so nothing is missed); the launcher skips it; save it as ANSI to be sure", "no faults found"]),
]
# Until the sample's programs are signed, every report has a note for each;
# and one for the launcher's one language where make-launcher has not run.
UNSIGNED = [unsigned_note(name) for name in ("autorun.exe", "setup.exe")]
ONE_LANGUAGE = "note: autorun.exe: one language, "


def one_language_note(folder):
    return whole_note(folder).replace("note: autorun.exe: ", ONE_LANGUAGE + "en-GB (no languages record); ")


def disc_check(folder, prefix=None, unsigned=False, language=False):
    """Exit code, report lines (without the unsigned programs' notes nor
    the one-language note unless asked for) and standard error."""
    env = dict(os.environ, DISC_CHECK_PREFIX=prefix) if prefix else None
    run = subprocess.run([os.path.join(ROOT, "scripts", "disc-check"), folder], capture_output=True, text=True,
                         env=env)
    return (run.returncode, [line for line in run.stdout.splitlines() if line and (unsigned or line not in UNSIGNED)
                             and (language or not line.startswith(ONE_LANGUAGE))], run.stderr)


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
        report = [line(folder) if callable(line) else line for line in report]
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
    code, lines, errors = disc_check(folder, prefix=os.path.join(fresh, "wine", "check-prefix"), language=True)
    checks.append(((code, lines) == (0, [one_language_note(folder), "no faults found"]),
                   "a first run without a prefix checks the disc: %d %s %s" % (code, lines, errors.strip()[-200:])))
    code, lines, errors = disc_check(folder, prefix="/dev/null/check-prefix")
    checks.append((code == 2 and not lines and "disc-check:" in errors,
                   "a prefix Wine cannot make gives exit 2 and a reason: %d %s %r" % (code, lines, errors.strip())))
    for ok, text in checks:
        print(("ok   " if ok else "FAIL ") + text)
        failed += 0 if ok else 1
    shutil.rmtree(fresh, ignore_errors=True)
    return failed


def listing(folder):
    return sorted(os.path.relpath(os.path.join(top, name), folder)
                  for top, folders, files in os.walk(folder) for name in folders + files)


def test_assemble_disc(build):
    """scripts/assemble-disc lays out the sample disc in a new folder (named
    from where the command runs), lays it out again over a disc folder, and
    refuses any other folder with files in it, which it would have emptied."""
    work = os.path.join(build, "kit", "assemble")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "notes"))
    write(work, "notes/plan.txt", "mine")
    sample = os.path.join(work, "sample")
    assemble(os.path.join(build, "win32"), sample)
    command = lambda *args: subprocess.run([os.path.join(ROOT, "scripts", "assemble-disc")] + list(args), cwd=work,
                                           capture_output=True, text=True)
    laid = command("disc")
    disc = os.path.join(work, "disc")
    same = laid.returncode == 0 and listing(disc) == listing(sample) and all(
        open(os.path.join(disc, name), "rb").read() == open(os.path.join(sample, name), "rb").read()
        for name in listing(sample) if os.path.isfile(os.path.join(sample, name)))
    write(disc, "old.txt", "left from before")
    again = command("disc")
    refused = command("notes")
    usage = command()
    checks = [(same, "a new folder gets the sample disc: %s" % laid.stderr.strip()[-200:]),
              (again.returncode == 0 and listing(disc) == listing(sample), "a disc folder is laid out afresh"),
              (refused.returncode == 2 and listing(os.path.join(work, "notes")) == ["plan.txt"] and
               "no autorun.inf" in refused.stderr, "a folder of other files is refused and kept: %s" % refused.stderr),
              (usage.returncode == 2 and usage.stderr.startswith("usage: scripts/assemble-disc FOLDER"),
               "no folder: exit code %d, %s" % (usage.returncode, usage.stderr.strip()))]
    for ok, text in checks:
        print(("ok   " if ok else "FAIL ") + text)
    return sum(1 for ok, _ in checks if not ok)


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


def make(folder, path, kind="file"):
    """A file, folder or link (to readme.txt) of that path in folder."""
    full = os.path.join(folder, path)
    os.makedirs(os.path.dirname(full) if kind != "folder" else full, exist_ok=True)
    if kind == "file":
        write(folder, path, "x")
    elif kind == "link":
        os.symlink("readme.txt", full)


LONG_PATH = "p" * 100 + "/" + "p" * 100 + "/" + "q" * 37 + ".txt"
# Names the image's Joliet tree would not hold as they are: each refused,
# with its line, before anything is written.
NAME_CASES = [
    ("a name of 104 characters", "n" * 100 + ".text", "file",
     "n" * 100 + ".text: its name is 104 characters long: the image's Joliet tree holds 103 at most and would cut "
     "it; shorten it"),
    ("a folder name of 104 characters", "f" * 104, "folder",
     "f" * 104 + ": its name is 104 characters long: the image's Joliet tree holds 103 at most and would cut it; "
     "shorten it"),
    ("a star", "a*b.txt", "file", "a*b.txt: holds '*', which Joliet cannot hold (the image would have _ instead): "
     "rename it"),
    ("a colon and a question mark", "what:now?.txt", "file",
     "what:now?.txt: holds ':' '?', which Joliet cannot hold (the image would have _ instead): rename it"),
    ("a semicolon", "notes;1", "file", "notes;1: holds ';', which Joliet cannot hold (the image would have _ "
     "instead): rename it"),
    ("a tab", "a\tb.txt", "file", "a\tb.txt: holds '\\t', which Joliet cannot hold (the image would have _ "
     "instead): rename it"),
    ("a character outside UCS-2", "disc\U0001F4BF.txt", "file",
     "disc\U0001F4BF.txt: holds '\U0001F4BF', which Joliet cannot hold (the image would have _ instead): rename it"),
    ("names equal but for case", "README.TXT", "file",
     "readme.txt: differs from README.TXT only in case: Windows takes them for one name; rename one"),
    ("a path of 243 characters", LONG_PATH, "file",
     LONG_PATH + ": its path is 243 characters long: Joliet holds paths of 240 at most, and not every Windows "
     "reads a longer one; shorten it or move it up"),
    ("nine levels", "1/2/3/4/5/6/7/8", "folder",
     "1/2/3/4/5/6/7/8: lies 9 levels deep with the root: ISO 9660 holds 8, and not every Windows reads deeper; "
     "move it up"),
    ("a symbolic link", "link.txt", "link",
     "link.txt: a symbolic link, which the image's Joliet tree cannot hold: put the file or folder itself there"),
]


def make_iso(folder, image, env=None):
    if os.path.exists(image):
        os.remove(image)
    return subprocess.run([os.path.join(ROOT, "scripts", "make-iso"), folder, image], capture_output=True,
                          text=True, env=env)


def test_make_iso(build):
    failed = 0
    win32 = os.path.join(build, "win32")
    image = os.path.join(build, "kit", "sample.iso")
    made = subprocess.run([os.path.join(ROOT, "scripts", "make-iso"), "", image], capture_output=True, text=True)
    listing = subprocess.run(["isoinfo", "-J", "-f", "-i", image], capture_output=True, text=True).stdout.split()
    expected = sorted(["/autorun.exe", "/autorun.inf", "/backgrnd.bmp", "/kelvando.ico", "/kelvando.id",
                       "/liesmich.txt", "/readme.txt", "/setup.exe"])
    checks = [
        (made.returncode == 0, "make-iso succeeds on the sample disc: %s" % made.stderr.strip()[-200:]),
        ("read back through its Joliet tree: the same 8 files and folders, disc-check passes" in made.stdout,
         "the sample's image is read back and compared: %s" % made.stdout.strip()[-300:]),
        (sorted(listing) == expected, "the image holds the sample disc under Joliet names: %s" % sorted(listing)),
    ]
    short = subprocess.run(["isoinfo", "-f", "-i", image], capture_output=True, text=True).stdout.split()
    checks.append(("/BACKGRND.BMP;1" in short and "/KELVANDO.ICO;1" in short,
                   "the picture and the icon keep their names in the ISO 9660 tree: %s" % short))
    info = subprocess.run(["isoinfo", "-d", "-i", image], capture_output=True, text=True).stdout
    checks.append(("Volume id: ZARNO_KELVANDO" in info, "the volume label is ZARNO_KELVANDO"))
    checks.append(("Data preparer id: ZARNO KELVANDO DISC KIT" in info, "the preparer is the kit's"))
    # The launcher on the image is the one built.
    extracted = subprocess.run(["isoinfo", "-J", "-x", "/autorun.exe", "-i", image], capture_output=True).stdout
    built = open(os.path.join(win32, "autorun.exe"), "rb").read()
    checks.append((extracted == built, "the image's autorun.exe is the built launcher"))

    # Two copies of one folder, with new dates (and one name at Joliet's
    # longest), give one image byte for byte.
    images = []
    for copy, when in (("copy-1", 1000000000), ("copy-2", 1600000000)):
        folder = os.path.join(build, "kit", copy)
        assemble(win32, folder)
        make(folder, os.path.join("ORVIK", "n" * 99 + ".txt"))
        for parent, folders, files in os.walk(folder):
            for name in folders + files:
                os.utime(os.path.join(parent, name), (when, when))
        images.append(os.path.join(build, "kit", copy + ".iso"))
        run = make_iso(folder, images[-1])
        checks.append((run.returncode == 0, "make-iso on %s: %s" % (copy, (run.stdout + run.stderr).strip()[-300:])))
    same = all(os.path.exists(i) for i in images) and open(images[0], "rb").read() == open(images[1], "rb").read()
    checks.append((same, "two copies of one folder with other dates give the same image byte for byte"))

    broken = os.path.join(build, "kit", "broken")
    assemble(win32, broken)
    os.remove(os.path.join(broken, "kelvando.id"))
    refused_image = os.path.join(build, "kit", "broken.iso")
    refused = make_iso(broken, refused_image)
    checks.append((refused.returncode == 1 and not os.path.exists(refused_image),
                   "make-iso refuses a disc with faults"))
    for ok, text in checks:
        print(("ok   " if ok else "FAIL ") + text)
        failed += 0 if ok else 1
    return failed


def test_names(build):
    """make-iso refuses every name the image would change, before it checks
    the disc (so without Wine), and writes no image."""
    failed = 0
    refused_image = os.path.join(build, "kit", "names.iso")
    for name, path, kind, line in NAME_CASES:
        folder = os.path.join(build, "kit", "names")
        assemble(os.path.join(build, "win32"), folder)
        make(folder, path, kind)
        refused = make_iso(folder, refused_image)
        got = refused.stdout.splitlines()
        ok = refused.returncode == 1 and got == [line] and not os.path.exists(refused_image)
        print(("ok   " if ok else "FAIL ") + "make-iso refuses %s: %d %s" % (name, refused.returncode, got))
        failed += 0 if ok else 1
    return failed


def test_sign(build):
    """A throwaway authority and code-signing certificate (made here with
    openssl; no timestamp, so no network): the sample's programs signed,
    named by disc-check and still passing the product check and the
    fresh-layout case on Wine; a byte changed afterwards is a fault, signing
    again mends it; a wrong password signs nothing."""
    work = os.path.join(build, "kit", "sign")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    run = lambda *args, **kw: subprocess.run(list(args), cwd=work, capture_output=True, text=True, **kw)
    write(work, "password", "kit-test-password")
    write(work, "wrong", "not-the-password")
    write(work, "leaf.ext", "basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                            "extendedKeyUsage=codeSigning\n")
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.crt", "-days",
        "2", "-subj", "/CN=Kit Test Authority", "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign")
    run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", "leaf.key", "-out", "leaf.csr", "-subj",
        "/CN=Kit Test Signer/O=Zarno Kelvando")
    run("openssl", "x509", "-req", "-in", "leaf.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
        "-out", "leaf.crt", "-days", "2", "-extfile", "leaf.ext")
    run("openssl", "pkcs12", "-export", "-out", "signer.p12", "-inkey", "leaf.key", "-in", "leaf.crt",
        "-certfile", "ca.crt", "-passout", "file:password")
    folder = os.path.join(work, "disc")
    assemble(os.path.join(build, "win32"), folder)
    launcher = os.path.join(folder, "autorun.exe")
    sign = lambda password, *also: subprocess.run(
        [os.path.join(ROOT, "scripts", "sign"), folder, "--pkcs12", os.path.join(work, "signer.p12"),
         "--password-file", os.path.join(work, password)] + (["--also"] + list(also) if also else []),
        capture_output=True, text=True, stdin=subprocess.DEVNULL)
    signed = ["note: %s: signed by Kit Test Signer, intact; its certificate does not lead to an authority this "
              "machine trusts, and Windows trusts it only where its authority is installed" % name
              for name in ("autorun.exe", "setup.exe")]
    checks = [(disc_check(folder, unsigned=True)[:2] == (0, UNSIGNED + ["no faults found"]),
               "the unsigned sample gets a note for each program, and no fault")]
    done = sign("password", "setup.exe")
    checks.append((done.returncode == 0, "scripts/sign signs both: %s" % done.stderr.strip()))
    got = disc_check(folder, unsigned=True)[:2]
    checks.append((got == (0, signed + ["no faults found"]), "disc-check names the signer: %s" % (got,)))
    product = subprocess.run([sys.executable, "-m", "tests.wine.check_executable", launcher],
                             capture_output=True, text=True)
    checks.append((product.returncode == 0, "the signed launcher passes the product check: %s"
                   % [l for l in product.stdout.splitlines() if l.startswith("FAIL")]))
    # The bench runs the launcher built for this machine's Wine, signed the
    # same way (the product itself where 32-bit Wine runs).
    lane = skip_unless_wine_runs()
    shown = launcher
    if lane.build != "win32":
        own = os.path.join(work, "lane-disc")
        os.makedirs(own)
        shown = os.path.join(own, "autorun.exe")
        shutil.copy(os.path.join(build, lane.build, "autorun.exe"), shown)
        subprocess.run([os.path.join(ROOT, "scripts", "sign"), own, "--pkcs12", os.path.join(work, "signer.p12"),
                        "--password-file", os.path.join(work, "password")], capture_output=True, stdin=subprocess.DEVNULL)
    bench = subprocess.run([sys.executable, "-m", "tests.wine.cases", "--build", build, "--launcher", shown,
                            "fresh_layout"], capture_output=True, text=True)
    checks.append((bench.returncode == 0, "the signed launcher shows the fresh layout on Wine: %s"
                   % bench.stdout.strip()[-300:]))
    before = open(launcher, "rb").read()
    refused = sign("wrong")
    checks.append((refused.returncode == 2 and open(launcher, "rb").read() == before,
                   "a wrong password signs nothing and leaves the launcher as it was"))
    data = bytearray(before)
    data[0x400] ^= 0x01  # in the first section, whose bytes the signature covers
    open(launcher, "wb").write(bytes(data))
    got = disc_check(folder, unsigned=True)[:2]
    changed = ("autorun.exe: changed after it was signed: its signature no longer matches the file, and Windows "
               "takes it as unsigned or damaged; sign it again (scripts/sign FOLDER --pkcs12 FILE)")
    checks.append((got == (1, [changed, signed[1]]), "a byte changed after signing is a fault: %s" % (got,)))
    open(launcher, "wb").write(before)
    again = sign("password")
    verify = subprocess.run(["osslsigncode", "verify", "-in", launcher], capture_output=True, text=True).stdout
    checks.append((again.returncode == 0 and disc_check(folder, unsigned=True)[:2] == (0, signed + ["no faults found"])
                   and "Signature Index: 1" not in verify, "signing again gives one signature, intact"))
    failed = 0
    for ok, text in checks:
        print(("ok   " if ok else "FAIL ") + text)
        failed += 0 if ok else 1
    return failed


def test_preview(build):
    """preview on the sample disc, without a display, its autorun.exe in the
    sample's five languages and one more, Afrikaans, named in its record
    alone: a contact sheet whose first panels are what the bench sees of
    the launcher (before and after installing, Read Me lit, and on a
    256-colour display, which for a picture on the palette is the first
    panel again), then one tile per language before installation, showing
    that language's pictures (the en-GB one the first panel), and a blank
    tile for Afrikaans, whose locale (af_ZA.UTF-8) this machine has not
    generated, said on standard error. A disc with faults is previewed all
    the same, its faults printed first; the folder is only read."""
    from tools.kit.preview import panel_box
    from tools.lab.bench import BUTTON_TOP, FRESH_LAYOUT, IDS, INSTALLED_LAYOUT, Failure, check_layout, \
        region_differences
    failed = 0
    folder = os.path.join(build, "kit", "discs", "preview")
    assemble(os.path.join(build, "win32"), folder)
    record = (6, 0x0809, 0x0809, 0x0407, 0x040C, 0x0411, 0x0401, 0x0436)
    five_languages(languages_record(*record), "readme.txt")(folder)
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
               "the folder is left as it was"),
              (run.stderr.splitlines() == ["preview: af: this machine has no af_ZA.UTF-8 locale (localedef -i af_ZA "
                                           "-f UTF-8 af_ZA.UTF-8 makes it): its tile is left blank"],
               "a locale missing here is said, and nothing else: %s" % run.stderr.strip()[-600:])]
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
        # Each language's tile: the background and, in each slot, the
        # picture make-launcher wrote for that language.
        resources = pe_resources.read(open(os.path.join(folder, "autorun.exe"), "rb").read())
        scene = Image.open(os.path.join(ROOT, "disc", "backgrnd.bmp")).convert("RGB").crop((0, 0) + client)
        for index, (tag, langid) in enumerate((("en-GB", 0x0809), ("de", 0x0407), ("fr", 0x040C), ("ja", 0x0411),
                                               ("ar", 0x0401)), 4):
            expected = scene.copy()
            for button, left in FRESH_LAYOUT:
                dib = resources[(2, IDS["%s_NORMAL_BITMAP" % button.upper()], langid)]
                bmp = struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, 14 + 40 + 4 * 256) + dib
                expected.paste(Image.open(io.BytesIO(bmp)).convert("RGB"), (left, BUTTON_TOP))
            differ = region_differences(sheet, expected, panel_box(index, client)[:2])
            checks.append((differ == 0, "the %s tile shows %s's pictures: %d pixels differ" % (tag, tag, differ)))
        first, english = (sheet.crop(panel_box(i, client)).tobytes() for i in (0, 4))
        checks.append((first == english, "the en-GB tile is the first panel"))
        blank = sheet.crop(panel_box(9, client)).getcolors()
        checks.append((blank is not None and len(blank) == 1, "the Afrikaans tile is left blank"))
        checks.append((sheet.height == panel_box(9, client)[3] + 26 + 16, "five rows: %d" % sheet.height))
    for ok, text in checks:
        print(("ok   " if ok else "FAIL ") + text)
        failed += 0 if ok else 1
    return failed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    tests = {"disc_check": test_disc_check, "make_iso": test_make_iso, "make_background": test_make_background,
             "preview": test_preview, "sign": test_sign, "names": test_names, "assemble_disc": test_assemble_disc}
    parser.add_argument("test", choices=sorted(tests))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    # Every kit test but the name refusals and the disc's layout checks its
    # results with disc-check, which runs under Wine.
    if args.test not in ("names", "assemble_disc"):
        skip_unless_wine_runs()
    failed = tests[args.test](build)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
