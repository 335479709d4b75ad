#!/usr/bin/python3
"""scripts/make-launcher: the refusals an author reads, each with its exact
message and nothing written; the sample disc's five-language launcher,
written from the 32-bit and the 64-bit build, read back as Windows' resource
loader reads it (each language's pictures and strings, the languages'
record, the Arabic caption right to left), with every other section the
source's byte for byte and a right checksum; a one-language English
description gives the shipped pictures; the author's own PNGs; a signed
source loses its signature and says so. No Wine is needed.

    python3 -m tests.wine.languages_test --build DIR [unittest arguments]

Without the builds under DIR the tests that need them are skipped, each
saying which file is missing, and the exit code is 77; with CI=true they
fail instead.
"""
import argparse
import io
import os
import struct
import subprocess
import sys
import tempfile
import unittest
from unittest import mock

from PIL import Image

from tools import ROOT
from tools.build_steps import make_art
from tools.kit import captions, description, make_launcher, pe_resources
from tools.kit.make_background import launcher_palette
from tools.lab.pe import PE

MAKE_LAUNCHER = os.path.join(ROOT, "scripts", "make-launcher")
SAMPLE = os.path.join(ROOT, "disc", "languages.ini")
BUILD = os.path.join(ROOT, "build")
ENTRIES = launcher_palette()
BUTTONS = ("install", "uninstall", "run", "readme", "cancel")

# What each language's string table holds: ids 1 to 5, the captions; 6, the
# action's name; 7, the read-me; 8, the background.
SAMPLE_STRINGS = {
    0x0809: ["Install", "Uninstall", "Run", "Read Me", "Cancel", "Press", "", ""],
    0x0407: ["Installieren", "Deinstallieren", "Starten", "Lies mich", "Abbrechen", "Drücken", "liesmich.txt", ""],
    0x040C: ["Installer", "Désinstaller", "Lancer", "Lisez-moi", "Annuler", "Appuyer", "", ""],
    0x0411: ["インストール", "アンインストール", "実行", "お読みください", "キャンセル", "押す", "", ""],
    0x0401: ["تثبيت", "إلغاء التثبيت", "تشغيل", "اقرأني", "إلغاء", "اضغط", "", ""],
}
SAMPLE_RECORD = [5, 0x0809, 0x0809, 0x0407, 0x040C, 0x0411, 0x0401]


def launcher(name):
    """The build's launcher (win32 or win64); a test without it is skipped,
    but CI always has it and fails instead."""
    path = os.path.join(BUILD, name, "autorun.exe")
    if not os.path.isfile(path):
        if os.environ.get("CI") == "true":
            raise AssertionError("%s is missing: CI builds it before the kit's tests" % path)
        raise unittest.SkipTest("%s is not built (scripts/build makes it)" % path)
    return path


def section_text(tag, **keys):
    captions_given = {"Install": "Install", "Uninstall": "Uninstall", "Run": "Run", "ReadMe": "Read Me",
                      "Cancel": "Cancel"}
    captions_given.update(keys)
    return "[%s]\n" % tag + "".join("%s=%s\n" % item for item in captions_given.items() if item[1] is not None)


def ini(order="en-GB, de", default="en-GB", **sections):
    """A description with [languages] on lines 1 to 3 and, for each keyword
    (a tag, - for _), a section of English captions changed by its keys."""
    text = "[languages]\norder=%s\ndefault=%s\n" % (order, default)
    return text + "".join(section_text(tag.replace("_", "-"), **keys) for tag, keys in sections.items())


def pictures_folder(size=(114, 35), leave_out=()):
    """The author's fifteen PNGs in art/de, each one flat colour of the
    palette (entry 20 + its place), but those left out, at size."""
    def lay(folder):
        os.makedirs(os.path.join(folder, "art", "de"))
        for i, (name, state) in enumerate((n, s) for n in BUTTONS for s in make_art.STATES):
            if "%s_%s" % (name, state) not in leave_out:
                Image.new("RGB", size, ENTRIES[20 + i]).save(os.path.join(folder, "art", "de", "%s_%s.png"
                                                                          % (name, state)))
    return lay


