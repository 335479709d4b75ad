"""Reads the disc author's description of the launcher's languages: one UTF-8
file laid out as autorun.inf is, with the languages in the author's order,
the one a user whose language is not listed gets, and per language the five
buttons' captions and the files that language has on the disc:

    [languages]
    order=en-GB, de, ja      ; the disc's languages, in the author's order
    default=en-GB            ; the one a user whose language is not listed gets

    [de]
    Install=Installieren     ; the five captions, all required
    Uninstall=Deinstallieren
    Run=Starten
    ReadMe=Lies mich
    Cancel=Abbrechen
    Press=Drücken            ; optional: the name readers give the buttons' action
    readme=liesmich.txt      ; optional: this language's read-me on the disc
    background=hinterg.bmp   ; optional: this language's background on the disc
    pictures=art/de          ; optional: the author's own PNGs, from the description's folder

`;` starts a comment anywhere on a line, so no value holds one. Section
names and language tags are read without regard to case; keys are read as
written, since the caption ReadMe and the read-me's file name readme differ
only in case. A language is a tag of the table below or a Windows language id
(0x0407). Whatever does not hold together is refused with a DescriptionError
whose message names the file, the language and what to change.
"""
import os
from collections import namedtuple

# The five buttons: the key of each one's caption, and the button's name
# where the launcher's resources and the pictures' files name it.
CAPTION_KEYS = (("Install", "install"), ("Uninstall", "uninstall"), ("Run", "run"), ("ReadMe", "readme"),
                ("Cancel", "cancel"))
FILE_KEYS = ("Press", "readme", "background", "pictures")

# Windows language ids (LANGIDs) by tag. A tag of a primary language alone
# takes that language's SUBLANG_DEFAULT (sublanguage 1): de is German
# (Germany), pt Portuguese (Brazil), es Spanish (traditional sort), as
# MAKELANGID(LANG_x, SUBLANG_DEFAULT) gives them. Serbian and Bosnian share
# Croatian's primary language (0x1A), whose sublanguage 1 is Croatian: they
# take the sublanguages Windows gives them (Serbian and Bosnian in Latin
# script), and Chinese is named by its script, since Windows' Chinese
# resources are either simplified (0x0804) or traditional (0x0404).
LANGIDS = {
    "af": 0x0436, "am": 0x045E, "ar": 0x0401, "ar-SA": 0x0401, "ar-EG": 0x0C01, "ar-AE": 0x3801,
    "az": 0x042C, "be": 0x0423, "bg": 0x0402, "bn": 0x0445, "bs": 0x141A, "bs-Latn": 0x141A,
    "bs-Cyrl": 0x201A, "ca": 0x0403, "cs": 0x0405, "cy": 0x0452, "da": 0x0406, "de": 0x0407,
    "de-DE": 0x0407, "de-AT": 0x0C07, "de-CH": 0x0807, "el": 0x0408, "en": 0x0409, "en-US": 0x0409,
    "en-GB": 0x0809, "en-AU": 0x0C09, "en-CA": 0x1009, "en-IE": 0x1809, "en-NZ": 0x1409, "en-ZA": 0x1C09,
    "es": 0x040A, "es-ES": 0x0C0A, "es-MX": 0x080A, "et": 0x0425, "eu": 0x042D, "fa": 0x0429,
    "fi": 0x040B, "fil": 0x0464, "fr": 0x040C, "fr-FR": 0x040C, "fr-BE": 0x080C, "fr-CA": 0x0C0C,
    "fr-CH": 0x100C, "ga": 0x083C, "gl": 0x0456, "gu": 0x0447, "he": 0x040D, "hi": 0x0439, "hr": 0x041A,
    "hu": 0x040E, "hy": 0x042B, "id": 0x0421, "is": 0x040F, "it": 0x0410, "it-CH": 0x0810, "ja": 0x0411,
    "ka": 0x0437, "kk": 0x043F, "km": 0x0453, "kn": 0x044B, "ko": 0x0412, "lb": 0x046E, "lo": 0x0454,
    "lt": 0x0427, "lv": 0x0426, "mk": 0x042F, "ml": 0x044C, "mn": 0x0450, "mr": 0x044E, "ms": 0x043E,
    "mt": 0x043A, "nb": 0x0414, "no": 0x0414, "ne": 0x0461, "nl": 0x0413, "nl-BE": 0x0813, "nn": 0x0814,
    "pa": 0x0446, "pl": 0x0415, "pt": 0x0416, "pt-BR": 0x0416, "pt-PT": 0x0816, "ro": 0x0418,
    "ru": 0x0419, "si": 0x045B, "sk": 0x041B, "sl": 0x0424, "sq": 0x041C, "sr": 0x241A, "sr-Latn": 0x241A,
    "sr-Cyrl": 0x281A, "sv": 0x041D, "sv-FI": 0x081D, "sw": 0x0441, "ta": 0x0449, "te": 0x044A,
    "th": 0x041E, "tr": 0x041F, "uk": 0x0422, "ur": 0x0420, "uz": 0x0443, "vi": 0x042A,
    "zh-Hans": 0x0804, "zh-CN": 0x0804, "zh-SG": 0x1004, "zh-Hant": 0x0404, "zh-TW": 0x0404,
    "zh-HK": 0x0C04, "zh-MO": 0x1404,
}
BY_LOWER = {tag.lower(): langid for tag, langid in LANGIDS.items()}

