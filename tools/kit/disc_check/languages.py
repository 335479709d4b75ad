#!/usr/bin/python3
"""The languages a disc's autorun.exe carries, read from its resources as
scripts/make-launcher writes them, and what each one names on the disc.

    python3 -m tools.kit.disc_check.languages FOLDER    (run by scripts/disc-check)

A launcher with a languages record (RCDATA LANGUAGES_RESOURCE: WORDs, the
count, the default's language id, then each language's id) gets a note with
its languages, one per language with the bytes its pictures and strings add
to autorun.exe, and one with the whole file: the launcher runs from the swap
file, so Windows reads all of it from the disc before it starts, at 75
sectors of 2048 bytes a second per speed of the drive (2x: 300 KiB/s, 24x:
3,600 KiB/s). A launcher without the record speaks one language, named in
one note. Faults: a record that does not hold together, a default not among
the languages, a language without its fifteen pictures or five captions, a
read-me or background a language names that is not on the disc.

Exit code 0 (whatever it found), 2 when the folder cannot be read.
"""
import os
import struct
import sys

from tools import resource_ids
from tools.kit import description, pe_resources
from tools.kit.disc_check import run

IDS = resource_ids.read()
# The fifteen pictures by their files' names (INSTALL_PRESSED_BITMAP: install_pressed).
PICTURES = {ident: name[:-len("_BITMAP")].lower() for name, ident in IDS.items() if name.endswith("_BITMAP")}
CAPTIONS = [(IDS[name.upper() + "_COMMAND"], key) for key, name in description.CAPTION_KEYS]
TAGS = {}
for _tag, _langid in description.LANGIDS.items():
    TAGS.setdefault(_langid, _tag)
SECTOR, SECTORS_PER_SECOND = 2048, 75
DRIVES = (2, 24)
MAKE_LAUNCHER = "write it again with scripts/make-launcher"


def tag(langid):
    return TAGS.get(langid, "0x%04X" % langid)


def read_time(size):
    """'0.26 s on a 2x drive, 0.02 s on a 24x' for size bytes."""
    times = ["%.2f s on a %dx drive" % (size / (SECTOR * SECTORS_PER_SECOND * speed), speed) for speed in DRIVES]
    return times[0] + ", " + times[1].replace(" drive", "")


def stored_size(data):
    """What one resource adds to the resource section: its bytes on their
    8-byte boundary, its data entry (16 bytes) and its entry in its id's
    directory (8 bytes), as scripts/make-launcher counts it."""
    return pe_resources.align(len(data), 8) + 16 + 8


