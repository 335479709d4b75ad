#!/usr/bin/python3
"""Writes a copy of the launcher that speaks the disc's languages: for each
language of the author's description (tools/kit/description.py), its fifteen
button pictures, drawn with the look of the shipped ones
(make_art.button_picture) or taken from the author's PNGs, and its string
table; Windows' resource loader then gives each user the pictures and
captions of their own language, and the description's default where the
user's is not on the disc.

    scripts/make-launcher DESCRIPTION OUT.exe [--from LAUNCHER]

LAUNCHER is build/win32/autorun.exe of the tree unless --from names another
of our builds (PE32 or PE32+). The copy's code and data are the launcher's
byte for byte; only its resources change (tools/kit/pe_resources.py). Per
language (its Windows language id L):

- RT_BITMAP, the fifteen pictures' ids, language L: 8-bit uncompressed
  bitmaps on the launcher's palette (the BMP file less its 14-byte header);
- RT_STRING block 1, language L: strings 1 to 5 the captions, by their
  buttons' command codes, 6 the name readers give the buttons' action
  (Press=), 7 the read-me's file name (readme=), 8 the background's file
  name (background=), each empty when not given;

and once, language neutral, RT_RCDATA LANGUAGES_RESOURCE: little-endian
WORDs, the count of languages, the default's language id, then every
language's id in the author's order. The launcher's own pictures and
strings are left out; every other resource (the palette, the manifest, the
version record) is kept as it is.

Nothing is written when anything is refused: each refusal names the
language, the button and the reason. Exit code 0 when written, 1 when
refused, 2 when the launcher cannot be read or for bad usage.
"""
import argparse
import os
import struct
import sys
import tempfile

from PIL import Image

from tools import ROOT, resource_ids
from tools.build_steps import make_art
from tools.kit import captions, description, pe_resources
from tools.kit.make_background import on_palette, palette_entries

IDS = resource_ids.read()
LAUNCHER = os.path.join(ROOT, "build", "win32", "autorun.exe")
BUTTON_SIZE = (IDS["BUTTON_WIDTH"], IDS["BUTTON_HEIGHT"])
CAPTION_KEY = {button: key for key, button in description.CAPTION_KEYS}


class Refused(Exception):
    pass


def authors_picture(folder, name, state, language, entries):
    path = os.path.join(folder, "%s_%s.png" % (name, state))
    where = "%s: %s: %s" % (language.tag, CAPTION_KEY[name], path)
    if not os.path.isfile(path):
        raise Refused("%s is missing: pictures= wants all fifteen, %s_normal.png, %s_pressed.png and "
                      "%s_highlighted.png for each button" % (where, name, name, name))
    try:
        picture = Image.open(path)
        picture.load()
    except (OSError, ValueError) as error:
        raise Refused("%s: not a picture Pillow can read (%s)" % (where, error))
    if picture.size != BUTTON_SIZE:
        raise Refused("%s is %d x %d pixels, not %d x %d" % ((where,) + picture.size + BUTTON_SIZE))
    indices = on_palette(picture, entries, "floyd-steinberg").tobytes()
    return [indices[y * BUTTON_SIZE[0]:(y + 1) * BUTTON_SIZE[0]] for y in range(BUTTON_SIZE[1])]


def pictures(language, entries):
    """{bitmap id: resource bytes} of a language's fifteen buttons."""
    found = {}
    for _, name in description.CAPTION_KEYS:
        caption = language.captions[name]
        if language.pictures is None:
            try:
                font, _ = captions.font_for(caption, language.tag)
            except captions.CaptionError as error:
                raise Refused("%s: %s: %s" % (language.tag, CAPTION_KEY[name], error))
        for state in make_art.STATES:
            if language.pictures is None:
                rows = make_art.button_picture(entries, name, state, caption, font)
            else:
                rows = authors_picture(language.pictures, name, state, language, entries)
            bmp = make_art.bmp_file(rows, BUTTON_SIZE[0], BUTTON_SIZE[1], entries)
            found[make_art.PICTURE_IDS["%s_%s" % (name, state)]] = bmp[14:]
    return found