Language = namedtuple("Language", "tag langid captions press readme background pictures")
# captions: {button name: caption}; press, readme, background: text or "";
# pictures: the folder's full path, or None when the captions are drawn.
Description = namedtuple("Description", "path languages default")
# languages: [Language] in the author's order; default: the default's Language.


class DescriptionError(Exception):
    pass


def langid(tag):
    """The Windows language id a tag or a written id (0x0407) names, or None."""
    text = tag.strip()
    if text.lower().startswith("0x"):
        try:
            value = int(text, 16)
        except ValueError:
            return None
        # A primary language (low 10 bits) of 0 is neutral: no user has it.
        return value if 0 < value <= 0xFFFF and value & 0x3FF else None
    return BY_LOWER.get(text.lower())


def sections(text, path):
    """{section name, lower case: (name as written, line, {key: (value, line)})}"""
    found = {}
    current = None
    for number, line in enumerate(text.splitlines(), 1):
        line = line.split(";", 1)[0].strip()
        if not line:
            continue
        if line.startswith("["):
            if not line.endswith("]"):
                raise DescriptionError("%s:%d: %s: a section's name ends with ]" % (path, number, line))
            name = line[1:-1].strip()
            if name.lower() in found:
                raise DescriptionError("%s:%d: [%s] is there twice" % (path, number, name))
            current = found[name.lower()] = (name, number, {})
            continue
        key, equals, value = line.partition("=")
        if not equals or current is None:
            raise DescriptionError("%s:%d: %s: expected key=value under a [section]" % (path, number, line))
        key = key.strip()
        if key in current[2]:
            raise DescriptionError("%s:%d: [%s] gives %s twice" % (path, number, current[0], key))
        current[2][key] = (value.strip(), number)
    return found


def language(tag, entries, path, folder):
    known = {key for key, _ in CAPTION_KEYS} | set(FILE_KEYS)
    for key, (_, number) in entries.items():
        if key not in known:
            raise DescriptionError("%s:%d: %s: %s is not a key of a language (the captions are Install, "
                                   "Uninstall, Run, ReadMe and Cancel, as written; the others Press, readme, "
                                   "background and pictures)" % (path, number, tag, key))
    captions = {}
    for key, button in CAPTION_KEYS:
        value = entries.get(key, ("", 0))[0]
        if not value:
            raise DescriptionError("%s: %s: %s: no caption: every language needs all five of Install, "
                                   "Uninstall, Run, ReadMe and Cancel" % (path, tag, key))
        captions[button] = value
    value = lambda key: entries.get(key, ("", 0))[0]
    pictures = os.path.join(folder, value("pictures")) if value("pictures") else None
    return Language(tag, langid(tag), captions, value("Press"), value("readme"), value("background"), pictures)


def parse(text, path="languages.ini"):
    """The Description that text, read from path, gives."""
    if text.startswith("\ufeff"):
        text = text[1:]
    found = sections(text, path)
    if "languages" not in found:
        raise DescriptionError("%s: no [languages] section: it gives order= and default=" % path)
    _, head_line, head = found["languages"]
    order_text, order_line = head.get("order", ("", head_line))
    tags = [tag.strip() for tag in order_text.split(",") if tag.strip()]
    if not tags:
        raise DescriptionError("%s:%d: [languages] has no order=: list the disc's languages" % (path, order_line))
    seen = {}
    for tag in tags:
        if langid(tag) is None:
            hint = " (say zh-Hans or zh-Hant)" if tag.lower() == "zh" else ""
            raise DescriptionError("%s:%d: %s: not a language tag this kit knows%s; a Windows language id such "
                                   "as 0x0407 names any language" % (path, order_line, tag, hint))
        if langid(tag) in seen:
            raise DescriptionError("%s:%d: %s and %s are the one Windows language 0x%04X: give it once"
                                   % (path, order_line, seen[langid(tag)], tag, langid(tag)))
        seen[langid(tag)] = tag
    default_tag, default_line = head.get("default", ("", head_line))
    default = next((tag for tag in tags if langid(default_tag) is not None and langid(tag) == langid(default_tag)),
                   None)
    if default is None:
        raise DescriptionError("%s:%d: default=%s is not one of order=%s" % (path, default_line, default_tag,
                                                                              ", ".join(tags)))
    for key, (_, number) in head.items():
        if key not in ("order", "default"):
            raise DescriptionError("%s:%d: [languages] takes order= and default=, not %s" % (path, number, key))
    by_id = {}
    for name, number, _ in found.values():
        if name.lower() != "languages":
            if langid(name) not in seen:
                raise DescriptionError("%s:%d: [%s] is not in order=%s" % (path, number, name, ", ".join(tags)))
            by_id[langid(name)] = name.lower()
    folder = os.path.dirname(os.path.abspath(path))
    languages = []
    for tag in tags:
        if langid(tag) not in by_id:
            raise DescriptionError("%s: %s: in order= but there is no [%s] section with its captions"
                                   % (path, tag, tag))
        languages.append(language(tag, found[by_id[langid(tag)]][2], path, folder))
    return Description(path, languages, next(item for item in languages if item.tag == default))


def read(path):
    """The Description in the UTF-8 file at path."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise DescriptionError("%s: not UTF-8 text (byte %d): save it as UTF-8" % (path, error.start))
    return parse(text, path)
