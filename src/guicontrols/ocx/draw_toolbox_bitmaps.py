#!/usr/bin/env python3
"""Draws the 16x16 toolbox bitmaps of VelmoraGUI.ocx as 4-bit Windows .bmp files.

The .bmp files are kept beside this script, so the build needs no Python; run it again after
changing a drawing. The bottom-left pixel is magenta: toolbox hosts treat that colour as transparent.
"""
import os
import struct

PALETTE = [
    ("k", (0x00, 0x00, 0x00)), ("m", (0x80, 0x00, 0x00)), ("d", (0x00, 0x80, 0x00)), ("o", (0x80, 0x80, 0x00)),
    ("n", (0x00, 0x00, 0x80)), ("p", (0x80, 0x00, 0x80)), ("t", (0x00, 0x80, 0x80)), ("s", (0xC0, 0xC0, 0xC0)),
    ("g", (0x80, 0x80, 0x80)), ("r", (0xFF, 0x00, 0x00)), ("l", (0x00, 0xFF, 0x00)), ("y", (0xFF, 0xFF, 0x00)),
    ("b", (0x00, 0x00, 0xFF)), (".", (0xFF, 0x00, 0xFF)), ("c", (0x00, 0xFF, 0xFF)), ("w", (0xFF, 0xFF, 0xFF)),
]
INDEX = {letter: i for i, (letter, _) in enumerate(PALETTE)}

# A raised panel with a navy title bar carrying a caption.
BEVEL = """
................
wwwwwwwwwwwwwwwg
wnnnnnnnnnnnnnng
wnwwwwwnnnnnnnng
wnnnnnnnnnnnnnng
gggggggggggggggg
wwwwwwwwwwwwwwww
wssssssssssssssg
wssssssssssssssg
wssssssssssssssg
wssssssssssssssg
wssssssssssssssg
wssssssssssssssg
wssssssssssssssg
gggggggggggggggg
................
"""

# Two etched separators, a horizontal and a vertical one, on the button face.
ETCHED = """
................
.ssssssssssssss.
.ssssssssgwsss..
.ssssssssgwsss..
.ssssssssgwsss..
.ssssssssgwsss..
.ggggggggggwggg.
.wwwwwwwwwwwwww.
.ssssssssgwsss..
.ssssssssgwsss..
.ssssssssgwsss..
.ssssssssgwsss..
.ssssssssgwsss..
.ssssssssssssss.
................
................
"""


def parse(name, art):
    rows = [line.ljust(16, ".")[:16] for line in art.strip("\n").split("\n")]
    if len(rows) != 16:
        raise SystemExit(f"{name}: the drawing must be 16 rows")
    if rows[15][0] != ".":
        raise SystemExit(f"{name}: the bottom-left pixel must be the transparent magenta")
    return [[INDEX[ch] for ch in r] for r in rows]


def bmp_bytes(pixels):
    height, width = len(pixels), len(pixels[0])
    stride = ((width * 4 + 31) // 32) * 4
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray((row[x] << 4) | row[x + 1] for x in range(0, width, 2))
        body += line + b"\0" * (stride - len(line))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    header_size = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(body), 2835, 2835, 16, 0)
    return struct.pack("<2sIHHI", b"BM", header_size + len(body), 0, 0, header_size) + info + palette + bytes(body)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, art in (("bevel", BEVEL), ("etchedline", ETCHED)):
        with open(os.path.join(here, f"{name}.bmp"), "wb") as out:
            out.write(bmp_bytes(parse(name, art)))
