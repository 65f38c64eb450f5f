#!/usr/bin/env python3
"""Draws the program icon, a pair of round glasses, and writes resources/vellarn.ico
(16, 32 and 48 pixels, 32-bit with alpha). Run from the repository root."""
import math
import struct


def glasses_pixel(x, y, size):
    """Colour (b, g, r, a) of the pixel centre (x, y) of a size x size icon."""
    s = size / 48.0
    cy = 25 * s
    radius = 10.5 * s
    rim = max(1.2, 2.6 * s)
    shade = (40, 30, 30)
    for cx in (13 * s, 35 * s):
        d = math.hypot(x - cx, y - cy)
        if abs(d - radius) <= rim / 2:
            return (*shade, 255)
        if d < radius - rim / 2:
            return (230, 200, 160, 150)  # lens: light blue, translucent
    # Bridge: a short arc between the rims.
    if 22 * s <= x <= 26 * s and abs(y - (cy - 4 * s) - ((x - 24 * s) ** 2) / (8 * s)) <= rim / 2:
        return (*shade, 255)
    # Temples: thin lines outward from the rims' outer edges.
    if (x <= 2.5 * s or x >= 45.5 * s) and abs(y - (cy - 5 * s)) <= rim / 2:
        return (*shade, 255)
    return (0, 0, 0, 0)


def image_entry(size):
    """The BITMAPINFOHEADER, bottom-up BGRA pixels and AND mask of one icon image."""
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in range(size - 1, -1, -1):
        mask_row = bytearray(mask_stride)
        for col in range(size):
            b, g, r, a = glasses_pixel(col + 0.5, row + 0.5, size)
            pixels += bytes((b, g, r, a))
            if a == 0:
                mask_row[col // 8] |= 0x80 >> (col % 8)
        mask += mask_row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def main():
    sizes = (16, 32, 48)
    images = [image_entry(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open("resources/vellarn.ico", "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
