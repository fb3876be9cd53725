#!/usr/bin/env python3
"""Writes the bitmap files that gdi_test.rc compiles into the GDI test program.

Every picture follows one rule, which the test repeats to know what each
pixel must be: paletted pixels hold index (x + 2 * y) % entries, entry i
being (red, green, blue) = (i * 40 % 256, 255 - i * 30 % 256, i * 7 % 256);
24-bit pixels are (x * 20, y * 30, 200 - x - y)."""
import struct
import sys


def entry(i):
    return (i * 40 % 256, 255 - i * 30 % 256, i * 7 % 256)


def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def pack_row(indices, bits):
    out, acc, n = bytearray(), 0, 0
    for v in indices:
        acc = (acc << bits) | v
        n += bits
        while n >= 8:
            n -= 8
            out.append((acc >> n) & 255)
    if n:
        out.append((acc << (8 - n)) & 255)
    return out


def paletted(width, height, bits, entries, top_down=False, clr_used=None, truncate=0):
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in (entry(i) for i in range(entries)))
    rows = []
    for y in range(height):
        row = pack_row([(x + 2 * y) % entries for x in range(width)], bits)
        rows.append(bytes(row) + bytes(stride(width, bits) - len(row)))
    if not top_down:
        rows.reverse()
    pixels = b"".join(rows)
    if truncate:
        pixels = pixels[:-truncate]
    used = entries if clr_used is None else clr_used
    header = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0,
                         len(pixels), 0, 0, used, 0)
    return header + table, pixels


def rgb24(width, height, top_down=False):
    rows = []
    for y in range(height):
        row = b"".join(bytes((200 - x - y, y * 30, x * 20)) for x in range(width))
        rows.append(row + bytes(stride(width, 24) - len(row)))
    if not top_down:
        rows.reverse()
    pixels = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, 24, 0,
                         len(pixels), 0, 0, 0, 0)
    return header, pixels


def rle8(width, height, entries):
    """Each row as one encoded run per pixel, bottom row first."""
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in (entry(i) for i in range(entries)))
    data = bytearray()
    for y in reversed(range(height)):
        for x in range(width):
            data += bytes((1, (x + 2 * y) % entries))
        data += b"\0\0"
    data += b"\0\1"
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(data), 0, 0, entries, 0)
    return header + table, bytes(data)


def core8(width, height, entries=256):
    table = b"".join(bytes((b, g, r)) for r, g, b in (entry(i) for i in range(entries)))
    rows = []
    for y in range(height):
        row = bytes((x + 2 * y) % entries for x in range(width))
        rows.append(row + bytes(stride(width, 8) - len(row)))
    rows.reverse()
    header = struct.pack("<IHHHH", 12, width, height, 1, 8)
    return header + table, b"".join(rows)


def write(path, parts):
    info, pixels = parts
    data = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 14 + len(info)) + info + pixels
    with open(path, "wb") as f:
        f.write(data)


def main(folder):
    pictures = {
        "gdi_test_8full.bmp": paletted(13, 7, 8, 256, clr_used=0),
        "gdi_test_8short.bmp": paletted(13, 7, 8, 5),
        "gdi_test_4.bmp": paletted(9, 5, 4, 16),
        "gdi_test_1.bmp": paletted(17, 3, 1, 2),
        "gdi_test_24.bmp": rgb24(7, 6),
        "gdi_test_24top.bmp": rgb24(7, 6, top_down=True),
        "gdi_test_rle8.bmp": rle8(6, 4, 9),
        "gdi_test_core8.bmp": core8(5, 3),
        "gdi_test_truncated.bmp": paletted(13, 7, 8, 256, truncate=20),
    }
    for name, parts in pictures.items():
        write(f"{folder}/{name}", parts)


if __name__ == "__main__":
    main(sys.argv[1])
