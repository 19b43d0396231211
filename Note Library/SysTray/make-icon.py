#!/usr/bin/env python3
"""Draws the program icon, a yellow sticky note with a folded corner and ruled lines,
at 16 x 16 and 32 x 32, and writes it as a Windows .ico file (argument: output path)."""
import struct
import sys

YELLOW = (255, 242, 128, 255)
EDGE = (196, 160, 40, 255)
FOLD = (230, 200, 80, 255)
LINE = (150, 140, 110, 255)
CLEAR = (0, 0, 0, 0)


def pixel(size, x, y):
    fold = size // 4
    last = size - 1
    inset = 1 if size <= 16 else 2
    if x < inset or y < inset or x > last - inset + 1 or y > last - inset + 1:
        return CLEAR
    # The bottom-right corner is folded over.
    if x + y > 2 * last - fold - inset:
        return CLEAR
    if x + y == 2 * last - fold - inset:
        return EDGE
    if x > last - fold - inset and y > last - fold - inset:
        return FOLD
    if x in (inset, last - inset + 1) or y in (inset, last - inset + 1):
        return EDGE
    step = 3 if size <= 16 else 5
    if y > inset + step and (y - inset) % step == 0 and inset + 2 <= x <= last - inset - 2:
        return LINE
    return YELLOW


def image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up
        row = b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in (pixel(size, x, y) for x in range(size)))
        rows.append(row)
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        bits = bytearray(mask_row)
        for x in range(size):
            if pixel(size, x, y)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + bytes(mask)


def main():
    sizes = (16, 32)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))


main()
