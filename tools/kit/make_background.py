#!/usr/bin/python3
"""Turns an author's picture into the launcher's background: 640 x 480, 8 bits
per pixel on the launcher's own palette (entry for entry), uncompressed,
bottom-up, with a BITMAPINFOHEADER: the one kind of bitmap that every
Windows the launcher runs on loads and shows exactly, and that disc-check
passes.

    scripts/make-background ART OUT.bmp [--fit refuse|scale|crop] [--dither floyd-steinberg|none]

ART is any picture Pillow reads (PNG, JPEG, BMP, GIF, TIFF, ...). A picture of
another size is refused unless --fit says what to do: scale stretches it to
640 x 480; crop scales it, keeping its proportions, until it covers 640 x 480
and keeps the middle. Transparent parts are laid over black, the colour of
the launcher's window. Colours are mapped onto the palette with
Floyd-Steinberg dithering unless --dither none asks for the nearest colour;
a picture whose colours are all on the palette already keeps its pixels.
"""
import argparse
import os
import sys

import numpy
from PIL import Image

from tools import ROOT
from tools.build_steps.make_art import write_bmp

PALETTE = os.path.join(ROOT, "src", "resources", "palette.pal")
WIDTH, HEIGHT = 640, 480


def launcher_palette(path=PALETTE):
    """The launcher's 256 colours, read from its JASC palette text."""
    with open(path) as f:
        return palette_entries(f.read())


def palette_entries(text):
    """The 256 colours of a JASC palette text (the launcher's palette file,
    or its palette resource)."""
    numbers = [int(n) for n in text.split()[3:3 + 768]]
    return [tuple(numbers[i:i + 3]) for i in range(0, 768, 3)]


def fitted(picture, fit):
    if picture.size == (WIDTH, HEIGHT):
        return picture
    if fit == "scale":
        return picture.resize((WIDTH, HEIGHT), Image.LANCZOS)
    if fit == "crop":
        scale = max(WIDTH / picture.width, HEIGHT / picture.height)
        size = (max(WIDTH, round(picture.width * scale)), max(HEIGHT, round(picture.height * scale)))
        big = picture.resize(size, Image.LANCZOS)
        left, top = (big.width - WIDTH) // 2, (big.height - HEIGHT) // 2
        return big.crop((left, top, left + WIDTH, top + HEIGHT))
    return None


def palette_image(entries):
    palette = Image.new("P", (1, 1))
    palette.putpalette([c for entry in entries for c in entry])
    return palette


def nearest(picture, entries):
    """Each colour of an RGB picture as the index of the nearest entry, by
    distance in RGB; a colour that is an entry maps to that entry exactly.
    (Pillow's own mapping onto a palette is approximate.)"""
    counted = picture.getcolors(maxcolors=picture.width * picture.height)
    colours = numpy.array([colour for _, colour in counted], dtype=numpy.int32).reshape(-1, 3)
    table = numpy.array(entries, dtype=numpy.int32)
    indices = numpy.empty(len(colours), dtype=numpy.uint8)
    for start in range(0, len(colours), 4096):
        part = colours[start:start + 4096]
        indices[start:start + 4096] = ((part[:, None, :] - table[None, :, :]) ** 2).sum(axis=2).argmin(axis=1)
    lookup = {tuple(colour): int(index) for colour, index in zip(colours.tolist(), indices)}
    mapped = Image.new("P", picture.size)
    mapped.putpalette([c for entry in entries for c in entry])
    mapped.putdata([lookup[colour] for colour in picture.getdata()])
    return mapped


def on_palette(picture, entries, dither):
    """The picture's pixels as indices into entries."""
    backdrop = Image.new("RGBA", picture.size, (0, 0, 0, 255))
    rgb = Image.alpha_composite(backdrop, picture.convert("RGBA")).convert("RGB")
    counted = rgb.getcolors(maxcolors=256)
    if dither == "none" or (counted is not None and all(colour in entries for _, colour in counted)):
        return nearest(rgb, entries)
    return rgb.quantize(palette=palette_image(entries), dither=Image.Dither.FLOYDSTEINBERG)


def main():
    parser = argparse.ArgumentParser(description="Makes the launcher's background picture from any picture.")
    parser.add_argument("art")
    parser.add_argument("out")
    parser.add_argument("--fit", choices=["refuse", "scale", "crop"], default="refuse")
    parser.add_argument("--dither", choices=["floyd-steinberg", "none"], default="floyd-steinberg")
    args = parser.parse_args()
    try:
        picture = Image.open(args.art)
        picture.load()
    except (OSError, ValueError) as error:
        print("make-background: %s: not a picture Pillow can read (%s)" % (args.art, error), file=sys.stderr)
        return 2
    picture = fitted(picture, args.fit)
    if picture is None:
        print("make-background: %s is %d x %d pixels, not 640 x 480: draw it at 640 x 480, or say --fit scale "
              "(stretch it) or --fit crop (fill the window and keep the middle)"
              % ((args.art,) + Image.open(args.art).size), file=sys.stderr)
        return 1
    entries = launcher_palette()
    mapped = on_palette(picture, entries, args.dither)
    indices = mapped.tobytes()
    rows = [indices[y * WIDTH:(y + 1) * WIDTH] for y in range(HEIGHT)]
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    write_bmp(args.out, rows, WIDTH, HEIGHT, entries)
    print("background: %s (640 x 480, 8 bits on the launcher's palette)" % args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