def record(data):
    """(default, [language ids]) of a languages record, or the reason it
    does not hold together, read as the launcher reads it: WORDs after the
    count are passed over."""
    if len(data) < 6:
        return "it is %d bytes long, not a count, a default and at least one language in WORDs" % len(data)
    words = struct.unpack_from("<%dH" % (len(data) // 2), data)
    count, default, languages = words[0], words[1], list(words[2:])
    if count == 0:
        return "it holds no language"
    if count > len(languages):
        return "its count says %d languages and it holds %d" % (count, len(languages))
    return default, languages[:count]


def carried(path):
    """(default, [language ids]) of the launcher at path, as its languages
    record gives them; None for a launcher without a record (or one whose
    resources or record cannot be read, which report() names)."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        kept = pe_resources.read(data).get((pe_resources.RT_RCDATA, IDS["LANGUAGES_RESOURCE"], 0))
    except (pe_resources.ResourceError, ValueError, struct.error, IndexError):
        return None
    found = record(kept) if kept is not None else None
    return None if isinstance(found, str) else found


def on_disc(folder, name):
    """Whether name (from the disc's root, \\ or / between folders) is a
    file there, its letters matched without regard to case as Windows
    matches them."""
    here = folder
    for part in [p for p in name.replace("\\", "/").split("/") if p]:
        try:
            found = [entry for entry in os.listdir(here) if entry.lower() == part.lower()]
        except OSError:
            return False
        if not found:
            return False
        here = os.path.join(here, found[0])
    return os.path.isfile(here)


def language_faults(folder, resources, langid):
    name = tag(langid)
    lines = []
    missing = [PICTURES[ident] for ident in sorted(PICTURES, key=PICTURES.get)
               if (pe_resources.RT_BITMAP, ident, langid) not in resources]
    if missing:
        lines.append("autorun.exe: %s lacks %d of its 15 button pictures (%s): Windows finds no picture of "
                     "those buttons in %s; %s" % (name, len(missing), ", ".join(missing), name, MAKE_LAUNCHER))
    block = resources.get((pe_resources.RT_STRING, 1, langid))
    strings = pe_resources.strings_of(block) if block else []
    strings += [""] * (16 - len(strings))
    lacking = [key for ident, key in CAPTIONS if not strings[ident]]
    if lacking:
        lines.append("autorun.exe: %s has no caption for %s: screen readers name the buttons by their captions; "
                     "%s" % (name, ", ".join(lacking), MAKE_LAUNCHER))
    for ident, what, fallback, key in (
            (IDS["README_STRING"], "read-me", "Read Me opens readme.txt instead", "readme"),
            (IDS["BACKGROUND_STRING"], "background", "the launcher shows autorun.inf's picture (bitmap=) instead",
             "background")):
        named = strings[ident]
        if named and not on_disc(folder, named):
            lines.append("%s: missing: autorun.exe names it as the %s for %s, for whose users %s; add it to the "
                         "disc, or correct %s= in the languages' description and %s"
                         % (named, what, name, fallback, key, MAKE_LAUNCHER))
    return lines


def report(folder):
    path = os.path.join(folder, "autorun.exe")
    if not os.path.isfile(path):
        return []  # the checker itself says the launcher is missing
    with open(path, "rb") as f:
        data = f.read()
    try:
        resources = pe_resources.read(data)
    except (pe_resources.ResourceError, ValueError, struct.error, IndexError) as error:
        return ["autorun.exe: its resources cannot be read (%s): it is not a launcher of ours; put the launcher "
                "there" % error]
    whole = "%s bytes, read whole from the disc before it starts (it runs from the swap file): %s" % (
        format(len(data), ","), read_time(len(data)))
    kept = resources.get((pe_resources.RT_RCDATA, IDS["LANGUAGES_RESOURCE"], 0))
    if kept is None:
        own = sorted({key[2] for key in resources if key[0] == pe_resources.RT_BITMAP and key[1] in PICTURES})
        named = ", ".join(tag(langid) for langid in own) or "none"
        return ["note: autorun.exe: one language, %s (no languages record); %s" % (named, whole)]
    found = record(kept)
    if isinstance(found, str):
        return ["autorun.exe: its languages record (RCDATA %d) does not hold together: %s; %s"
                % (IDS["LANGUAGES_RESOURCE"], found, MAKE_LAUNCHER)]
    default, languages = found
    lines = []
    if default not in languages:
        lines.append("autorun.exe: its default language, %s, is not one of its languages (%s): a user whose "
                     "language is not listed gets the first, %s; %s"
                     % (tag(default), ", ".join(tag(langid) for langid in languages), tag(languages[0]),
                        MAKE_LAUNCHER))
    for langid in languages:
        lines += language_faults(folder, resources, langid)
    lines.append("note: autorun.exe: languages: " + ", ".join(
        tag(langid) + (" (default)" if langid == default else "") for langid in languages))
    for langid in languages:
        added = sum(stored_size(data) for key, data in resources.items()
                    if key[2] == langid and (key[:2] == (pe_resources.RT_STRING, 1) or
                                             (key[0] == pe_resources.RT_BITMAP and key[1] in PICTURES)))
        lines.append("note: autorun.exe: %s adds %s bytes: %s" % (tag(langid), format(added, ","), read_time(added)))
    lines.append("note: autorun.exe: " + whole)
    return lines


def main():
    return run("languages", report)


if __name__ == "__main__":
    sys.exit(main())
