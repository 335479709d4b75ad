#!/usr/bin/python3
"""Turns an author's picture into the launcher's background: 640 x 480, 8 bits
per pixel on the launcher's own palette (entry for entry), uncompressed,
bottom-up, with a BITMAPINFOHEADER: the one kind of bitmap that every
Windows the launcher runs on loads and shows exactly, and that disc-check
passes.

    make_background.py ART OUT.bmp [--fit refuse|scale|crop] [--dither floyd-steinberg|none]

ART is any picture Pillow reads (PNG, JPEG, BMP, GIF, TIFF, ...). A picture of
another size is refused unless --fit says what to do: scale stretches it to
640 x 480; crop scales it, keeping its proportions, until it covers 640 x 480
and keeps the middle. Transparent parts are laid over black, the colour of
the launcher's window. Colours are mapped onto the palette with
Floyd-Steinberg dithering unless --dither none asks for the nearest colour.
"""
import argparse
import os
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_art import write_bmp  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PALETTE = os.path.join(ROOT, "src", "resources", "palette.pal")
WIDTH, HEIGHT = 640, 480


def launcher_palette(path=PALETTE):
    """The launcher's 256 colours, read from its JASC palette text."""
    with open(path) as f:
        lines = f.read().split()
    numbers = [int(n) for n in lines[3:3 + 768]]
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


def on_palette(picture, entries, dither):
    """The picture's pixels as indices into entries."""
    backdrop = Image.new("RGBA", picture.size, (0, 0, 0, 255))
    rgb = Image.alpha_composite(backdrop, picture.convert("RGBA")).convert("RGB")
    palette = Image.new("P", (1, 1))
    palette.putpalette([c for entry in entries for c in entry])
    mode = Image.Dither.FLOYDSTEINBERG if dither == "floyd-steinberg" else Image.Dither.NONE
    return rgb.quantize(palette=palette, dither=mode)


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
