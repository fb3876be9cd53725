#!/usr/bin/env python3
"""Seeds of pictura_tiff_fuzz (and TIFF files for pictura_read_fuzz): small
TIFF files of every photometric, depth (2-bit and 16-bit grey among them),
compression and layout (uncompressed tiles too), made by
libtiff's tiffcp, ImageMagick and Pillow from one generated picture."""
import os
import subprocess
import sys
import tempfile

CONVERT = "/usr/local/bin/convert" if os.path.exists("/usr/local/bin/convert") else "/usr/bin/convert"
TIFFCP = "/usr/bin/tiffcp"
PYTHON = "/usr/bin/python3"

PILLOW = r"""
import sys
from PIL import Image
src, out = sys.argv[1], sys.argv[2]
im = Image.open(src)
saves = [
    lambda: im.save(out + "/pil_rgb.tif"),
    lambda: im.convert("RGBA").save(out + "/pil_rgba_lzw.tif", compression="tiff_lzw"),
    lambda: im.convert("CMYK").save(out + "/pil_cmyk.tif"),
    lambda: im.convert("L").save(out + "/pil_l_deflate.tif", compression="tiff_adobe_deflate"),
    lambda: im.convert("LA").save(out + "/pil_la.tif"),
    lambda: im.convert("1").save(out + "/pil_g4.tif", compression="group4"),
    lambda: im.convert("P", palette=Image.ADAPTIVE, colors=16).save(out + "/pil_p.tif"),
    lambda: im.convert("L").convert("I").convert("I;16").save(out + "/pil_i16.tif"),
    lambda: im.save(out + "/pil_jpeg.tif", compression="jpeg"),
]
for save in saves:
    try:
        save()
    except Exception:
        pass
"""


def run(*args):
    return subprocess.run(list(args), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def write_ppm(path, w, h):
    pixels = bytearray()
    for y in range(h):
        for x in range(w):
            pixels += bytes(((x * 255) // w, (y * 255) // h, ((x ^ y) * 16) & 255))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h) + pixels)


def main():
    root = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "src.ppm")
        write_ppm(src, 41, 29)
        base = os.path.join(tmp, "base.tif")
        if os.path.exists(CONVERT):
            run(CONVERT, src, base)
            for name, opts in (("im_orient6.tif", ["-orient", "RightTop"]),
                               ("im_16.tif", ["-depth", "16"]),
                               ("im_gray4.tif", ["-colorspace", "Gray", "-depth", "4"]),
                               ("im_gray2_tiles.tif", ["-colorspace", "Gray", "-depth", "2", "-compress", "none",
                                                       "-define", "tiff:tile-geometry=16x16"]),
                               ("im_palette2.tif", ["-colors", "4", "-type", "palette", "-depth", "2"]),
                               ("im_gray16_tiles.tif", ["-colorspace", "Gray", "-depth", "16", "-compress", "none",
                                                        "-define", "tiff:tile-geometry=16x16"]),
                               ("im_msb.tif", ["-define", "tiff:endian=msb", "-compress", "zip"]),
                               ("im_tiles.tif", ["-define", "tiff:tile-geometry=16x16", "-compress", "lzw"]),
                               ("im_planes.tif", ["-interlace", "plane"]),
                               ("im_minwhite.tif", ["-monochrome", "-define", "quantum:polarity=min-is-white"])):
                run(CONVERT, src, *opts, os.path.join(tmp, name))
            run(CONVERT, src, src, "-adjoin", os.path.join(tmp, "im_pages.tif"))
        if os.path.exists(TIFFCP) and os.path.exists(base):
            for name, opts in (("cp_lzw2.tif", ["-c", "lzw:2", "-r", "3"]),
                               ("cp_tiles.tif", ["-t", "-w", "16", "-l", "16", "-c", "zip"]),
                               ("cp_packbits.tif", ["-c", "packbits", "-r", "5"]),
                               ("cp_jpeg.tif", ["-c", "jpeg", "-r", "16"]),
                               ("cp_separate.tif", ["-p", "separate"]),
                               ("cp_none_tiles.tif", ["-t", "-w", "16", "-l", "16", "-c", "none"]),
                               ("cp_none_tiles_planes.tif", ["-t", "-w", "16", "-l", "16", "-c", "none",
                                                             "-p", "separate"])):
                run(TIFFCP, *opts, base, os.path.join(tmp, name))
        if os.path.exists(PYTHON):
            subprocess.run([PYTHON, "-c", PILLOW, src, tmp], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        files = sorted(n for n in os.listdir(tmp) if n.endswith(".tif") and os.path.getsize(os.path.join(tmp, n)))
        for folder in ("pictura_tiff_fuzz", "pictura_read_fuzz"):
            os.makedirs(os.path.join(root, folder), exist_ok=True)
        for name in files:
            with open(os.path.join(tmp, name), "rb") as f:
                data = f.read()
            for mode in (0x03, 0x00, 0x09, 0x11, 0x2C, 0x45, 0x1D, 0x34):
                with open(os.path.join(root, "pictura_tiff_fuzz", "%s.%02x" % (name, mode)), "wb") as f:
                    f.write(bytes([mode, 0x41 | (mode & 0x20)]) + data)
            with open(os.path.join(root, "pictura_read_fuzz", name), "wb") as f:
                f.write(data)


main()
