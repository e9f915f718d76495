#!/usr/bin/env python3
"""Draws the window's images: the two button bitmaps (24-bit BMP, light grey
background that the window draws transparent) and the program icon (PNG with alpha) at
16, 32, 48, 128 and 256 pixels: a table on a card turning into a pair of braces.

Run once after changing a picture; the files are committed and compiled into the
program. Only the standard library is used."""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GREY = (192, 192, 192)


def write_bmp(path, width, height, pixel):
    """24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y counted from the top."""
    row_size = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        rows += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + rows)


def write_png(path, size, rgba):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for y in range(size):
        raw.append(0)
        for x in range(size):
            raw += bytes(rgba[y * size + x])
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def convert_pixel(x, y):
    # A green triangle pointing right: x from 4 to 12, widest at the middle rows.
    cy = 7.5
    half = (x - 3.5) * 0.75
    if 4 <= x <= 12 and abs(y - cy) <= 6.5 - half:
        return (0, 150, 40) if x < 12 or abs(y - cy) < 1 else GREY
    return GREY


def quit_pixel(x, y):
    # A red cross two pixels thick, one pixel from the edges.
    if 1 <= x <= 10 and 1 <= y <= 10 and (abs(x - y) <= 1 or abs(x + y - 11) <= 1):
        return (200, 0, 0)
    return GREY


# The icon in unit coordinates: shapes are painted in order with anti-aliasing.
CARD = (0.06, 0.10, 0.94, 0.90)
INK = (46, 58, 79)
BLUE = (47, 111, 178)
ORANGE = (224, 123, 34)


def brace_points(x0, x1, y0, y1):
    """A curly brace from (x1, y0) bulging to x0 at the middle, as a polyline."""
    mid = (y0 + y1) / 2
    pts = []
    segments = [
        ((x1, y0), (x0 + (x1 - x0) * 0.35, y0), (x0 + (x1 - x0) * 0.35, y0 + (mid - y0) * 0.35)),
        ((x0 + (x1 - x0) * 0.35, y0 + (mid - y0) * 0.35), (x0 + (x1 - x0) * 0.35, mid), (x0, mid)),
        ((x0, mid), (x0 + (x1 - x0) * 0.35, mid), (x0 + (x1 - x0) * 0.35, mid + (y1 - mid) * 0.65)),
        ((x0 + (x1 - x0) * 0.35, mid + (y1 - mid) * 0.65), (x0 + (x1 - x0) * 0.35, y1), (x1, y1)),
    ]
    for a, c, b in segments:
        for i in range(9):
            t = i / 8
            px = (1 - t) ** 2 * a[0] + 2 * (1 - t) * t * c[0] + t * t * b[0]
            py = (1 - t) ** 2 * a[1] + 2 * (1 - t) * t * c[1] + t * t * b[1]
            pts.append((px, py))
    return pts


def icon_shapes(size):
    line = max(1.0 / size, 0.035)
    shapes = [("roundrect", CARD, 0.12, (250, 251, 253)), ("roundrect_outline", CARD, 0.12, INK, line)]
    # The table: header row filled, grid lines.
    tx0, ty0, tx1, ty1 = 0.15, 0.25, 0.50, 0.75
    shapes.append(("rect", (tx0, ty0, tx1, ty0 + 0.12), BLUE))
    rows = (ty0, ty0 + 0.12, ty0 + 0.25, ty0 + 0.375, ty1)
    if size <= 16:
        rows = (ty0, ty1)  # a header and a body: finer lines would blur into one
    for y in rows:
        shapes.append(("line", [(tx0, y), (tx1, y)], BLUE, line))
    for x in (tx0, (tx0 + tx1) / 2, tx1):
        shapes.append(("line", [(x, ty0), (x, ty1)], BLUE, line))
    # The braces.
    stroke = max(1.2 / size, 0.055)
    left = brace_points(0.58, 0.68, 0.25, 0.75)
    right = [(1.48 - px, py) for px, py in left]  # the closing brace, mirrored
    shapes.append(("line", left, ORANGE, stroke))
    shapes.append(("line", right, ORANGE, stroke))
    return shapes


def dist_to_segment(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    qx, qy = ax + t * dx, ay + t * dy
    return math.hypot(px - qx, py - qy)


def in_roundrect(px, py, rect, radius):
    x0, y0, x1, y1 = rect
    cx = min(max(px, x0 + radius), x1 - radius)
    cy = min(max(py, y0 + radius), y1 - radius)
    return math.hypot(px - cx, py - cy) <= radius


def covers(shape, px, py):
    kind = shape[0]
    if kind == "roundrect":
        return in_roundrect(px, py, shape[1], shape[2])
    if kind == "roundrect_outline":
        x0, y0, x1, y1 = shape[1]
        w = shape[4]
        inner = (x0 + w, y0 + w, x1 - w, y1 - w)
        return in_roundrect(px, py, shape[1], shape[2]) and not in_roundrect(px, py, inner, shape[2] - w)
    if kind == "rect":
        x0, y0, x1, y1 = shape[1]
        return x0 <= px <= x1 and y0 <= py <= y1
    pts, width = shape[1], shape[3]
    return any(dist_to_segment(px, py, pts[i], pts[i + 1]) <= width / 2 for i in range(len(pts) - 1))


def shape_colour(shape):
    return shape[3] if shape[0] in ("roundrect", "roundrect_outline") else shape[2]


def render_icon(size):
    samples = 4 if size <= 48 else 2
    shapes = icon_shapes(size)
    pixels = []
    for y in range(size):
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    px = (x + (sx + 0.5) / samples) / size
                    py = (y + (sy + 0.5) / samples) / size
                    colour = None
                    for shape in shapes:
                        if covers(shape, px, py):
                            colour = shape_colour(shape)
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = samples * samples
            if acc[3] == 0:
                pixels.append((0, 0, 0, 0))
            else:
                pixels.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]),
                               round(acc[2] / acc[3]), round(255 * acc[3] / n)))
    return pixels


def main():
    write_bmp(os.path.join(HERE, "convert.bmp"), 16, 16, convert_pixel)
    write_bmp(os.path.join(HERE, "quit.bmp"), 12, 12, quit_pixel)
    for size in (16, 32, 48, 128, 256):
        write_png(os.path.join(HERE, "corvane-%d.png" % size), size, render_icon(size))


if __name__ == "__main__":
    main()
