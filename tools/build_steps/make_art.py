#!/usr/bin/python3
"""Draws the launcher's art: the 256-colour palette text, the fifteen button
pictures, and the sample disc's background picture, all on one palette; and
the sample disc's own icon (disc/kelvando.ico), which Explorer shows for the
drive. It also writes the buttons' captions as the launcher's string table
(resources/captions.rc), which screen readers are told: what is drawn on a
button and what a reader says of it come from one place: the captions of
the sample disc's default language in disc/languages.ini, English (United
Kingdom). The drawing of one button (button_picture) is also what
scripts/make-launcher draws every language's buttons with.

Run with Debian's Python 3, Pillow (python3-pil) and fontTools
(python3-fonttools) and the DejaVu fonts (fonts-dejavu-core). What it writes is committed, so the build needs no
generator:

    scripts/make-art              # into src/resources/ and disc/
    scripts/make-art --out DIR    # into DIR/resources/ and DIR/disc/

The pictures' resource ids, the captions' string ids and the buttons' size
come from the launcher's own header (src/resources/resource_ids.h); the
string table names the ids by that header's macros.
"""
import io
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

from tools import ROOT, resource_ids
from tools.kit import captions, description

IDS = resource_ids.read()
RESOURCES = os.path.join(ROOT, "src", "resources")
DISC = os.path.join(ROOT, "disc")
FONT_BOLD = captions.DEJAVU
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

PALETTE_TEXT_SIZE = 2855
BUTTON_W, BUTTON_H = IDS["BUTTON_WIDTH"], IDS["BUTTON_HEIGHT"]

# The twenty colours the display system keeps fixed, at both ends.
STATIC_LOW = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
              (128, 0, 128), (0, 128, 128), (192, 192, 192), (192, 220, 192), (166, 202, 240)]
