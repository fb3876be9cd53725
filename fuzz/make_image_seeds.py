#!/usr/bin/env python3
"""Seeds of the BMP, file-type and generic-reader fuzz targets: small BMP
files of every depth, header form and compression (ImageMagick's, when it
is installed, and hand-made ones for what it does not write), and small
files of the other formats the file-type guess knows.

    make_image_seeds.py SEEDS_ROOT   (writes SEEDS_ROOT/<target>/...)"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

CONVERT = "/usr/bin/convert"


def bmp(width, height, bits, pixels, compression=0, table=(), masks=(), header=40, off=None):
    """A BMP file; table entries are (b, g, r) triples."""
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height & 0xFFFF, 1, bits)
        entries = b"".join(bytes(t) for t in table)
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, len(pixels), 2835, 2835,
                           len(table), 0)
        extra = b"".join(struct.pack("<I", m) for m in masks)
        info += (extra + bytes(header - 40))[: header - 40] if header > 40 else extra
        entries = b"".join(bytes(t) + b"\0" for t in table)
    start = 14 + len(info) + len(entries)
    head = b"BM" + struct.pack("<IHHI", start + len(pixels), 0, 0, start if off is None else off)
    return head + info + entries + pixels


def hand_made():
    grey16 = [(i * 17, i * 17, i * 17) for i in range(16)]
    files = {
        "rle4.bmp": bmp(6, 2, 4, bytes([5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 2, 1, 0, 3, 0x44, 0, 1]), 2,
                        grey16),
        "rle8_delta.bmp": bmp(4, 3, 8, bytes([6, 1, 0, 0, 0, 2, 1, 1, 2, 9, 0, 0, 0, 3, 1, 2, 3, 0]), 1,
                              [(9, 9, 9), (1, 1, 1), (2, 2, 2), (3, 3, 3)]),
        "core8.bmp": bmp(2, 2, 8, bytes([1, 0, 0, 0, 0, 1, 0, 0]), 0, [(0, 0, 0), (255, 128, 0)], header=12),
        "bitfields565.bmp": bmp(2, 1, 16, bytes([0x00, 0xF8, 0xE0, 0x07]), 3, masks=(0xF800, 0x07E0, 0x001F)),
        "v4_alpha.bmp": bmp(1, 1, 32, bytes([1, 2, 3, 4]), 3, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000), header=108),
        "top_down.bmp": bmp(2, -2, 24, bytes(range(16))),
        "offset_zero.bmp": bmp(2, 1, 8, bytes([1, 0, 0, 0]), 0, [(1, 2, 3), (4, 5, 6)], off=0),
        "offset_short.bmp": bmp(2, 1, 8, bytes([1, 0, 0, 0]), 0, [(1, 2, 3), (4, 5, 6)], off=22),
    }
    return files


def other_formats():
    """Files of the formats recognised by signature or footer, by hand."""
    emf = bytearray(64)
    emf[40:44] = b" EMF"
    pcd = bytearray(2100)
    pcd[2048:2051] = b"PCD"
    tga = bytearray(60)
    tga[-18:] = b"TRUEVISION-XFILE.\0"
    return {
        "wmf.bin": b"\x01\x00\x09\x00\x00\x03" + bytes(40),
        "placeable.bin": b"\xd7\xcd\xc6\x9a" + bytes(40),
        "emf.bin": bytes(emf),
        "pcd.bin": bytes(pcd),
        "tga_footer.bin": bytes(tga),
        "tla.bin": b"TLAU" + bytes(40),
        "tla01.bin": b"TLA\x01" + bytes(40),
        "ole.bin": b"\xd0\xcf\x11\xe0" + bytes(40),
        "pax.bin": b"PAX" + bytes(40),
        "cur.bin": b"\x00\x00\x02\x00" + bytes(40),
    }


def magick_files(tmp):
    if not os.path.exists(CONVERT):
        return {}
    base = os.path.join(tmp, "base.png")
    alpha = os.path.join(tmp, "alpha.png")
    subprocess.run([CONVERT, "-size", "13x7", "gradient:red-blue", "-swirl", "90", base], check=True)
    subprocess.run([CONVERT, base, "(", "-size", "13x7", "gradient:white-black", ")", "-alpha", "off", "-compose",
                    "copy_opacity", "-composite", alpha], check=True)
    made = {}
    jobs = [
        ("t24.bmp", base, ["-type", "truecolor"], "BMP3:"),
        ("t24v5.bmp", base, ["-type", "truecolor"], ""),
        ("t24core.bmp", base, ["-type", "truecolor"], "BMP2:"),
        ("t32.bmp", alpha, ["-define", "bmp3:alpha=true"], "BMP3:"),
        ("t32v5.bmp", alpha, [], ""),
        ("t565.bmp", base, ["-define", "bmp:subtype=RGB565"], ""),
        ("t4444.bmp", alpha, ["-define", "bmp:subtype=ARGB4444"], ""),
        ("t8.bmp", base, ["-colors", "40", "-type", "palette", "-compress", "none"], "BMP3:"),
        ("t8rle.bmp", base, ["-colors", "40", "-type", "palette", "-compress", "RLE"], "BMP3:"),
        ("t4.bmp", base, ["-colors", "12", "-type", "palette", "-compress", "none"], "BMP3:"),
        ("t1.bmp", base, ["-monochrome"], "BMP3:"),
        ("a.gif", base, [], ""),
        ("a.jpg", base, [], ""),
        ("a.png", base, [], ""),
        ("a.tif", base, [], ""),
        ("a.pcx", base, [], ""),
        ("a.psd", base, [], ""),
        ("a.ppm", base, [], ""),
        ("a.pgm", base, ["-compress", "none"], ""),
        ("a.pbm", base, [], ""),
        ("a.ico", base, [], ""),
    ]
    for name, source, options, prefix in jobs:
        path = os.path.join(tmp, name)
        if subprocess.run([CONVERT, source] + options + [prefix + path], stderr=subprocess.DEVNULL).returncode == 0:
            with open(path, "rb") as f:
                made[name] = f.read()
    return made


def main():
    root = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        files = dict(hand_made())
        files.update(magick_files(tmp))
    files.update(other_formats())
    targets = {
        "pictura_bmp_fuzz": [n for n in files if n.endswith(".bmp")],
        "pictura_guess_fuzz": list(files),
        "pictura_read_fuzz": list(files),
    }
    for target, names in targets.items():
        out = os.path.join(root, target)
        # The other seed scripts add their files to pictura_read_fuzz while
        # this one runs: that folder is shared, never emptied.
        if target != "pictura_read_fuzz":
            shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out, exist_ok=True)
        for name in names:
            with open(os.path.join(out, name), "wb") as f:
                f.write(files[name])


if __name__ == "__main__":
    main()
