#!/usr/bin/env python3
"""make-icon.py OUT.ico: draws the program icon (a blue tile holding a stack of conference
records and a green "append" badge) at 16, 24, 32, 48 and 160 pixels and writes it as a
Windows icon file with 32-bit BMP images, which every Windows from XP on reads."""
import struct
import sys

SIZES = (16, 24, 32, 48, 160)
SUPERSAMPLE = 4


def rounded_rect(x, y, x0, y0, x1, y1, r):
    """True when (x, y) lies inside the rectangle with rounded corners of radius r."""
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def sample(u, v):
    """Colour (r, g, b, a) of the design at (u, v) in the unit square."""
    colour = (0, 0, 0, 0)
    # The tile: a top-to-bottom blue gradient with a darker rim.
    if rounded_rect(u, v, 0.04, 0.04, 0.96, 0.96, 0.18):
        colour = (20, 70, 120, 255)
        if rounded_rect(u, v, 0.08, 0.08, 0.92, 0.92, 0.15):
            colour = lerp((44, 132, 196), (22, 84, 146), v) + (255,)
    # Three conference records: white cards with a yellow tab.
    for i in range(3):
        top = 0.22 + i * 0.19
        if rounded_rect(u, v, 0.18, top, 0.70, top + 0.13, 0.035):
            colour = (248, 250, 252, 255)
            if u < 0.29:
                colour = (250, 196, 60, 255)
            elif 0.34 < u < 0.62 and top + 0.05 < v < top + 0.08:
                colour = (150, 170, 190, 255)
    # The append badge: a green disc with a white plus, ringed in the tile colour.
    if circle(u, v, 0.71, 0.71, 0.22):
        colour = (22, 84, 146, 255)
    if circle(u, v, 0.71, 0.71, 0.185):
        colour = (46, 170, 90, 255)
        if (abs(u - 0.71) < 0.035 and abs(v - 0.71) < 0.12) or (abs(v - 0.71) < 0.035 and abs(u - 0.71) < 0.12):
            colour = (255, 255, 255, 255)
    return colour


def render(size):
    """Rows of (b, g, r, a) pixels, top row first, antialiased by supersampling."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3]:
                pixel = (acc[2] / acc[3], acc[1] / acc[3], acc[0] / acc[3], alpha)
            else:
                pixel = (0, 0, 0, 0)
            row.append(tuple(int(round(c)) for c in pixel))
        rows.append(row)
    return rows


def bmp_image(size):
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes(c for px in row for c in px) for row in reversed(rows))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + xor + bytes(mask)


def main():
    if len(sys.argv) == 2 and sys.argv[1] in ("--help", "-h"):
        print("usage: make-icon.py OUT.ico")
        return
    if len(sys.argv) != 2 or sys.argv[1].startswith("-"):
        sys.exit("usage: make-icon.py OUT.ico")
    images = [bmp_image(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
