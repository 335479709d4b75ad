"""Chooses the font a button's caption is drawn in: by the script of its
characters (DejaVu Sans Bold for Latin, Greek, Cyrillic and Hebrew, Noto
Sans Arabic for Arabic, Noto Sans CJK for Chinese, Japanese and Korean, in
the face of the caption's language), at 14 px, the size the shipped buttons
have, or smaller until the caption fits the button's face, but never below
the smallest size that still reads on a 114 x 35 button at 96 dpi: 9 px for
alphabets, 11 px for Chinese characters and Hangul, whose strokes run
together below that. A caption is refused with a CaptionError saying why
when it does not fit at that size, when its font has no glyph for one of
its characters, or when its script must be shaped (Arabic joins its
letters, Hebrew and Arabic run right to left, Indic scripts reorder and
combine) and this Pillow lacks the raqm layout that does it.
"""
import unicodedata

from PIL import ImageFont, features

from tools import resource_ids

IDS = resource_ids.read()
DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
NOTO = "/usr/share/fonts/truetype/noto/NotoSans%s-Bold.ttf"
NOTO_CJK = "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"
# The faces of the CJK collection, by the glyph forms of each region.
CJK_FACES = {"ja": 0, "ko": 1, "zh-hans": 2, "zh-cn": 2, "zh-sg": 2, "zh-hant": 3, "zh-tw": 3, "zh-hk": 4,
             "zh-mo": 4}
SIZE = 14
# The caption's room: the face sits 5 px inside the plate on each side, and
# the caption keeps 2 px from its edges for the shadow and the pressed
# picture's shift of one pixel.
ROOM = (IDS["BUTTON_WIDTH"] - 14, IDS["BUTTON_HEIGHT"] - 12)

# Scripts other than Latin, Greek and Cyrillic, by code point ranges:
# (first, last, script).
RANGES = [
    (0x0590, 0x05FF, "Hebrew"), (0xFB1D, 0xFB4F, "Hebrew"),
    (0x0600, 0x06FF, "Arabic"), (0x0750, 0x077F, "Arabic"), (0x08A0, 0x08FF, "Arabic"),
    (0xFB50, 0xFDFF, "Arabic"), (0xFE70, 0xFEFF, "Arabic"),
    (0x0700, 0x074F, "Syriac"), (0x0780, 0x07BF, "Thaana"),
    (0x0900, 0x097F, "Devanagari"), (0x0980, 0x09FF, "Bengali"), (0x0A00, 0x0AFF, "Gurmukhi and Gujarati"),
    (0x0B00, 0x0B7F, "Oriya"), (0x0B80, 0x0BFF, "Tamil"), (0x0C00, 0x0DFF, "Telugu, Kannada, Malayalam and Sinhala"),
    (0x0E00, 0x0E7F, "Thai"), (0x0E80, 0x0EFF, "Lao"), (0x0F00, 0x0FFF, "Tibetan"), (0x1000, 0x109F, "Myanmar"),
    (0x1780, 0x17FF, "Khmer"),
    (0x1100, 0x11FF, "Hangul"), (0x3130, 0x318F, "Hangul"), (0xAC00, 0xD7AF, "Hangul"),
    (0x3000, 0x30FF, "CJK"), (0x3400, 0x4DBF, "CJK"), (0x4E00, 0x9FFF, "CJK"), (0xF900, 0xFAFF, "CJK"),
    (0xFF00, 0xFFEF, "CJK"),
]
# Scripts whose letters are joined, reordered or laid out right to left.
SHAPED = {"Hebrew", "Arabic", "Syriac", "Thaana", "Devanagari", "Bengali", "Gurmukhi and Gujarati", "Oriya",
          "Tamil", "Telugu, Kannada, Malayalam and Sinhala", "Thai", "Lao", "Tibetan", "Myanmar", "Khmer"}
FONTS = {"Latin": DEJAVU, "Hebrew": DEJAVU, "Arabic": NOTO % "Arabic", "Devanagari": NOTO % "Devanagari",
         "Bengali": NOTO % "Bengali", "Tamil": NOTO % "Tamil", "Thai": NOTO % "Thai", "Hangul": NOTO_CJK,
         "CJK": NOTO_CJK}
SMALLEST = {"Hangul": 11, "CJK": 11}
SMALLEST_ALPHABET = 9


class CaptionError(Exception):
    pass


def script(caption):
    """The caption's script: that of its first character outside Latin,
    Greek, Cyrillic and the common punctuation, else Latin."""
    for character in caption:
        for first, last, name in RANGES:
            if first <= ord(character) <= last and unicodedata.category(character)[0] in "LM":
                return name
    return "Latin"


_cmaps = {}


def cmap(path, index):
    # fontTools only where captions are drawn: the bench, which reads the
    # palette's constants beside them, runs where it is not installed.
    from fontTools.ttLib import TTFont
    if (path, index) not in _cmaps:
        _cmaps[(path, index)] = set(TTFont(path, fontNumber=index, lazy=True).getBestCmap())
    return _cmaps[(path, index)]


def font_for(caption, tag):
    """(ImageFont, its size in px) the caption is drawn in, for a language
    of that tag; CaptionError when it cannot be drawn legibly."""
    kind = script(caption)
    if kind not in FONTS:
        raise CaptionError("'%s' is in %s script, for which the kit has no font" % (caption, kind))
    if kind in SHAPED and not features.check("raqm"):
        raise CaptionError("'%s' is in %s script, which must be shaped and laid out by Pillow's raqm layout, "
                           "and this Pillow has none: install Debian's libraqm0" % (caption, kind))
    path = FONTS[kind]
    index = CJK_FACES.get(tag.lower(), 0) if path == NOTO_CJK else 0
    drawn = cmap(path, index)
    missing = [c for c in caption if ord(c) not in drawn and not c.isspace() and unicodedata.category(c) != "Cf"]
    if missing:
        raise CaptionError("'%s' has characters its font (%s) cannot draw: %s" % (
            caption, path.rsplit("/", 1)[1], ", ".join("U+%04X %s" % (ord(c), unicodedata.name(c, "?"))
                                                       for c in dict.fromkeys(missing))))
    smallest = SMALLEST.get(kind, SMALLEST_ALPHABET)
    for size in range(SIZE, smallest - 1, -1):
        font = ImageFont.truetype(path, size, index=index)
        left, top, right, bottom = font.getbbox(caption)
        if right - left <= ROOM[0] and bottom - top <= ROOM[1]:
            return font, size
    raise CaptionError("'%s' is %d x %d px at %d px, the smallest size that reads, and the button has room for "
                       "%d x %d: give a shorter caption, or draw the button yourself (pictures=)"
                       % ((caption, right - left, bottom - top, smallest) + ROOM))
