#!/usr/bin/env python3
"""Draws the program icon and the hyperlink's hand cursor and writes them.

Outputs, beside this script:
  animal-ids.ico     32x32 and 16x16, 32-bit BGRA with AND masks
  animal-ids-48.png  the same picture at 48x48, for the Linux desktop file
  hand.cur           32x32 monochrome pointing hand, hot spot at the fingertip (6, 1)

Standard library only: run it again after changing a shape and commit the outputs.
"""

import math
import struct
import sys
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent

# The icon: a sheep on a meadow under a sky, in a rounded square. Shapes are
# in unit coordinates (0..1, y downwards) so every size is drawn from them.
SKY = (126, 190, 238)
GRASS = (84, 166, 62)
OUTLINE = (52, 52, 58)
WOOL = (252, 252, 248)
FACE = (44, 44, 50)
TAG = (250, 196, 24)

WOOL_CIRCLES = [
    (0.33, 0.47, 0.13), (0.47, 0.40, 0.14), (0.61, 0.44, 0.13),
    (0.32, 0.60, 0.12), (0.47, 0.62, 0.13), (0.62, 0.60, 0.12),
]


def in_rounded_square(x, y, margin=0.03, radius=0.2):
    lo, hi = margin, 1 - margin
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_ellipse(x, y, cx, cy, rx, ry, angle=0.0):
    c, s = math.cos(angle), math.sin(angle)
    dx, dy = x - cx, y - cy
    u, v = dx * c + dy * s, -dx * s + dy * c
    return (u / rx) ** 2 + (v / ry) ** 2 <= 1


def in_wool(x, y, grow=0.0):
    if in_ellipse(x, y, 0.47, 0.53, 0.22 + grow, 0.15 + grow):
        return True
    return any((x - cx) ** 2 + (y - cy) ** 2 <= (r + grow) ** 2 for cx, cy, r in WOOL_CIRCLES)


def in_leg(x, y, grow=0.0):
    for left in (0.29, 0.41, 0.53, 0.65):
        if left - grow <= x <= left + 0.055 + grow and 0.62 <= y <= 0.86 + grow:
            return True
    return False


def in_head(x, y, grow=0.0):
    return in_ellipse(x, y, 0.77, 0.45, 0.11 + grow, 0.13 + grow, -0.35)


def in_ear(x, y, grow=0.0):
    return in_ellipse(x, y, 0.70, 0.35, 0.075 + grow, 0.035 + grow, 0.5)


def in_tag(x, y, grow=0.0):
    return in_ellipse(x, y, 0.665, 0.40, 0.045 + grow, 0.05 + grow)


def icon_colour(x, y):
    """The colour at a point, or None outside the icon."""
    if not in_rounded_square(x, y):
        return None
    colour = GRASS if y > 0.70 + 0.03 * math.sin(x * 9) else SKY
    layers = [
        (lambda: in_leg(x, y, 0.025) or in_wool(x, y, 0.03) or in_head(x, y, 0.025)
         or in_ear(x, y, 0.025), OUTLINE),
        (lambda: in_leg(x, y), FACE),
        (lambda: in_wool(x, y), WOOL),
        (lambda: in_ear(x, y), FACE),
        (lambda: in_head(x, y), FACE),
        (lambda: (x - 0.80) ** 2 + (y - 0.42) ** 2 <= 0.022 ** 2, WOOL),
        (lambda: in_tag(x, y, 0.02), OUTLINE),
        (lambda: in_tag(x, y), TAG),
    ]
    for inside, paint in layers:
        if inside():
            colour = paint
    return colour


