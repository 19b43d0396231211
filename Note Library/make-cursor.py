#!/usr/bin/env python3
"""Draws the close label's pointer, a hand under a small cross, and writes it as a
monochrome 32 x 32 Windows .cur file hot at the cross's centre (argument: output path)."""
import struct
import sys

# '#' black, '.' white, anything else transparent.
ART = [
    "",
    "",
    "",
    "",
    "",
    "             #",
    "             #",
    "             #",
    "             #",
    "         #########",
    "             #",
    "             #",
    "             #",
    "             #",
    "",
    "           ####",
    "           #..#",
    "           #..#",
    "           #..#####",
    "           #..#..#.##",
    "       ### #..#..#..#",
    "       #..##........#",
    "       #...#........#",
    "        #...........#",
    "        #...........#",
    "         #..........#",
    "         #.........#",
    "          #........#",
    "          #........#",
    "          ##########",
]
SIZE = 32
HOTSPOT = (13, 9)


def at(x, y):
    row = ART[y] if y < len(ART) else ""
    return row[x] if x < len(row) else " "


def rows(bit):
    data = b""
    for y in reversed(range(SIZE)):  # bottom-up
        value = 0
        for x in range(SIZE):
            if bit(at(x, y)):
                value |= 1 << (SIZE - 1 - x)
        data += struct.pack(">I", value)
    return data


def main():
    xor = rows(lambda c: c == ".")  # white where set
    mask = rows(lambda c: c not in "#.")  # transparent where set
    palette = struct.pack("<II", 0x000000, 0xFFFFFF)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0, len(xor) + len(mask), 0, 0, 2, 0)
    image = header + palette + xor + mask
    out = struct.pack("<HHH", 0, 2, 1)
    out += struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOTSPOT[0], HOTSPOT[1], len(image), 6 + 16)
    with open(sys.argv[1], "wb") as f:
        f.write(out + image)


main()