TWO = dict(en_GB={}, de={})
LONG = "Deinstallationsassistent starten"
# (what is wrong, the description, files laid beside it, the exact message;
# {folder} is the description's folder).
REFUSALS = [
    ("an unknown tag", ini(order="en-GB, xx-QQ", **TWO), None,
     "languages.ini:2: xx-QQ: not a language tag this kit knows; a Windows language id such as 0x0407 names any "
     "language"),
    ("Chinese without its script", ini(order="en-GB, zh", **TWO), None,
     "languages.ini:2: zh: not a language tag this kit knows (say zh-Hans or zh-Hant); a Windows language id "
     "such as 0x0407 names any language"),
    ("a language without a caption", ini(en_GB={}, de={"Cancel": None}), None,
     "languages.ini: de: Cancel: no caption: every language needs all five of Install, Uninstall, Run, ReadMe "
     "and Cancel"),
    ("a language in order without a section", ini(en_GB={}), None,
     "languages.ini: de: in order= but there is no [de] section with its captions"),
    ("a default not in order", ini(default="fr", **TWO), None,
     "languages.ini:3: default=fr is not one of order=en-GB, de"),
    ("a section for a language not in order", ini(en_GB={}, de={}, fr={}), None,
     "languages.ini:16: [fr] is not in order=en-GB, de"),
    ("a key written in another case", ini(en_GB={}, de={"install": "Installieren"}), None,
     "languages.ini:16: de: install is not a key of a language (the captions are Install, Uninstall, Run, "
     "ReadMe and Cancel, as written; the others Press, readme, background and pictures)"),
    ("one language twice", ini(order="en-GB, de, 0x0407", **TWO), None,
     "languages.ini:2: de and 0x0407 are the one Windows language 0x0407: give it once"),
    ("a caption too long for the button", ini(en_GB={}, de={"Uninstall": LONG}), None,
     "de: Uninstall: '%s' is 163 x 8 px at 9 px, the smallest size that reads, and the button has room for "
     "100 x 23: give a shorter caption, or draw the button yourself (pictures=)" % LONG),
    ("a character the font cannot draw", ini(en_GB={"Run": "Run \U0001F680"}, de={}), None,
     "en-GB: Run: 'Run \U0001F680' has characters its font (DejaVuSans-Bold.ttf) cannot draw: U+1F680 ROCKET"),
    ("a script without a font", ini(order="en-GB, km", en_GB={}, km={"Run": "ដំណើរការ"}), None,
     "km: Run: 'ដំណើរការ' is in Khmer script, for which the kit has no font"),
    ("a missing picture", ini(en_GB={}, de={"pictures": "art/de"}),
     pictures_folder(leave_out=("run_pressed",)),
     "de: Run: {folder}/art/de/run_pressed.png is missing: pictures= wants all fifteen, run_normal.png, "
     "run_pressed.png and run_highlighted.png for each button"),
    ("a picture of another size", ini(en_GB={}, de={"pictures": "art/de"}), pictures_folder(size=(114, 36)),
     "de: Install: {folder}/art/de/install_normal.png is 114 x 36 pixels, not 114 x 35"),
]


def decoded(dib):
    """A bitmap resource as Pillow reads its file: (width, height, bits,
    rows of palette indices top to bottom, its colour table)."""
    bits = struct.unpack_from("<H", dib, 14)[0]
    file = struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, 14 + 40 + 4 * 256) + dib
    picture = Image.open(io.BytesIO(file))
    data = picture.tobytes()
    rows = [data[y * picture.width:(y + 1) * picture.width] for y in range(picture.height)]
    palette = picture.getpalette()
    return picture.width, picture.height, bits, rows, [tuple(palette[i:i + 3]) for i in range(0, 768, 3)]


def drawn(name, state, caption, tag):
    """The button as the kit draws it with that caption."""
    font, _ = captions.font_for(caption, tag)
    return make_art.bmp_file(make_art.button_picture(ENTRIES, name, state, caption, font), 114, 35, ENTRIES)[14:]


def ink_columns(rows, name, state):
    """The columns where the caption (and its shadow) changed the blank button."""
    blank = decoded(drawn(name, state, "", "en-GB"))[3]
    return sorted({x for y in range(35) for x in range(114) if rows[y][x] != blank[y][x]})