STATIC_HIGH = [(255, 251, 240), (160, 160, 164), (128, 128, 128), (255, 0, 0), (0, 255, 0),
               (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def shade_run(base, count=16):
    """Light to dark shades of one hue: a pale tint, the colour itself at
    about 40 %, then down to a deep shade."""
    white = (255, 255, 255)
    dark = tuple(int(c * 0.12) for c in base)
    knee = 6
    run = []
    for i in range(count):
        if i <= knee:
            run.append(mix(mix(white, base, 0.18), base, i / knee))
        else:
            run.append(mix(base, dark, (i - knee) / (count - 1 - knee)))
    return run


def linear_run(first, last, count=16):
    return [mix(first, last, i / (count - 1)) for i in range(count)]


# Runs of entries 10 to 245; (start, colours). Entries 48-63 (greys) and
# 96-111 (reds, from 255 231 231 to 39 0 0) keep the ends the launcher's
# palette contract gives them.
RUNS = {
    "extra_low": 10,
    "metal": 16,
    "blue": 32,
    "grey": 48,
    "bright_blue": 64,
    "green": 80,
    "red": 96,
    "bright_green": 112,
    "amber": 128,
    "yellow": 144,
    "bright_red": 160,
    "sky": 176,
    "violet": 192,
    "teal": 208,
    "warm": 224,
    "extra_high": 240,
}
FIXED_RUNS = ("grey", "red")


def build_palette():
    entries = [None] * 256
    entries[0:10] = STATIC_LOW
    entries[246:256] = STATIC_HIGH
    runs = {
        "metal": linear_run((236, 240, 246), (34, 38, 46)),
        "blue": shade_run((28, 62, 150)),
        "grey": [(round(254 - i * 251 / 15),) * 3 for i in range(16)],
        "bright_blue": shade_run((40, 120, 250)),
        "green": shade_run((20, 112, 44)),
        "red": linear_run((255, 231, 231), (196, 30, 30), 7)[:-1] + linear_run((196, 30, 30), (39, 0, 0), 10),
        "bright_green": shade_run((40, 200, 70)),
        "amber": shade_run((196, 128, 16)),
        "yellow": shade_run((250, 204, 20)),
        "bright_red": shade_run((232, 40, 36)),
        "sky": linear_run((150, 200, 240), (4, 10, 36)),
        "violet": shade_run((110, 60, 170)),
        "teal": shade_run((20, 150, 160)),
        "warm": shade_run((230, 120, 40)),
    }
    for name, colours in runs.items():
        entries[RUNS[name]:RUNS[name] + 16] = colours
    extras = [(250, 250, 252), (214, 220, 230), (180, 188, 200), (60, 66, 78), (24, 28, 36), (12, 14, 20),
              (255, 244, 200), (255, 220, 150), (200, 230, 255), (120, 170, 220), (70, 110, 170), (16, 40, 80)]
    entries[10:16] = extras[:6]
    entries[240:246] = extras[6:]
    fit_text_size(entries)
    return entries


def palette_text(entries):
    lines = ["JASC-PAL", "0100", "256"] + ["%d %d %d" % e for e in entries]
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def fit_text_size(entries):
    """Nudges free colour values across a digit boundary (9/10, 99/100) until
    the palette text has its contractual size. Each nudge changes one
    component by the least amount that adds or removes one digit."""
    fixed = set(range(0, 10)) | set(range(246, 256))
    for name in FIXED_RUNS:
        fixed |= set(range(RUNS[name], RUNS[name] + 16))
    free = [i for i in range(256) if i not in fixed]
    for _ in range(2000):
        diff = PALETTE_TEXT_SIZE - len(palette_text(entries))
        if diff == 0:
            return
        best = None
        for i in free:
            for c in range(3):
                v = entries[i][c]
                if diff > 0:
                    target = 10 if v < 10 else (100 if v < 100 else None)
                else:
                    target = 99 if v >= 100 else (9 if v >= 10 else None)
                if target is None:
                    continue
                cost = abs(target - v)
                if best is None or cost < best[0]:
                    best = (cost, i, c, target)
        _, i, c, target = best
        e = list(entries[i])
        e[c] = target
        entries[i] = tuple(e)
    sys.exit("palette text size cannot be reached")


def write_bmp(path, pixels, width, height, entries):
    """Writes bmp_file(pixels, width, height, entries) to path."""
    with open(path, "wb") as f:
        f.write(bmp_file(pixels, width, height, entries))


def bmp_file(pixels, width, height, entries):
    """An uncompressed 8-bit Windows bitmap whose colour table is the palette,
    entry for entry. pixels: rows top to bottom of palette indices."""
    stride = (width + 3) & ~3
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in entries)
    rows = b"".join(bytes(pixels[y]) + b"\0" * (stride - width) for y in range(height - 1, -1, -1))
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    return header + info + table + rows


def nearest(entries, colour, candidates):
    best, best_d = None, None
    for i in candidates:
        e = entries[i]
        d = (e[0] - colour[0]) ** 2 * 3 + (e[1] - colour[1]) ** 2 * 4 + (e[2] - colour[2]) ** 2 * 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


# Each button's normal face run and highlighted face run.
FACES = {
    "cancel": ("blue", "bright_blue"),
    "install": ("green", "bright_green"),
    "readme": ("amber", "yellow"),
    "run": ("green", "bright_green"),
    "uninstall": ("red", "bright_red"),
}
# The English captions are the sample disc's default language's
# (disc/languages.ini), which the launcher as built carries.
SAMPLE = description.read(os.path.join(ROOT, "disc", "languages.ini")).default
# Each button: caption, its normal face run, its highlighted face run.
BUTTONS = {name: (SAMPLE.captions[name],) + runs for name, runs in FACES.items()}
STATES = ("normal", "pressed", "highlighted")


def command_macro(name):
    """The header's name of a button's command code, which is also its
    caption's string id."""
    return "%s_COMMAND" % name.upper()


# Each button's string id in the launcher's string table: its command code.
CAPTION_IDS = {name: IDS[command_macro(name)] for name in BUTTONS}
# Each picture's bitmap resource id, by its file name under buttons/.
PICTURE_IDS = {"%s_%s" % (name, state): IDS["%s_%s_BITMAP" % (name.upper(), state.upper())]
               for name in BUTTONS for state in STATES}


def captions_rc():
    """The string table of the buttons' captions and the name of their
    action, in English (United Kingdom) like every resource of the launcher."""
    lines = ["// Written by scripts/make-art (tools/build_steps/make_art.py) from the captions",
             "// it draws on the buttons; change them there. Each string's id is its button's",
             "// command code; the last is the name readers give the buttons' action.",
             '#include "resource_ids.h"', "",
             "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_UK", "", "STRINGTABLE", "BEGIN"]
    for name, _ in sorted(CAPTION_IDS.items(), key=lambda item: item[1]):
        caption = BUTTONS[name][0]
        assert caption.isascii() and '"' not in caption, "captions are plain ASCII: %r" % caption
        lines.append('    %s, "%s"' % (command_macro(name), caption))
    lines.append('    PRESS_STRING, "%s"' % (SAMPLE.press or "Press"))
    lines.append("END")
    return ("\n".join(lines) + "\n").encode("ascii")


def button_picture(entries, name, state, caption, font):
    """The picture of one button (install, uninstall, run, readme, cancel) in
    one state with that caption drawn in that font, as rows of palette
    indices."""
    normal, bright = FACES[name]
    return draw_button(entries, caption, bright if state == "highlighted" else normal, state,
                       inner_dark_only=(name == "cancel"), font=font)


def draw_button(entries, caption, run, state, inner_dark_only, font):
    """A bevelled metal plate with a coloured face and a white caption, as a
    grid of palette indices."""
    metal = RUNS["metal"]
    base = RUNS[run]
    grid = [[0] * BUTTON_W for _ in range(BUTTON_H)]

    def rect(x0, y0, x1, y1, index):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                grid[y][x] = index

    # Outer rim of brushed metal: light from the top left, dark at the bottom right.
    rect(0, 0, BUTTON_W - 1, BUTTON_H - 1, metal + 15)
    rect(1, 1, BUTTON_W - 2, BUTTON_H - 2, metal + 4)
    for y in range(2, BUTTON_H - 2):
        for x in range(2, BUTTON_W - 2):
            grid[y][x] = metal + 6 + (y * 5) // BUTTON_H
    for x in range(1, BUTTON_W - 1):
        grid[1][x] = metal + 1
        grid[2][x] = metal + 3
        grid[BUTTON_H - 2][x] = metal + 12
        grid[BUTTON_H - 3][x] = metal + 10
    for y in range(1, BUTTON_H - 1):
        grid[y][1] = metal + 1
        grid[y][2] = metal + 3
        grid[y][BUTTON_W - 2] = metal + 12
        grid[y][BUTTON_W - 3] = metal + 10

    # The coloured face, sunk into the plate by a one-pixel inner edge.
    fx0, fy0, fx1, fy1 = 5, 5, BUTTON_W - 6, BUTTON_H - 6
    pressed = state == "pressed"
    # The red run is a deeper red: its dark face sits further down.
    shift = 2 if run == "red" else 0
    if pressed and not inner_dark_only:
        top, bottom = 9 + shift // 2, 12 + shift // 2
    else:
        top, bottom = 5 + shift, 9 + shift
    for y in range(fy0, fy1 + 1):
        t = (y - fy0) / (fy1 - fy0)
        for x in range(fx0, fx1 + 1):
            grid[y][x] = base + int(round(top + (bottom - top) * t))
    edge_dark = base + (15 if pressed else 13)
    edge_light = base + (11 if pressed else 3)
    for x in range(fx0 - 1, fx1 + 2):
        grid[fy0 - 1][x] = edge_dark
        grid[fy1 + 1][x] = edge_light
    for y in range(fy0 - 1, fy1 + 2):
        grid[y][fx0 - 1] = edge_dark
        grid[y][fx1 + 1] = edge_light
    if pressed:
        # A pressed face sits deeper: a second dark edge along its top and left.
        for x in range(fx0, fx1 + 1):
            grid[fy0][x] = base + 14
        for y in range(fy0, fy1 + 1):
            grid[y][fx0] = base + 14

    # The caption, white, with a soft dark shadow; one pixel lower and further
    # right when pressed.
    mask = Image.new("L", (BUTTON_W, BUTTON_H), 0)
    shadow = Image.new("L", (BUTTON_W, BUTTON_H), 0)
    left, top_px, right, bottom_px = font.getbbox(caption)
    tx = (BUTTON_W - (right - left)) // 2 - left + (1 if pressed else 0)
    ty = (BUTTON_H - (bottom_px - top_px)) // 2 - top_px + (1 if pressed else 0)
    ImageDraw.Draw(mask).text((tx, ty), caption, font=font, fill=255)
    ImageDraw.Draw(shadow).text((tx + 1, ty + 1), caption, font=font, fill=160)
    shade_candidates = list(range(base, base + 16))
    text_candidates = shade_candidates + [255]
    for y in range(BUTTON_H):
        for x in range(BUTTON_W):
            a = mask.getpixel((x, y)) / 255.0
            s = shadow.getpixel((x, y)) / 255.0
            if a == 0 and s == 0:
                continue
            under = entries[grid[y][x]]
            colour = mix(under, entries[base + 15], s * 0.8)
            colour = mix(colour, (255, 255, 255), a)
            grid[y][x] = nearest(entries, colour, text_candidates)
    return grid


def draw_background(entries):
    """The sample disc's 640 x 480 picture: a night-blue field with a soft
    glow, the product's name, and a dark band where the buttons sit."""
    w, h = 640, 480
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        for x in range(w):
            t = y / (h - 1)
            c = mix((12, 40, 92), (2, 8, 26), t)
            # a glow behind the title
            dx, dy = (x - 320) / 300.0, (y - 150) / 150.0
            g = max(0.0, 1.0 - (dx * dx + dy * dy))
            c = mix(c, (30, 120, 170), g * 0.55)
            px[x, y] = c
    draw = ImageDraw.Draw(img)
    # Faint arcs, like the tracks of a disc.
    for r in range(160, 700, 26):
        draw.arc((320 - r, 560 - r, 320 + r, 560 + r), 200, 340, fill=(28, 70, 120), width=1)
    # The button band: a dark rounded panel with a thin light rule above and below.
    draw.rounded_rectangle((70, 326, 575, 395), radius=12, fill=(6, 14, 32), outline=(60, 110, 160), width=1)
    title_font = ImageFont.truetype(FONT_BOLD, 46)
    sub_font = ImageFont.truetype(FONT, 18)
    small = ImageFont.truetype(FONT, 12)

    def centred(text, font, y, fill, glow=None):
        left, top, right, bottom = font.getbbox(text)
        x = (w - (right - left)) // 2 - left
        if glow is not None:
            layer = Image.new("L", (w, h), 0)
            ImageDraw.Draw(layer).text((x, y), text, font=font, fill=255)
            layer = layer.filter(ImageFilter.GaussianBlur(6))
            img.paste(glow, (0, 0), layer)
        ImageDraw.Draw(img).text((x, y), text, font=font, fill=fill)

    centred("ZARNO KELVANDO", title_font, 110, (240, 246, 255), glow=(60, 160, 230))
    centred("Orvik  \u2022  companion application", sub_font, 176, (170, 205, 235))
    draw.line((180, 212, 460, 212), fill=(80, 140, 190), width=1)
    centred("Insert, install, and you are ready to go.", sub_font, 250, (200, 220, 240))
    centred("\u00a9 Zarno Kelvando. All rights reserved.", small, 445, (110, 140, 170))

    flat = []
    for e in entries:
        flat.extend(e)
    pal_img = Image.new("P", (1, 1))
    pal_img.putpalette(flat)
    quantised = img.quantize(palette=pal_img, dither=Image.Dither.FLOYDSTEINBERG)
    data = list(quantised.getdata())
    return [data[y * w:(y + 1) * w] for y in range(h)]


# The sixteen colours of a 4-bit icon: the VGA colours every Windows has.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]
ICON_SIZES = (16, 32, 48)


def draw_icon(size):
    """The disc's icon at size x size, RGBA: a silver disc with a blue sheen,
    its hole, and the tracks of the background's arcs."""
    big = size * 8
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    edge = big // 16
    draw.ellipse((edge, edge, big - edge, big - edge), fill=(196, 204, 214, 255), outline=(60, 70, 90, 255),
                 width=max(8, big // 40))
    for r, colour in ((0.40, (120, 170, 220, 255)), (0.30, (70, 120, 190, 255))):
        d = int(big * r)
        draw.ellipse((big // 2 - d, big // 2 - d, big // 2 + d, big // 2 + d), fill=colour)
    # A light across the upper left, under the label ring and the hole.
    draw.pieslice((edge, edge, big - edge, big - edge), 200, 235, fill=(245, 248, 252, 255))
    d = int(big * 0.20)
    draw.ellipse((big // 2 - d, big // 2 - d, big // 2 + d, big // 2 + d), fill=(220, 228, 236, 255),
                 outline=(60, 70, 90, 255), width=max(4, big // 80))
    hole = big // 14
    draw.ellipse((big // 2 - hole, big // 2 - hole, big // 2 + hole, big // 2 + hole), fill=(0, 0, 0, 0),
                 outline=(60, 70, 90, 255), width=max(8, big // 60))
    return img.resize((size, size), Image.LANCZOS)


def icon_bitmap(image, colours, bits):
    """One icon image as Windows stores it in an .ico: a BITMAPINFOHEADER of
    twice the height, the colour table, the colour pixels and the 1-bit
    mask (1 where the picture is clear), rows bottom-up, each padded to 4
    bytes."""
    size = image.width
    pixels = image.load()
    candidates = range(len(colours))
    xor_stride = (size * bits + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor, mask = bytearray(), bytearray()
    for y in range(size - 1, -1, -1):
        row, mask_row = bytearray(xor_stride), bytearray(and_stride)
        for x in range(size):
            r, g, b, a = pixels[x, y]
            index = nearest(colours, (r, g, b), candidates) if a >= 128 else 0
            if a < 128:
                mask_row[x // 8] |= 0x80 >> (x % 8)
            if bits == 4:
                row[x // 2] |= index << (4 if x % 2 == 0 else 0)
            else:
                row[x] = index
        xor += row
        mask += mask_row
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, len(xor) + len(mask), 0, 0,
                         len(colours), 0)
    return header + table + bytes(xor) + bytes(mask)


def write_icon(path, entries):
    """The disc's .ico: 16, 32 and 48 pixels in 4 and 8 bits (on the VGA
    colours and on the launcher's palette), for every Windows from 95, and
    256 pixels as a PNG picture for today's Explorer."""
    images = []
    for bits, colours in ((4, VGA), (8, entries)):
        for size in ICON_SIZES:
            images.append((size, len(colours) if bits == 4 else 0, bits, icon_bitmap(draw_icon(size), colours, bits)))
    png = io.BytesIO()
    draw_icon(256).save(png, "PNG", optimize=True)
    images.append((0, 0, 32, png.getvalue()))
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, count, bits, data in images:
        directory += struct.pack("<BBBBHHII", size, size, count, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(directory + b"".join(data for _, _, _, data in images))


def main():
    global RESOURCES, DISC
    if "--out" in sys.argv:
        # Somewhere else than the source tree, to look at or to try out.
        out = sys.argv[sys.argv.index("--out") + 1]
        RESOURCES = os.path.join(out, "resources")
        DISC = os.path.join(out, "disc")
        os.makedirs(RESOURCES, exist_ok=True)
        os.makedirs(DISC, exist_ok=True)
    entries = build_palette()
    text = palette_text(entries)
    assert len(text) == PALETTE_TEXT_SIZE, len(text)
    assert len(set(entries)) == 256, "palette entries must differ"
    with open(os.path.join(RESOURCES, "palette.pal"), "wb") as f:
        f.write(text)
    with open(os.path.join(RESOURCES, "captions.rc"), "wb") as f:
        f.write(captions_rc())
    os.makedirs(os.path.join(RESOURCES, "buttons"), exist_ok=True)
    for name, (caption, _, _) in BUTTONS.items():
        font, _ = captions.font_for(caption, SAMPLE.tag)
        for state in STATES:
            grid = button_picture(entries, name, state, caption, font)
            write_bmp(os.path.join(RESOURCES, "buttons", "%s_%s.bmp" % (name, state)), grid,
                      BUTTON_W, BUTTON_H, entries)
    if "--no-background" not in sys.argv:
        write_bmp(os.path.join(DISC, "backgrnd.bmp"), draw_background(entries), 640, 480, entries)
    write_icon(os.path.join(DISC, "kelvando.ico"), entries)


if __name__ == "__main__":
    main()
