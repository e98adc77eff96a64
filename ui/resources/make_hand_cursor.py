#!/usr/bin/env python3
"""Writes HAND-M.CUR: a 32x32 pointing-hand cursor (32-bit colour plus mask).

Run from this folder: python3 make_hand_cursor.py
"""
import struct

ART = [
    "     XX           ",
    "    X..X          ",
    "    X..X          ",
    "    X..X          ",
    "    X..X          ",
    "    X..XXX        ",
    "    X..X..XXX     ",
    "    X..X..X..XX   ",
    "    X..X..X..X.X  ",
    " XX X..X..X..X..X ",
    "X..XX...........X ",
    "X...X...........X ",
    " X..............X ",
    "  X.............X ",
    "  X............X  ",
    "   X...........X  ",
    "   X..........X   ",
    "    X.........X   ",
    "    X.........X   ",
    "    XXXXXXXXXXX   ",
]
SIZE = 32
HOTSPOT = (5, 0)   # the finger tip


def pixel(x, y):
    """BGRA of the picture at (x, y), y counted from the top."""
    if y < len(ART) and x < len(ART[y]):
        c = ART[y][x]
        if c == "X":
            return (0, 0, 0, 255)
        if c == ".":
            return (255, 255, 255, 255)
    return (0, 0, 0, 0)


def bitmap():
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes(pixel(x, y)) for y in reversed(range(SIZE)) for x in range(SIZE))
    mask = b""
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if pixel(x, y)[3] == 0:
                bits |= 1 << (SIZE - 1 - x)
        mask += struct.pack(">I", bits)
    return header + colour + mask


def main():
    image = bitmap()
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOTSPOT[0], HOTSPOT[1],
                        len(image), 6 + 16)
    with open("HAND-M.CUR", "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    main()
