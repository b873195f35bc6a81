#!/usr/bin/env python3
"""Writes pelmora.ico: one 32 x 32 image in 16 colours (4 bits a pixel).

The picture, a blue parcel with a down arrow on a clear background, is drawn
from the rows below; each letter names a colour of the palette.
"""
import struct
import sys

# The standard 16-colour palette, as (blue, green, red).
PALETTE = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0x80), (0x00, 0x80, 0x00), (0x00, 0x80, 0x80),
    (0x80, 0x00, 0x00), (0x80, 0x00, 0x80), (0x80, 0x80, 0x00), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0x00, 0x00, 0xFF), (0x00, 0xFF, 0x00), (0x00, 0xFF, 0xFF),
    (0xFF, 0x00, 0x00), (0xFF, 0x00, 0xFF), (0xFF, 0xFF, 0x00), (0xFF, 0xFF, 0xFF),
]
# Letter -> palette index; '.' is transparent.
COLOURS = {"k": 0, "n": 4, "b": 12, "g": 7, "d": 8, "w": 15, "y": 11}

ROWS = [
    "................................",
    "..............kkkk..............",
    "..............kyyk..............",
    "..............kyyk..............",
    "..............kyyk..............",
    "..............kyyk..............",
    "..........kkkkkyykkkkk..........",
    "...........kyyyyyyyyk...........",
    "............kyyyyyyk............",
    ".............kyyyyk.............",
    "..............kyyk..............",
    "....kkkkkkkkkkkkkkkkkkkkkkkk....",
    "...kbbbbbbbbbbbbbbbbbbbbbbbbk...",
    "..kbbbbbbbbbbbbbbbbbbbbbbbbbbk..",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..knnnnnnnnnnnwwwwnnnnnnnnnnnk..",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    "...dddddddddddddddddddddddddddd.",
    "................................",
    "................................",
]
SIZE = 32


def image_bytes():
    if len(ROWS) != SIZE or any(len(row) != SIZE for row in ROWS):
        raise ValueError("the picture must be 32 rows of 32 letters")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for b, g, r in PALETTE)
    colour_rows = []
    mask_rows = []
    for row in reversed(ROWS):  # bitmaps are stored bottom row first
        indices = [COLOURS.get(letter, 0) for letter in row]
        colour_rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for letter in row:
            bits = (bits << 1) | (1 if letter == "." else 0)
        mask_rows.append(bits.to_bytes(SIZE // 8, "big"))  # 4 bytes: already 32-bit aligned
    return header + palette + b"".join(colour_rows) + b"".join(mask_rows)


def icon_file():
    image = image_bytes()
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "pelmora.ico"
    with open(path, "wb") as out:
        out.write(icon_file())


if __name__ == "__main__":
    main()
