#!/usr/bin/env python3
"""Draws the file browser's row images xml.png (blue) and kml.png (grey): a page with a folded
corner, a coloured band and a route line across it. Standard library only."""
import struct
import zlib

SIZE = 64


def png(path, pixels):
    raw = b"".join(b"\x00" + bytes(row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
                  + chunk(b"IEND", b""))


def icon(band):
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            color = (0, 0, 0, 0)
            left, right, top, bottom, fold = 12, 52, 4, 60, 12
            inside = left <= x < right and top <= y < bottom and not (x - (right - fold) > y - top)
            if inside:
                edge = x in (left, right - 1) or y in (top, bottom - 1) or x - (right - fold) == y - top
                color = (90, 90, 90, 255) if edge else (255, 255, 255, 255)
                if 40 <= y < 52 and left < x < right - 1:
                    color = band + (255,)
                # the route line: a zigzag across the page
                line_y = 30 + (abs((x - left) % 16 - 8) - 4) * 1.5
                if 16 <= x < 48 and abs(y - line_y) < 1.6:
                    color = (200, 40, 160, 255)
            row.extend(color)
        rows.append(row)
    return rows


if __name__ == "__main__":
    png("xml.png", icon((30, 90, 220)))
    png("kml.png", icon((140, 140, 140)))
