#!/usr/bin/env python3
"""Draws the program icon, a yellow sticky note with a folded corner and ruled lines, and
writes it at 16 x 16 and 32 x 32 as a Windows .ico file (first argument). With a folder as
second argument it also writes quillpost-16.png, -32, -48 and -256 there, for the icon
themes of Linux desktops."""
import os
import struct
import sys
import zlib

YELLOW = (255, 242, 128, 255)
EDGE = (196, 160, 40, 255)
FOLD = (230, 200, 80, 255)
LINE = (150, 140, 110, 255)
CLEAR = (0, 0, 0, 0)


def pixel(size, x, y):
    fold = size // 4
    last = size - 1
    inset = max(1, size // 16)
    # Edges and lines a pixel wide up to 32 x 32, thicker in the large sizes.
    width = max(1, size // 32)
    far = last - inset + 1
    if x < inset or y < inset or x > far or y > far:
        return CLEAR
    # The bottom-right corner is folded over.
    diagonal = x + y - (2 * last - fold - inset)
    if diagonal > 0:
        return CLEAR
    if diagonal > -width:
        return EDGE
    if x > last - fold - inset and y > last - fold - inset:
        return FOLD
    if x < inset + width or y < inset + width or x > far - width or y > far - width:
        return EDGE
    step = 3 if size <= 16 else max(5, size * 5 // 32)
    if y > inset + step and (y - inset) % step < width and inset + 2 * width <= x <= last - inset - 2 * width:
        return LINE
    return YELLOW


def ico_image(size):
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


def write_ico(path):
    sizes = (16, 32)
    images = [ico_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def write_png(path, size):
    # Eight-bit RGBA rows, each after filter type 0.
    rows = b"".join(b"\0" + b"".join(bytes(pixel(size, x, y)) for x in range(size)) for y in range(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", zlib.compress(rows, 9))
                + png_chunk(b"IEND", b""))


def main():
    write_ico(sys.argv[1])
    if len(sys.argv) > 2:
        os.makedirs(sys.argv[2], exist_ok=True)
        for size in (16, 32, 48, 256):
            write_png(os.path.join(sys.argv[2], f"quillpost-{size}.png"), size)


main()
