#!/usr/bin/env python3
"""Draws the application icon (app/app.ico): a rounded square with a blue gradient and a white
play triangle, at 16, 24, 32, 48 and 256 pixels. Run it again after changing the drawing."""
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)
SAMPLES = 4  # supersampling per axis for smooth edges


def inside_rounded_square(x, y, size):
    radius = size * 0.22
    lo, hi = radius, size - radius
    cx = min(max(x, lo), hi)
    cy = min(max(y, lo), hi)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_triangle(x, y, size):
    ax, ay = size * 0.38, size * 0.27
    bx, by = size * 0.38, size * 0.73
    cx, cy = size * 0.75, size * 0.50

    def side(px, py, qx, qy, rx, ry):
        return (qx - px) * (ry - py) - (qy - py) * (rx - px)

    d1 = side(ax, ay, bx, by, x, y)
    d2 = side(bx, by, cx, cy, x, y)
    d3 = side(cx, cy, ax, ay, x, y)
    return (d1 <= 0 and d2 <= 0 and d3 <= 0) or (d1 >= 0 and d2 >= 0 and d3 >= 0)


def background(y, size):
    t = y / size
    top, bottom = (38, 160, 255), (24, 58, 150)
    return tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))


def pixel(px, py, size):
    cover = tri = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = px + (sx + 0.5) / SAMPLES
            y = py + (sy + 0.5) / SAMPLES
            if inside_rounded_square(x, y, size):
                cover += 1
                if inside_triangle(x, y, size):
                    tri += 1
    n = SAMPLES * SAMPLES
    if cover == 0:
        return (0, 0, 0, 0)
    r, g, b = background(py + 0.5, size)
    w = tri / cover
    rgb = tuple(int(c + (255 - c) * w) for c in (r, g, b))
    return rgb + (int(255 * cover / n),)


def rows(size):
    return [[pixel(x, y, size) for x in range(size)] for y in range(size)]


def bmp_entry(size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows(size)):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    return header + bytes(pixels) + bytes(mask_row * size)


def png_entry(size):
    raw = bytearray()
    for row in rows(size):
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    ihdr = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b'')


def main(path):
    images = [png_entry(s) if s >= 256 else bmp_entry(s) for s in SIZES]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        dim = 0 if size >= 256 else size
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'app/app.ico')
