#!/usr/bin/env python3
"""Pictures for the billboard's picture-loading tests, made with Pillow (an
independent encoder): grids of coloured blocks in BMP, JPEG, PNG, GIF, TGA and PCX, an
exact 160 x 128 picture, a picture too thin to cover the field, and broken
and hostile files. Writes them and "pictures.txt", one line per grid picture:

    file width height columns rows lossy colour...   (colours as RRGGBB)

Usage: make_poster_pictures.py OUTPUT_FOLDER
"""
import os
import struct
import sys

from PIL import Image

PALETTE = [0xE04A3C, 0x3C86E0, 0x4DB552, 0xFFD95A, 0x2A2238, 0xFFFFFF, 0xF5913A, 0x9A6238,
           0x9CCBFF, 0xA82E30, 0x2B7E3D, 0x666D7E, 0xFF8A70, 0x1D2C5E, 0xC9CED8, 0x9CE27A]


def grid(width, height, columns, rows, seed):
    image = Image.new("RGB", (width, height))
    colours = []
    for j in range(rows):
        for i in range(columns):
            colours.append(PALETTE[(seed + i * 5 + j * 3) % len(PALETTE)])
    pixels = image.load()
    for y in range(height):
        j = y * rows // height
        for x in range(width):
            i = x * columns // width
            c = colours[j * columns + i]
            pixels[x, y] = (c >> 16, (c >> 8) & 255, c & 255)
    return image, colours


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    lines = []

    def save(name, width, height, columns, rows, seed, lossy, **options):
        image, colours = grid(width, height, columns, rows, seed)
        if name.endswith(".gif"):
            image = image.convert("P", palette=Image.ADAPTIVE, colors=16)
        image.save(os.path.join(out, name), **options)
        lines.append("%s %d %d %d %d %d %s" % (name, width, height, columns, rows, lossy,
                                               " ".join("%06X" % c for c in colours)))

    save("blocks_320x256.bmp", 320, 256, 8, 4, 1, 0)
    save("blocks_400x200.jpg", 400, 200, 8, 4, 2, 1, quality=95, subsampling=0)
    save("blocks_100x300.png", 100, 300, 2, 6, 3, 0)
    save("exact_160x128.png", 160, 128, 5, 4, 4, 0)
    save("blocks_90x60.gif", 90, 60, 3, 2, 5, 0)
    save("blocks_120x90.tga", 120, 90, 4, 3, 6, 0)
    save("blocks_200x100.pcx", 200, 100, 4, 2, 7, 0)
    with open(os.path.join(out, "pictures.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")

    # Too thin to cover the field without a gigantic scaled copy.
    Image.new("RGB", (87382, 1), (200, 30, 30)).save(os.path.join(out, "thin_87382x1.png"))
    # Broken and hostile files.
    good_png = open(os.path.join(out, "blocks_100x300.png"), "rb").read()
    good_jpg = open(os.path.join(out, "blocks_400x200.jpg"), "rb").read()
    with open(os.path.join(out, "truncated.png"), "wb") as f:
        f.write(good_png[:120])
    with open(os.path.join(out, "truncated.jpg"), "wb") as f:
        f.write(good_jpg[:600])
    # Cut in the middle of the scan: decodes to its end with a warning and code 0.
    with open(os.path.join(out, "cut_half.jpg"), "wb") as f:
        f.write(good_jpg[:len(good_jpg) // 2])
    with open(os.path.join(out, "garbage.bmp"), "wb") as f:
        f.write(b"BM" + bytes(range(256)) * 3)
    with open(os.path.join(out, "empty.png"), "wb"):
        pass
    # A BMP header that claims 40000 x 40000 pixels over a few bytes of data.
    header = struct.pack("<2sIHHI", b"BM", 54 + 16, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, 40000, 40000, 1, 24, 0, 16, 2835, 2835, 0, 0)
    with open(os.path.join(out, "huge_header.bmp"), "wb") as f:
        f.write(header + info + bytes(16))
    # A portable pixmap under a picture's name: a type the program does not take.
    Image.new("RGB", (20, 20), (10, 20, 30)).save(os.path.join(out, "pixmap.bmp"), format="PPM")


if __name__ == "__main__":
    main()
