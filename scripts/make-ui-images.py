#!/usr/bin/env python3
"""Draws the settings dialog's own images: the logo of the header and the two
images of the additional menu, as 24-bit BMP files in ui/images. Run once; the
results are committed, so the build needs nothing of this."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ui", "images")

# 5 x 7 glyphs, scaled up where they are drawn.
GLYPHS = {
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "G": ["01111", "10000", "10000", "10011", "10001", "10001", "01111"],
    "?": ["01110", "10001", "00001", "00110", "00100", "00000", "00100"],
}


def canvas(size, colour):
    return [[colour] * size for _ in range(size)]


def rounded_square(pixels, colour, inset, radius):
    size = len(pixels)
    lo, hi = inset, size - 1 - inset
    for y in range(lo, hi + 1):
        for x in range(lo, hi + 1):
            cx = min(max(x, lo + radius), hi - radius)
            cy = min(max(y, lo + radius), hi - radius)
            if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                pixels[y][x] = colour


def text(pixels, word, colour, scale, top, left):
    for index, letter in enumerate(word):
        for row, line in enumerate(GLYPHS[letter]):
            for col, bit in enumerate(line):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            x = left + (index * 6 + col) * scale + dx
                            pixels[top + row * scale + dy][x] = colour


def save(name, pixels):
    size = len(pixels)
    stride = (size * 3 + 3) & ~3
    rows = b""
    for row in reversed(pixels):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        rows += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(rows), 3780, 3780, 0, 0)
    with open(os.path.join(OUT, name), "wb") as file:
        file.write(header + info + rows)


ORANGE, NAVY, WHITE = (0xFF, 0xC6, 0x00), (0x1F, 0x3A, 0x5F), (0xFF, 0xFF, 0xFF)
BLUE, GREEN = (0x2B, 0x6C, 0xB0), (0x2F, 0x85, 0x5A)

# A dark square with the gateway's initials on the orange-yellow header.
logo = canvas(40, ORANGE)
rounded_square(logo, NAVY, 1, 7)
text(logo, "SG", WHITE, 3, 9, 4)
save("logo.bmp", logo)

# Menu images fill their whole square, so no colour needs to turn transparent.
help_image = canvas(16, BLUE)
text(help_image, "?", WHITE, 2, 1, 3)
save("help.bmp", help_image)

action = canvas(16, GREEN)
for y in range(3, 13):
    for x in range(5, 5 + (6 - abs(y - 8)) + 1):
        action[y][x] = WHITE
save("action.bmp", action)