def runs(columns):
    """[(first, last)] of the column runs, a gap of at least 3 blank columns
    between words."""
    found = []
    for x in columns:
        if found and x - found[-1][1] <= 3:
            found[-1][1] = x
        else:
            found.append([x, x])
    return [tuple(run) for run in found]


def sections_of(data):
    pe = PE(data)
    return {name: data[ptr:ptr + size] for name, (_, _, ptr, size) in pe.named_sections.items()}


class Refusals(unittest.TestCase):
    def test_each_refusal_names_the_language_the_button_and_the_reason_and_writes_nothing(self):
        source = launcher("win32")
        for what, text, lay, message in REFUSALS:
            with self.subTest(what), tempfile.TemporaryDirectory() as folder:
                with open(os.path.join(folder, "languages.ini"), "w", encoding="utf-8") as f:
                    f.write(text)
                if lay:
                    lay(folder)
                before = sorted(os.listdir(folder))
                run = subprocess.run([MAKE_LAUNCHER, "languages.ini", "out/autorun.exe", "--from", source],
                                     cwd=folder, capture_output=True, text=True)
                self.assertEqual((run.returncode, run.stdout, run.stderr),
                                 (1, "", "make-launcher: %s\n" % message.format(folder=folder)))
                self.assertEqual(sorted(os.listdir(folder)), before + (["out"] if "out" in os.listdir(folder)
                                                                       else []))
                self.assertFalse(os.path.exists(os.path.join(folder, "out", "autorun.exe")))

    def test_a_shaped_script_is_refused_where_pillow_has_no_raqm_layout(self):
        source = launcher("win32")
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "languages.ini")
            with open(path, "w", encoding="utf-8") as f:
                f.write(ini(order="en-GB, he", en_GB={}, he={"Run": "הפעל"}))
            with mock.patch.object(captions.features, "check", return_value=False):
                with self.assertRaises(make_launcher.Refused) as refused:
                    make_launcher.make(path, os.path.join(folder, "autorun.exe"), source)
            self.assertEqual(str(refused.exception), "he: Run: 'הפעל' is in Hebrew script, which must be shaped and "
                             "laid out by Pillow's raqm layout, and this Pillow has none: install Debian's libraqm0")
            self.assertEqual(os.listdir(folder), ["languages.ini"])

    def test_a_launcher_that_is_no_program_gets_exit_code_2(self):
        with tempfile.NamedTemporaryFile(suffix=".exe") as fake:
            fake.write(b"MZ" + bytes(200))
            fake.flush()
            run = subprocess.run([MAKE_LAUNCHER, SAMPLE, fake.name + ".out", "--from", fake.name],
                                 capture_output=True, text=True)
        self.assertEqual(run.returncode, 2, run.stderr)
        self.assertTrue(run.stderr.startswith("make-launcher: %s: " % fake.name), run.stderr)


class Tags(unittest.TestCase):
    TAGS = [("en-GB", 0x0809), ("de", 0x0407), ("fr", 0x040C), ("fr-CA", 0x0C0C), ("ja", 0x0411), ("ar", 0x0401),
            ("he", 0x040D), ("el", 0x0408), ("ru", 0x0419), ("ko", 0x0412), ("zh-Hans", 0x0804),
            ("zh-hant", 0x0404), ("pt-BR", 0x0416), ("pt", 0x0416), ("pt-PT", 0x0816), ("sv", 0x041D),
            ("es", 0x040A), ("it", 0x0410), ("nl", 0x0413), ("pl", 0x0415), ("hr", 0x041A), ("sr", 0x241A),
            ("bs", 0x141A), ("0x0407", 0x0407), ("0x0000", None), ("0x0400", None), ("zh", None), ("klingon", None)]

    def test_tags_name_the_windows_language_ids(self):
        for tag, langid in self.TAGS:
            self.assertEqual(description.langid(tag), langid, tag)


