"""Variants of the sample disc's background picture, written by the tests
themselves: the same picture saved with another header, row order,
compression or depth, and some broken or off-palette copies. Each comes with
what disc-check must say of it and what the launcher shows of it under Wine.

    VARIANTS: [(name, make() -> bytes, fault_words or None, screen)]
fault_words: None when disc-check must find no fault in the picture, else a
word of the fault line. screen: "exact" (the launcher shows the sample
picture exactly at depth 24), "black" (it shows black behind the buttons) or
"other" (something else).
"""
import io
import os
import struct

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SAMPLE = os.path.join(ROOT, "disc", "backgrnd.bmp")


def sample():
    picture = Image.open(SAMPLE)
    entries = picture.getpalette()[:768]
    return picture, [tuple(entries[i:i + 3]) for i in range(0, 768, 3)]


def run_length(rows, width, nibbles=False):
    """Encoded runs of the rows (bottom-up), as BI_RLE8 (or, with nibbles,
    BI_RLE4: both halves of the byte the same index) stores them."""
    out = bytearray()
    for row in rows:
        x = 0
        while x < width:
            run = 1
            while x + run < width and run < 255 and row[x + run] == row[x]:
                run += 1
            out += bytes((run, row[x] * 17 if nibbles else row[x]))
            x += run
        out += b"\0\0"  # end of line
    out[-2:] = b"\0\1"  # end of bitmap
    return bytes(out)


def bmp(picture, entries, header=40, top_down=False, bits=8, compression=0, colours=256):
    """The picture (indices on entries) as a Windows bitmap of the given kind."""
    width, height = picture.size
    indices = picture.tobytes()
    rows = [indices[y * width:(y + 1) * width] for y in range(height)]
    if not top_down:
        rows.reverse()
    masks = b""
    if bits == 8:
        table = entries[:colours]
        if compression == 1:
            pixels = run_length(rows, width)
        else:
            stride = (width + 3) & ~3
            pixels = b"".join(bytes(r) + b"\0" * (stride - width) for r in rows)
    elif bits in (1, 4):
        per_byte = 8 // bits
        table = entries[:1 << bits]
        stride = ((width + per_byte - 1) // per_byte + 3) & ~3
        packed = [bytes(sum(r[x + i] << (8 - bits * (i + 1)) for i in range(per_byte) if x + i < width)
                        for x in range(0, width, per_byte)) for r in rows]
        if compression == 2:
            pixels = run_length(rows, width, nibbles=True)
        else:
            pixels = b"".join(p + b"\0" * (stride - len(p)) for p in packed)
    else:
        table = []
        rgb = [bytes(c for i in r for c in reversed(entries[i])) for r in rows]  # blue, green, red
        if bits == 24:
            stride = (width * 3 + 3) & ~3
            pixels = b"".join(r + b"\0" * (stride - len(r)) for r in rgb)
        elif bits == 16:  # five bits each of red, green and blue
            words = [b"".join(struct.pack("<H", ((r[i + 2] >> 3) << 10) | ((r[i + 1] >> 3) << 5) | (r[i] >> 3))
                              for i in range(0, len(r), 3)) for r in rgb]
            stride = (width * 2 + 3) & ~3
            pixels = b"".join(w + b"\0" * (stride - len(w)) for w in words)
        else:  # 32 bits with bit fields
            pixels = b"".join(bytes(c for i in range(0, len(r), 3) for c in r[i:i + 3] + b"\0") for r in rgb)
            if header == 40:
                masks = struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        table_bytes = b"".join(struct.pack("<BBB", b, g, r) for (r, g, b) in table)
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, -height if top_down else height, 1, bits, compression,
                           len(pixels), 2835, 2835, len(table), 0)
        if header > 40:
            extra = struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0) if compression == 3 else b"\0" * 16
            extra += struct.pack("<I", 0x73524742)  # LCS_sRGB
            info += (extra + b"\0" * header)[:header - 40]
        table_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in table)
    offset = 14 + len(info) + len(masks) + len(table_bytes)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + masks + table_bytes + pixels


def shipped():
    with open(SAMPLE, "rb") as f:
        return f.read()


def kind(**options):
    def make():
        picture, entries = sample()
        return bmp(picture, entries, **options)
    return make


def short_table():
    """A colour table just long enough for the colours the picture uses."""
    picture, entries = sample()
    return bmp(picture, entries, colours=max(picture.getdata()) + 1)


def table_too_short():
    """A colour table that stops short of colours the picture uses."""
    picture, entries = sample()
    return bmp(picture, entries, colours=max(picture.getdata()) - 4)


def cut(fraction):
    def make():
        data = shipped()
        return data[:int(len(data) * fraction)]
    return make


def png():
    out = io.BytesIO()
    Image.open(SAMPLE).save(out, "PNG")
    return out.getvalue()


def few_colours(bits, compression=0):
    """The picture in 2 ** bits colours of its own."""
    def make():
        count = 1 << bits
        picture = Image.open(SAMPLE).convert("RGB").quantize(count)
        entries = (picture.getpalette() + [0] * 768)[:3 * count]
        return bmp(picture, [tuple(entries[i:i + 3]) for i in range(0, 3 * count, 3)], bits=bits,
                   compression=compression)
    return make


def other_size():
    picture, entries = sample()
    return bmp(picture.resize((800, 600), Image.NEAREST), entries)


def off_palette():
    """Five of the colours the picture uses most, changed in its table."""
    data = bytearray(shipped())
    counts = Image.open(SAMPLE).histogram()
    for i in sorted(range(256), key=lambda i: -counts[i])[:5]:
        data[54 + 4 * i] ^= 0x40
    return bytes(data)


VARIANTS = [
    ("as shipped: BITMAPINFOHEADER, bottom-up, 8 bits", shipped, None, "exact"),
    ("BITMAPV4HEADER", kind(header=108), None, "exact"),
    ("BITMAPCOREHEADER", kind(header=12), None, "exact"),
    ("a colour table as long as the colours used", short_table, None, "exact"),
    ("a colour table shorter than the colours used", table_too_short, "past the", "other"),
    ("BITMAPV5HEADER", kind(header=124), "BITMAPV5HEADER", "exact"),
    ("top-down", kind(top_down=True), "top-down", "black"),
    ("RLE8", kind(compression=1), "RLE8", "exact"),
    ("24 bits", kind(bits=24), "24 bits", "exact"),
    ("32 bits, BI_BITFIELDS", kind(bits=32, compression=3), "BI_BITFIELDS", "exact"),
    ("4 bits", few_colours(4), "4 bits", "other"),
    ("RLE4", few_colours(4, compression=2), "RLE4", "other"),
    ("1 bit", few_colours(1), "1 bit per pixel", "other"),
    ("16 bits", kind(bits=16), "16 bits", "other"),
    ("800 x 600", other_size, "800 x 600", "other"),
    ("five colours off the palette", off_palette, "5 of its 256 colours", "other"),
    ("cut in half", cut(0.5), "not a whole Windows bitmap", "black"),
    ("one byte short", cut(0.99999), "not a whole Windows bitmap", "black"),
    ("a PNG", png, "not a whole Windows bitmap", "black"),
]