def render_icon(size, samples=6):
    """Rows of (r, g, b, a), top row first, each pixel averaged over samples^2 points."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    colour = icon_colour((px + (sx + 0.5) / samples) / size,
                                         (py + (sy + 0.5) / samples) / size)
                    if colour is not None:
                        hits += 1
                        for i in range(3):
                            total[i] += colour[i]
            if hits:
                row.append(tuple(round(t / hits) for t in total) +
                           (round(255 * hits / samples ** 2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def mask_rows(bits_rows):
    """1-bit rows (1 = set), bottom row first, each padded to 32 bits."""
    out = bytearray()
    for bits in reversed(bits_rows):
        row = bytearray((len(bits) + 31) // 32 * 4)
        for x, bit in enumerate(bits):
            if bit:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def bitmap_header(width, height, bit_count, image_size, colours=0):
    # The height counts the colour bitmap and the AND mask together.
    return struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bit_count, 0, image_size, 0, 0,
                       colours, 0)


def icon_image(rows):
    size = len(rows)
    colour = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    # The AND mask hides what is fully transparent, for readers without alpha.
    mask = mask_rows([[a == 0 for (_, _, _, a) in row] for row in rows])
    return bitmap_header(size, size, 32, len(colour) + len(mask)) + bytes(colour) + mask


def directory(kind, entries):
    """An ICO (kind 1) or CUR (kind 2) file from (width, field1, field2, colours, image)."""
    out = bytearray(struct.pack("<HHH", 0, kind, len(entries)))
    offset = 6 + 16 * len(entries)
    for width, field1, field2, colours, image in entries:
        out += struct.pack("<BBBBHHII", width, width, colours, 0, field1, field2, len(image), offset)
        offset += len(image)
    for *_, image in entries:
        out += image
    return bytes(out)


def png(rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(channel for pixel in row for channel in pixel) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# The hand: the index finger points up with its tip at the hot spot, the
# other fingers are folded over the palm, the thumb lies along the left.
HOT_SPOT = (6, 1)


def hand_shape():
    """The white inside of the hand as a set of (x, y) pixels."""
    inside = set()

    def box(left, top, right, bottom):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                inside.add((x, y))

    box(6, 2, 7, 2)             # fingertip
    box(5, 3, 8, 16)            # index finger
    box(10, 9, 11, 9)           # folded fingers, rounded tops
    box(9, 10, 11, 16)
    box(13, 10, 14, 10)
    box(12, 11, 14, 16)
    box(16, 11, 17, 11)
    box(15, 12, 17, 16)
    box(2, 13, 3, 13)           # thumb
    box(1, 14, 4, 17)
    box(2, 18, 4, 19)
    box(3, 17, 17, 21)          # palm
    box(4, 22, 16, 23)
    box(5, 24, 15, 25)
    box(6, 26, 14, 27)          # wrist
    return inside


def hand_pixels():
    """Rows of 'w' (white), 'k' (black) and '.' (transparent)."""
    inside = hand_shape()
    outline = {(x + dx, y + dy) for x, y in inside
               for dx in (-1, 0, 1) for dy in (-1, 0, 1)} - inside
    # Lines between the folded fingers, so they read as fingers.
    creases = {(9, y) for y in range(11, 15)} | {(12, y) for y in range(12, 15)} | \
              {(15, y) for y in range(13, 15)}
    rows = []
    for y in range(32):
        row = ""
        for x in range(32):
            if (x, y) in creases or (x, y) in outline:
                row += "k"
            elif (x, y) in inside:
                row += "w"
            else:
                row += "."
        rows.append(row)
    return rows


def cursor_image(rows):
    size = len(rows)
    # Monochrome: the colour mask picks white where set, the AND mask keeps the screen.
    colour = mask_rows([[c == "w" for c in row] for row in rows])
    mask = mask_rows([[c == "." for c in row] for row in rows])
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    return bitmap_header(size, size, 1, len(colour) + len(mask), 2) + palette + colour + mask


def main():
    icon = directory(1, [(size, 1, 32, 0, icon_image(render_icon(size))) for size in (32, 16)])
    (HERE / "animal-ids.ico").write_bytes(icon)
    (HERE / "animal-ids-48.png").write_bytes(png(render_icon(48)))
    hand = hand_pixels()
    assert hand[HOT_SPOT[1]][HOT_SPOT[0]] == "k", "the hot spot must be on the fingertip"
    (HERE / "hand.cur").write_bytes(directory(2, [(32, *HOT_SPOT, 2, cursor_image(hand))]))
    if "--show" in sys.argv:
        print("\n".join(hand))


if __name__ == "__main__":
    main()