def strings(language):
    """The sixteen strings of a language's block 1 (ids 0 to 15)."""
    table = [""] * 16
    for name, caption in language.captions.items():
        table[make_art.CAPTION_IDS[name]] = caption
    table[IDS["PRESS_STRING"]] = language.press
    table[IDS["README_STRING"]] = language.readme
    table[IDS["BACKGROUND_STRING"]] = language.background
    return table


def languages_record(described):
    ids = [language.langid for language in described.languages]
    return struct.pack("<%dH" % (len(ids) + 2), len(ids), described.default.langid, *ids)


def launcher_resources(source, described):
    """(the resources of the launcher for the description, {tag: bytes its
    resources take})."""
    palette = source.get((pe_resources.RT_RCDATA, IDS["PALETTE_RESOURCE"], make_art_language(source)))
    entries = palette_entries(palette.decode("ascii"))
    ours = set(make_art.PICTURE_IDS.values())
    kept = {key: data for key, data in source.items()
            if not (key[0] == pe_resources.RT_BITMAP and key[1] in ours) and
            not (key[0] == pe_resources.RT_STRING and key[1] == 1) and
            not (key[0] == pe_resources.RT_RCDATA and key[1] == IDS["LANGUAGES_RESOURCE"])}
    sizes = {}
    for language in described.languages:
        added = {(pe_resources.RT_BITMAP, ident, language.langid): data
                 for ident, data in pictures(language, entries).items()}
        added[(pe_resources.RT_STRING, 1, language.langid)] = pe_resources.string_block(strings(language))
        # Each resource's bytes on their 8-byte boundary, its data entry and
        # its entry in its id's directory.
        sizes[language.tag] = sum(pe_resources.align(len(data), 8) + 16 + 8 for data in added.values())
        kept.update(added)
    kept[(pe_resources.RT_RCDATA, IDS["LANGUAGES_RESOURCE"], 0)] = languages_record(described)
    return kept, sizes


def make_art_language(source):
    """The language the launcher's palette is stored in (ours: 0x0809)."""
    languages = [key[2] for key in source if key[:2] == (pe_resources.RT_RCDATA, IDS["PALETTE_RESOURCE"])]
    if not languages:
        raise Refused("the launcher has no palette (RCDATA %d): is it our autorun.exe?" % IDS["PALETTE_RESOURCE"])
    return languages[0]


def write(path, data):
    """Writes data to path whole or not at all."""
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".make-launcher-")
    try:
        with os.fdopen(handle, "wb") as f:
            f.write(data)
        os.chmod(temporary, 0o755)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def make(description_path, out, source_path=LAUNCHER):
    """Writes the launcher; returns the lines to print. Raises Refused,
    description.DescriptionError or pe_resources.ResourceError."""
    described = description.read(description_path)
    with open(source_path, "rb") as f:
        data = f.read()
    resources, sizes = launcher_resources(pe_resources.read(data), described)
    written, unsigned = pe_resources.replaced(data, resources)
    write(out, written)
    lines = ["%s (0x%04X): %d bytes of pictures and strings" % (language.tag, language.langid, sizes[language.tag])
             for language in described.languages]
    lines.append("make-launcher: %s: %d languages, default %s; %d bytes, %+d from %s" % (
        out, len(described.languages), described.default.tag, len(written), len(written) - len(data), source_path))
    if unsigned:
        lines.append("make-launcher: %s's Authenticode signature is dropped, since the bytes it signed changed: "
                     "sign the disc's launcher again (scripts/sign)" % source_path)
    return lines


def main():
    parser = argparse.ArgumentParser(description="Writes a copy of the launcher in the description's languages.")
    parser.add_argument("description")
    parser.add_argument("out")
    parser.add_argument("--from", dest="source", default=LAUNCHER)
    args = parser.parse_args()
    try:
        lines = make(args.description, args.out, args.source)
    except OSError as error:
        print("make-launcher: %s" % error, file=sys.stderr)
        return 2
    except (pe_resources.ResourceError, ValueError, struct.error) as error:
        print("make-launcher: %s: %s" % (args.source, error), file=sys.stderr)
        return 2
    except (Refused, description.DescriptionError) as error:
        print("make-launcher: %s" % error, file=sys.stderr)
        return 1
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
