#!/usr/bin/env python3
"""Turns a cursor kept as text art into a .cur file for the resource compiler.

The art file has comment lines starting with ";", one line "hotspot X Y" and
32 rows of 32 characters: "#" black, "o" white, "." transparent. The result
is a 32 x 32 cursor at 1 bit per pixel: an AND mask (1 = transparent) and an
XOR mask over a black and white palette (0 = black, 1 = white). Inverted
pixels (AND 1, XOR 1) cannot be written in the art, so none are made.

usage: cursor-from-art.py ART CUR
"""
import struct
import sys

SIZE = 32
PIXELS = {"#": (0, 0), "o": (0, 1), ".": (1, 0)}  # character -> (AND bit, XOR bit)


def fail(path, line, message):
    sys.exit(f"{path}:{line}: {message}")


def read_art(path):
    hotspot = None
    rows = []
    with open(path, encoding="ascii") as art:
        for number, text in enumerate(art, 1):
            text = text.rstrip("\r\n")
            if not text or text.startswith(";"):
                continue
            if text.startswith("hotspot"):
                parts = text.split()
                if len(parts) != 3 or not all(p.isdigit() for p in parts[1:]):
                    fail(path, number, 'expected "hotspot X Y"')
                hotspot = (int(parts[1]), int(parts[2]))
                if not all(0 <= v < SIZE for v in hotspot):
                    fail(path, number, "hot spot outside the picture")
                continue
            if len(text) != SIZE or any(c not in PIXELS for c in text):
                fail(path, number, f'a row is {SIZE} of "#", "o" and "."')
            rows.append(text)
    if hotspot is None:
        fail(path, 0, "no hotspot line")
    if len(rows) != SIZE:
        fail(path, 0, f"{len(rows)} rows instead of {SIZE}")
    return hotspot, rows


def mask(rows, which):
    # Device-independent bitmaps store the bottom row first, 4 bytes a row here.
    data = bytearray()
    for text in reversed(rows):
        bits = 0
        for c in text:
            bits = (bits << 1) | PIXELS[c][which]
        data += bits.to_bytes(SIZE // 8, "big")
    return bytes(data)


def cursor_file(hotspot, rows):
    xor_mask, and_mask = mask(rows, 1), mask(rows, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    # The height counts both masks.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 1, 0, len(xor_mask) + len(and_mask), 0, 0, 2, 0)
    image = header + palette + xor_mask + and_mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    hotspot, rows = read_art(sys.argv[1])
    with open(sys.argv[2], "wb") as out:
        out.write(cursor_file(hotspot, rows))


if __name__ == "__main__":
    main()
