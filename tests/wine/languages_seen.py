"""What the sample disc's five-language launcher shows and says in each of
its languages: the pictures as its own resources hold them (make-launcher
drew them; kit.languages checks the drawing), the names and action from the
description it was made from."""
import io
import os
import struct

from PIL import Image

from tools import ROOT
from tools.kit import description, pe_resources
from tools.resource_ids import read as resource_ids

RT_BITMAP = 2
IDS = resource_ids()
SAMPLE = description.read(os.path.join(ROOT, "disc", "languages.ini"))


def launcher(bench):
    """The five-language launcher of the lane's build (scripts/build makes it)."""
    return os.path.join(bench.windows, "languages", "autorun.exe")


def language(langid):
    return next(entry for entry in SAMPLE.languages if entry.langid == langid)


def pictures(path, langid):
    """picture(name, state) of the language's resources, as PIL shows them."""
    with open(path, "rb") as f:
        resources = pe_resources.read(f.read())

    def picture(name, state):
        dib = resources[(RT_BITMAP, IDS["%s_%s_BITMAP" % (name.upper(), state.upper())], langid)]
        header, = struct.unpack_from("<I", dib)
        bits, = struct.unpack_from("<H", dib, 14)
        used, = struct.unpack_from("<I", dib, 32)
        colours = used or (1 << bits if bits <= 8 else 0)
        bmp = b"BM" + struct.pack("<IHHI", 14 + len(dib), 0, 0, 14 + header + 4 * colours) + dib
        return Image.open(io.BytesIO(bmp)).convert("RGB")
    return picture


def names(langid):
    """The buttons' names a reader hears, by the bench's button names, and
    the name of their action."""
    entry = language(langid)
    return entry.captions, entry.press or "Press"
