#!/usr/bin/env python3
"""Turns a cursor kept as text art into a .cur file for the resource compiler.

The art file holds one or more square pictures of different sizes (up to 256),
each a line "hotspot X Y" followed by its rows, as many as each row has
characters: "#" black, "o" white, "." transparent. Lines starting with ";" are
comments. The result is one cursor with the pictures as its images, in the
order of the file, each at 1 bit per pixel: an AND mask (1 = transparent) and
an XOR mask over a black and white palette (0 = black, 1 = white). Inverted
pixels (AND 1, XOR 1) cannot be written in the art, so none are made.

usage: cursor-from-art.py ART CUR
"""
import struct
import sys

MAX_SIZE = 256
PIXELS = {"#": (0, 0), "o": (0, 1), ".": (1, 0)}  # character -> (AND bit, XOR bit)


def fail(path, line, message):
    sys.exit(f"{path}:{line}: {message}")


def read_art(path):
    pictures = []  # [line number, hotspot, rows]
    with open(path, encoding="ascii") as art:
        for number, text in enumerate(art, 1):
            text = text.rstrip("\r\n")
            if not text or text.startswith(";"):
                continue
            if text.startswith("hotspot"):
                parts = text.split()
                if len(parts) != 3 or not all(p.isdigit() for p in parts[1:]):
                    fail(path, number, 'expected "hotspot X Y"')
                pictures.append([number, (int(parts[1]), int(parts[2])), []])
                continue
            if not pictures:
                fail(path, number, "a row before the first hotspot line")
            rows = pictures[-1][2]
            width = len(rows[0]) if rows else len(text)
            if len(text) != width or not 0 < width <= MAX_SIZE or any(c not in PIXELS for c in text):
                fail(path, number, f'a row is {width} of "#", "o" and "."')
            rows.append(text)
    if not pictures:
        fail(path, 0, "no hotspot line")
    sizes = set()
    for number, hotspot, rows in pictures:
        size = len(rows[0]) if rows else 0
        if len(rows) != size or size == 0:
            fail(path, number, f"{len(rows)} rows in a picture {size} wide")
        if not all(0 <= v < size for v in hotspot):
            fail(path, number, "hot spot outside the picture")
        if size in sizes:
            fail(path, number, f"a second picture of {size} x {size}")
        sizes.add(size)
    return [(hotspot, rows) for _, hotspot, rows in pictures]


def mask(rows, which):
    # Device-independent bitmaps store the bottom row first, each row padded to 4 bytes.
    stride = (len(rows[0]) + 31) // 32 * 4
    data = bytearray()
    for text in reversed(rows):
        bits = 0
        for c in text:
            bits = (bits << 1) | PIXELS[c][which]
        data += (bits << (stride * 8 - len(text))).to_bytes(stride, "big")
    return bytes(data)


def image(rows):
    size = len(rows)
    xor_mask, and_mask = mask(rows, 1), mask(rows, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    # The height counts both masks.
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 1, 0, len(xor_mask) + len(and_mask), 0, 0, 2, 0)
    return header + palette + xor_mask + and_mask


def cursor_file(pictures):
    images = [image(rows) for _, rows in pictures]
    directory = struct.pack("<HHH", 0, 2, len(pictures))
    offset = len(directory) + 16 * len(pictures)
    for (hotspot, rows), data in zip(pictures, images):
        size = len(rows) % 256  # 0 stands for 256
        directory += struct.pack("<BBBBHHII", size, size, 2, 0, hotspot[0], hotspot[1], len(data), offset)
        offset += len(data)
    return directory + b"".join(images)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    pictures = read_art(sys.argv[1])
    with open(sys.argv[2], "wb") as out:
        out.write(cursor_file(pictures))


if __name__ == "__main__":
    main()