class Sample(unittest.TestCase):
    """The sample disc's five languages, from each build."""

    def check_build(self, name):
        source_path = launcher(name)
        with open(source_path, "rb") as f:
            source = f.read()
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "autorun.exe")
            run = subprocess.run([MAKE_LAUNCHER, SAMPLE, out, "--from", source_path], capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            with open(out, "rb") as f:
                written = f.read()
        lines = run.stdout.splitlines()
        self.assertEqual([line.split(":")[0] for line in lines[:5]],
                         ["en-GB (0x0809)", "de (0x0407)", "fr (0x040C)", "ja (0x0411)", "ar (0x0401)"])
        self.assertTrue(all(line.endswith("bytes of pictures and strings") for line in lines[:5]), lines)
        self.assertIn("5 languages, default en-GB; %d bytes" % len(written), lines[5])
        self.assertEqual(len(lines), 6, "no signature to drop: %s" % lines)

        resources = PE(written).resources()
        own = PE(source).resources()
        bitmap_ids = sorted(make_art.PICTURE_IDS.values())
        self.assertEqual(sorted(k for k in resources if k[0] == 2),
                         sorted((2, ident, lang) for ident in bitmap_ids for lang in SAMPLE_STRINGS))
        self.assertEqual(sorted(k for k in resources if k[0] == 6), sorted((6, 1, lang) for lang in SAMPLE_STRINGS))
        for langid, strings in SAMPLE_STRINGS.items():
            tag = {0x0809: "en-GB", 0x0407: "de", 0x040C: "fr", 0x0411: "ja", 0x0401: "ar"}[langid]
            self.assertEqual(pe_resources.strings_of(resources[(6, 1, langid)]), [""] + strings + [""] * 7)
            for button, caption in zip(BUTTONS, strings):
                for state in make_art.STATES:
                    dib = resources[(2, make_art.PICTURE_IDS["%s_%s" % (button, state)], langid)]
                    width, height, bits, rows, table = decoded(dib)
                    self.assertEqual((width, height, bits, table), (114, 35, 8, ENTRIES))
                    self.assertEqual(dib, drawn(button, state, caption, tag), "%s %s %s" % (tag, button, state))
                    # The caption stays inside the coloured face.
                    columns = ink_columns(rows, button, state)
                    self.assertTrue(columns and 5 <= columns[0] and columns[-1] <= 108, (tag, button, columns))
        # Arabic runs right to left: in "إلغاء التثبيت" (Uninstall) the first
        # word, which is the whole of Cancel, is the right-hand one.
        uninstall = runs(ink_columns(decoded(resources[(2, make_art.PICTURE_IDS["uninstall_normal"], 0x0401)])[3],
                                     "uninstall", "normal"))
        cancel = runs(ink_columns(decoded(resources[(2, make_art.PICTURE_IDS["cancel_normal"], 0x0401)])[3],
                                  "cancel", "normal"))
        self.assertEqual((len(uninstall), len(cancel)), (2, 1), (uninstall, cancel))
        width = lambda run: run[1] - run[0]
        self.assertLess(width(uninstall[1]), width(uninstall[0]))
        self.assertLessEqual(abs(width(uninstall[1]) - width(cancel[0])), 3, (uninstall, cancel))

        self.assertEqual(struct.unpack("<7H", resources[(10, 102, 0)]), tuple(SAMPLE_RECORD))
        kept = {k: v for k, v in own.items() if k[0] not in (2, 6)}
        self.assertEqual({k: v for k, v in resources.items() if k[0] not in (2, 6) and k != (10, 102, 0)}, kept)
        self.assertEqual(sorted(kept), [(10, 101, 0x0809), (16, 1, 0x0809), (24, 1, 0x0809)])

        # The code and data are the source's byte for byte; the checksum is
        # the one CheckSumMappedFile gives, as the linker's was.
        before, after = sections_of(source), sections_of(written)
        self.assertEqual(list(before), list(after))
        for section in before:
            if section != ".rsrc":
                self.assertEqual(after[section], before[section], section)
        self.assertEqual(PE(source).checksum()[0], PE(source).checksum()[1], "the linker's checksum is ours")
        stored, computed = PE(written).checksum()
        self.assertEqual(stored, computed)
        # Windows maps what the headers say: the image size covers the last
        # section, the relocations' entry is their section, and no section
        # overlaps the next.
        pe = PE(written)
        optional = struct.unpack_from("<I", written, 0x3C)[0] + 24
        spans = sorted((va, va + size) for va, size, _, _ in pe.named_sections.values())
        self.assertTrue(all(a[1] <= b[0] for a, b in zip(spans, spans[1:])), spans)
        alignment = struct.unpack_from("<I", written, optional + 32)[0]
        self.assertEqual(struct.unpack_from("<I", written, optional + 56)[0],
                         pe_resources.align(spans[-1][1], alignment))
        self.assertEqual(pe.directories[5][0], pe.named_sections[".reloc"][0])
        self.assertEqual(pe.directories[2], (pe.named_sections[".rsrc"][0], pe.named_sections[".rsrc"][1]))

    def test_from_the_32_bit_build(self):
        self.check_build("win32")

    def test_from_the_64_bit_build(self):
        self.check_build("win64")


class OneLanguage(unittest.TestCase):
    def write(self, text, lay=None, source=None):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "languages.ini")
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            if lay:
                lay(folder)
            out = os.path.join(folder, "autorun.exe")
            run = subprocess.run([MAKE_LAUNCHER, path, out, "--from", source or launcher("win32")],
                                 capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            with open(out, "rb") as f:
                data = f.read()
            self.written = data
            return PE(data).resources(), run.stdout

    def test_english_alone_gives_the_shipped_pictures_and_captions(self):
        resources, _ = self.write(ini(order="en-GB", en_GB={}))
        with open(launcher("win32"), "rb") as f:
            own = PE(f.read()).resources()
        for name, ident in make_art.PICTURE_IDS.items():
            with open(os.path.join(ROOT, "src", "resources", "buttons", name + ".bmp"), "rb") as f:
                shipped = f.read()[14:]
            self.assertEqual(resources[(2, ident, 0x0809)], shipped, name)
            self.assertEqual(resources[(2, ident, 0x0809)], own[(2, ident, 0x0809)], name)
        self.assertEqual(pe_resources.strings_of(resources[(6, 1, 0x0809)])[:6],
                         pe_resources.strings_of(own[(6, 1, 0x0809)])[:6])
        self.assertEqual(struct.unpack("<3H", resources[(10, 102, 0)]), (1, 0x0809, 0x0809))

    def test_the_authors_pictures_keep_their_palette_colours(self):
        resources, _ = self.write(ini(en_GB={}, de={"pictures": "art/de"}), pictures_folder())
        for i, (name, state) in enumerate((n, s) for n in BUTTONS for s in make_art.STATES):
            rows = decoded(resources[(2, make_art.PICTURE_IDS["%s_%s" % (name, state)], 0x0407)])[3]
            self.assertEqual({index for row in rows for index in row}, {20 + i}, (name, state))

    def test_a_signed_launcher_loses_its_signature_and_says_so(self):
        with open(launcher("win32"), "rb") as f:
            data = bytearray(f.read())
        certificate = struct.pack("<IHH", 16, 0x0200, 0x0002) + b"our-sign"
        optional = struct.unpack_from("<I", data, 0x3C)[0] + 24
        struct.pack_into("<II", data, optional + 96 + 8 * 4, len(data), len(certificate))
        with tempfile.NamedTemporaryFile(suffix=".exe") as signed:
            signed.write(bytes(data) + certificate)
            signed.flush()
            resources, output = self.write(ini(order="en-GB", en_GB={}), source=signed.name)
        self.assertIn("make-launcher: %s's Authenticode signature is dropped, since the bytes it signed changed: "
                      "sign the disc's launcher again (scripts/sign)" % signed.name, output.splitlines())
        self.assertEqual(PE(self.written).directories[4], (0, 0))
        self.assertNotIn(certificate, self.written)
        self.assertEqual(PE(self.written).checksum()[0], PE(self.written).checksum()[1])


def main():
    global BUILD
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=BUILD)
    args, rest = parser.parse_known_args()
    BUILD = os.path.abspath(args.build)
    result = unittest.main(argv=[sys.argv[0]] + rest, exit=False).result
    if not result.wasSuccessful():
        return 1
    # CTest's code for a test that did not run whole (SKIP_RETURN_CODE).
    return 77 if result.skipped else 0


if __name__ == "__main__":
    sys.exit(main())
