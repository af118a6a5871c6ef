#!/usr/bin/python3
"""Draw Faultnote's icon: a red beetle on a transparent ground, in 16x16, 32x32 and 48x48.

    /usr/bin/python3 scripts/make-faultnote-art.py            # writes src/faultnote/res/faultnote.ico
    /usr/bin/python3 scripts/make-faultnote-art.py --out FILE

Pure Python 3 standard library and deterministic, so the icon is committed beside this script.
Each pixel is sampled 4x4 times; shapes are painted back to front. 32-bit BGRA with straight alpha
plus the 1-bit AND mask (set where alpha is 0).
"""
import math
import os
import struct
import sys

BLACK = (34, 30, 32)
RED = (214, 40, 40)
RED_DARK = (150, 22, 26)
SHINE = (255, 170, 160)


def inside_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def near_segment(x, y, ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return math.hypot(x - px, y - py) <= width / 2


def colour_at(x, y):
    """Colour of the unit-square drawing (0..1) at (x, y), or None for the ground."""
    line = 0.05
    # Body: the wing cases, split down the middle, with spots and a highlight.
    if inside_ellipse(x, y, 0.5, 0.6, 0.3, 0.33):
        if not inside_ellipse(x, y, 0.5, 0.6, 0.3 - line, 0.33 - line):
            return RED_DARK
        if abs(x - 0.5) < line / 2 and y > 0.32:
            return BLACK
        for sx, sy, r in ((0.37, 0.5, 0.065), (0.63, 0.5, 0.065), (0.38, 0.72, 0.06), (0.62, 0.72, 0.06)):
            if math.hypot(x - sx, y - sy) <= r:
                return BLACK
        if inside_ellipse(x, y, 0.36, 0.38, 0.07, 0.04):
            return SHINE
        return RED
    # Head.
    if inside_ellipse(x, y, 0.5, 0.27, 0.15, 0.11):
        return BLACK
    # Legs and antennae.
    segments = [(0.26, 0.5, 0.1, 0.42), (0.23, 0.62, 0.07, 0.64), (0.27, 0.76, 0.12, 0.88),
                (0.74, 0.5, 0.9, 0.42), (0.77, 0.62, 0.93, 0.64), (0.73, 0.76, 0.88, 0.88),
                (0.44, 0.19, 0.33, 0.06), (0.56, 0.19, 0.67, 0.06)]
    for ax, ay, bx, by in segments:
        if near_segment(x, y, ax, ay, bx, by, 0.06):
            return BLACK
    return None


def render(size):
    n = 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(n):
                for sx in range(n):
                    c = colour_at((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    if c:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            if a:
                row.append((r // a, g // a, b // a, round(255 * a / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(size):
    rows = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(struct.pack('<BBBB', b, g, r, a) for row in reversed(rows) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def main():
    out = os.path.join(os.path.dirname(__file__), '..', 'src', 'faultnote', 'res', 'faultnote.ico')
    if len(sys.argv) == 3 and sys.argv[1] == '--out':
        out = sys.argv[2]
    sizes = (16, 32, 48)
    images = [icon_image(s) for s in sizes]
    data = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        data += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b''.join(images)
    with open(out, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
