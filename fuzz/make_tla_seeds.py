#!/usr/bin/env python3
"""Seeds of the TLA fuzz target: plain ("TLAU") files of every channel count
and filter set, made here from the format's records with zlib; the generic
reader's target gets them too.

    make_tla_seeds.py SEEDS_ROOT   (writes SEEDS_ROOT/<target>/...)"""
import os
import struct
import sys
import zlib


def record(rtype, payload):
    return struct.pack("<BHI", 0, rtype, len(payload)) + payload


def tla(w, h, channels, rows_per_band, pixels):
    f = b"TLAU" + record(100, struct.pack("<H", 1))
    palette = bytes((i, 255 - i, i // 2, 0)[k] for i in range(16) for k in range(4)) if channels == 1 else b""
    f += record(101, struct.pack("<4H", w, h, channels, 16 if channels == 1 else 0))
    f += record(104, palette)
    f += record(102, struct.pack("<H", 1)) + record(105, b"seed tag")
    f += record(103, b"\0")
    row = w * channels
    for y in range(0, h, rows_per_band):
        rows = min(rows_per_band, h - y)
        packed = zlib.compress(pixels[y * row:(y + rows) * row], 9)
        f += record(106, struct.pack("<IHH", len(packed), rows, 0)) + packed
    return f


def main(root):
    for t in ("pictura_tla_fuzz", "pictura_read_fuzz"):
        os.makedirs(os.path.join(root, t), exist_ok=True)
    w, h = 11, 9
    for channels in (1, 2, 3, 4):
        pixels = bytes(((x * 7 + y * 13 + c * 5) & (15 if channels == 1 else 255))
                       for y in range(h) for x in range(w) for c in range(channels))
        for rows in (1, 4, 20):
            data = tla(w, h, channels, rows, pixels)
            for t in ("pictura_tla_fuzz", "pictura_read_fuzz"):
                with open(os.path.join(root, t, "c%d_r%d.tla" % (channels, rows)), "wb") as f:
                    f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
