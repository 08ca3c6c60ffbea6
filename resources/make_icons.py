#!/usr/bin/env python3
"""Draws the menu and panel icons (32 x 32 RGBA PNG) and the application icon.

Standard library only: shapes are rasterised with 4 x 4 supersampling and
composited back to front, then written with a minimal zlib/struct PNG encoder.
Run it from anywhere; the images land beside this script.
"""

import os
import struct
import zlib

SUB = 4  # supersamples per pixel along each axis

GREY = (128, 128, 128, 255)
DARK = (70, 70, 70, 255)
LIGHT = (205, 205, 205, 255)
WHITE = (255, 255, 255, 255)
PAPER = (250, 250, 245, 255)
GREEN = (40, 170, 60, 255)
DARK_GREEN = (20, 110, 35, 255)
RED = (215, 40, 35, 255)


# --- shapes: each is a predicate inside(x, y) over pixel coordinates ---------

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 < r * r


def polygon(*pts):
    def inside(x, y):
        hit = False
        n = len(pts)
        for i in range(n):
            (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % n]
            if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                hit = not hit
        return hit
    return inside


def grow(pts, d):
    """The polygon pushed outwards by about d from its centroid: a cheap outline."""
    cx = sum(p[0] for p in pts) / len(pts)
    cy = sum(p[1] for p in pts) / len(pts)
    out = []
    for x, y in pts:
        dx, dy = x - cx, y - cy
        n = (dx * dx + dy * dy) ** 0.5 or 1.0
        out.append((x + dx / n * d * 1.6, y + dy / n * d * 1.6))
    return out


def outlined(pts, fill, edge, width=1.5):
    """A polygon filled with `fill` inside an `edge`-coloured rim."""
    return [(polygon(*grow(pts, width)), edge), (polygon(*pts), fill)]


# --- rasteriser and PNG writer ----------------------------------------------

def render(layers, size=32):
    """Composites (shape, colour) layers, first at the back; returns RGBA rows."""
    scale = size / 32.0
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SUB):
                for sx in range(SUB):
                    x = (px + (sx + 0.5) / SUB) / scale
                    y = (py + (sy + 0.5) / SUB) / scale
                    r = g = b = a = 0.0
                    for shape, (cr, cg, cb, ca) in layers:
                        if shape(x, y):
                            sa = ca / 255.0
                            r = cr * sa + r * (1 - sa)
                            g = cg * sa + g * (1 - sa)
                            b = cb * sa + b * (1 - sa)
                            a = sa + a * (1 - sa)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            n = SUB * SUB
            alpha = acc[3] / n
            if alpha > 0:
                row += bytes(int(round(c / n / alpha)) for c in acc[:3])
            else:
                row += b"\0\0\0"
            row.append(int(round(alpha * 255)))
        rows.append(bytes(row))
    return rows


def write_png(path, rows):
    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body
                + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))

    height, width = len(rows), len(rows[0]) // 4
    raw = b"".join(b"\0" + r for r in rows)  # filter type 0 on every row
    data = (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


# --- the artwork --------------------------------------------------------------

def open_icon():
    # A grey folder with a sheet of paper sticking out of it.
    return [
        (polygon((3, 8), (12, 8), (14, 11), (29, 11), (29, 27), (3, 27)), DARK),
        (polygon((4, 9), (11.5, 9), (13.5, 12), (28, 12), (28, 26), (4, 26)), GREY),
        (rect(12, 4, 27, 22), DARK),
        (rect(13, 5, 26, 21), PAPER),
        (rect(15, 8, 24, 9), LIGHT),
        (rect(15, 11, 24, 12), LIGHT),
        (rect(15, 14, 22, 15), LIGHT),
        (polygon((2, 15), (30, 15), (28, 28), (4, 28)), DARK),
        (polygon((3.2, 16), (28.8, 16), (27.1, 27), (4.9, 27)), LIGHT),
    ]


def save_icon():
    # A green arrow pointing down onto a grey drive.
    arrow = [(12, 2), (20, 2), (20, 10), (26, 10), (16, 19), (6, 10), (12, 10)]
    return [
        (rect(3, 19, 29, 30), DARK),
        (rect(4, 20, 28, 29), GREY),
        (rect(5, 21, 27, 23), LIGHT),
        (circle(24, 26, 1.5), GREEN),
        (rect(6, 25.5, 18, 26.5), DARK),
    ] + outlined(arrow, GREEN, DARK_GREEN, 1.0)


def exit_icon():
    # A red arrow entering a green door.
    arrow = [(1, 13), (10, 13), (10, 8), (19, 16), (10, 24), (10, 19), (1, 19)]
    return [
        (rect(13, 2, 31, 31), DARK_GREEN),
        (rect(15, 4, 29, 31), GREEN),
        (circle(26, 17, 1.4), (240, 220, 90, 255)),
    ] + outlined(arrow, RED, (140, 20, 15, 255), 1.0)


def play_icon():
    # A white right-pointing triangle with a grey outline.
    return outlined([(9, 5), (26, 16), (9, 27)], WHITE, GREY, 1.6)


def pause_icon():
    # Two white upright bars with a grey outline.
    return [
        (rect(7, 5, 14, 27), GREY),
        (rect(8.5, 6.5, 12.5, 25.5), WHITE),
        (rect(18, 5, 25, 27), GREY),
        (rect(19.5, 6.5, 23.5, 25.5), WHITE),
    ]


def step_icon():
    # Grey skip-forward: two right-pointing triangles and a bar.
    return [
        (polygon((3, 7), (14, 16), (3, 25)), GREY),
        (polygon((13, 7), (24, 16), (13, 25)), GREY),
        (rect(24, 7, 28, 25), GREY),
    ]


def back_icon():
    # Grey skip-back: a bar and two left-pointing triangles.
    return [
        (rect(4, 7, 8, 25), GREY),
        (polygon((19, 7), (8, 16), (19, 25)), GREY),
        (polygon((29, 7), (18, 16), (29, 25)), GREY),
    ]


def app_icon():
    # The apparatus from the front: a stand, a rod and a bob above three magnets.
    return [
        (circle(16, 16, 15.5), (45, 55, 75, 255)),
        (rect(4, 25, 28, 27), LIGHT),
        (rect(6, 4, 8, 25), LIGHT),
        (rect(6, 4, 17, 6), LIGHT),
        (polygon((15.5, 5), (16.5, 5), (20.5, 19), (19.5, 19)), WHITE),
        (circle(20, 19.5, 2.6), (255, 240, 160, 255)),
        (circle(11, 23.5, 1.8), RED),
        (circle(17, 23.5, 1.8), GREEN),
        (circle(23, 23.5, 1.8), (50, 90, 230, 255)),
    ]


ICONS = {
    "open.png": (open_icon, 32),
    "save.png": (save_icon, 32),
    "exit.png": (exit_icon, 32),
    "play.png": (play_icon, 32),
    "pause.png": (pause_icon, 32),
    "step.png": (step_icon, 32),
    "back.png": (back_icon, 32),
    "orvalis.png": (app_icon, 64),
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, (draw, size) in ICONS.items():
        write_png(os.path.join(here, name), render(draw(), size))


if __name__ == "__main__":
    main()
