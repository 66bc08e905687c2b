#!/usr/bin/env python3
"""Draws the client programs' icon and writes it as a .ico file.

    make_program_icon.py OUTPUT.ico

The icon is a rounded square in the client's blue with a white arrow pointing
up (an update arriving), at 32 x 32 and 16 x 16 pixels, 32 bits with alpha.
The picture is computed here, so the build needs no image file.
"""

import struct
import sys

BACKGROUND = (0x1E, 0x5A, 0x96)  # R, G, B
BACKGROUND_EDGE = (0x14, 0x3C, 0x64)
ARROW = (0xFF, 0xFF, 0xFF)
SIZES = (32, 16)
SAMPLES = 4  # per axis, for smooth edges


def _inside_rounded_square(x, y, inset, radius):
    """x, y in 0..1; a square inset from the border with rounded corners."""
    low, high = inset, 1.0 - inset
    if not (low <= x <= high and low <= y <= high):
        return False
    cx = min(max(x, low + radius), high - radius)
    cy = min(max(y, low + radius), high - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def _inside_arrow(x, y):
    """An arrow pointing up: a triangular head over a shaft (y grows down)."""
    head_top, head_bottom, head_half_width = 0.18, 0.52, 0.30
    if head_top <= y <= head_bottom:
        half = head_half_width * (y - head_top) / (head_bottom - head_top)
        if abs(x - 0.5) <= half:
            return True
    return head_bottom <= y <= 0.82 and abs(x - 0.5) <= 0.11


def _colour_at(x, y):
    """(r, g, b, a) of one sample point."""
    if not _inside_rounded_square(x, y, 0.03, 0.18):
        return (0, 0, 0, 0)
    if _inside_arrow(x, y):
        return ARROW + (255,)
    if not _inside_rounded_square(x, y, 0.08, 0.14):
        return BACKGROUND_EDGE + (255,)
    return BACKGROUND + (255,)


def pixels(size):
    """Rows top to bottom of (r, g, b, a), each averaged over SAMPLES^2 points."""
    rows = []
    for row in range(size):
        line = []
        for column in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (column + (sx + 0.5) / SAMPLES) / size
                    y = (row + (sy + 0.5) / SAMPLES) / size
                    r, g, b, a = _colour_at(x, y)
                    total[0] += r * a
                    total[1] += g * a
                    total[2] += b * a
                    total[3] += a
            alpha_sum = total[3]
            if alpha_sum == 0:
                line.append((0, 0, 0, 0))
            else:
                line.append(tuple(round(c / alpha_sum) for c in total[:3]) +
                            (round(alpha_sum / SAMPLES ** 2),))
        rows.append(line)
    return rows


def icon_image(size):
    """One icon image: BITMAPINFOHEADER, bottom-up BGRA pixels, AND mask."""
    rows = pixels(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for line in reversed(rows) for r, g, b, a in line)
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for line in reversed(rows):
        bits = bytearray(mask_row_bytes)
        for column, (_, _, _, a) in enumerate(line):
            if a == 0:  # transparent where alpha is not honoured
                bits[column // 8] |= 0x80 >> (column % 8)
        mask += bits
    return header + colour + bytes(mask)


def icon_file():
    images = [icon_image(size) for size in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return data + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_program_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file())


if __name__ == "__main__":
    main()
