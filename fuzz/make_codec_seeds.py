#!/usr/bin/env python3
"""Seeds of the JPEG and PNG fuzz targets, made by independent encoders:
libjpeg's cjpeg, jpegtran and wrjpgcom, ImageMagick and Pillow (whichever
are installed). The reader targets get each file behind a few mode bytes;
the marker and chunk targets and the generic reader's target get the files
as they are.

    make_codec_seeds.py SEEDS_ROOT   (writes SEEDS_ROOT/<target>/...)"""
import os
import subprocess
import sys
import tempfile

CONVERT = "/usr/bin/convert"
PYTHON = "/usr/bin/python3"  # the system's, with Pillow
ICC = "/usr/share/color/icc/sRGB.icc"


def run(*args):
    return subprocess.run(list(args), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def have(path):
    return os.path.exists(path)


def ppm(path, width, height):
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            pixels += bytes(((x * 255) // width, (y * 255) // height, ((x ^ y) * 37) & 255))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height) + pixels)


def jpegs(tmp):
    src = os.path.join(tmp, "src.ppm")
    ppm(src, 37, 23)
    out = {}

    def cjpeg(name, *options):
        path = os.path.join(tmp, name)
        if run("/usr/bin/cjpeg", *options, "-outfile", path, src):
            out[name] = path

    if have("/usr/bin/cjpeg"):
        cjpeg("base.jpg", "-quality", "75")
        cjpeg("prog.jpg", "-progressive")
        cjpeg("grey.jpg", "-grayscale")
        cjpeg("arith.jpg", "-arithmetic")
        cjpeg("restart.jpg", "-restart", "1")
        cjpeg("h1v1.jpg", "-sample", "1x1", "-optimize")
    if "base.jpg" in out and have("/usr/bin/jpegtran"):
        path = os.path.join(tmp, "tran_prog_rst.jpg")
        if run("/usr/bin/jpegtran", "-progressive", "-restart", "2", "-outfile", path, out["base.jpg"]):
            out["tran_prog_rst.jpg"] = path
    if "base.jpg" in out and have("/usr/bin/wrjpgcom"):
        path = os.path.join(tmp, "comment.jpg")
        with open(path, "wb") as f:
            if subprocess.run(["/usr/bin/wrjpgcom", "-comment", "seed comment", out["base.jpg"]], stdout=f).returncode == 0:
                out["comment.jpg"] = path
    if have(CONVERT):
        for name, options in (("cmyk.jpg", ["-colorspace", "CMYK"]),
                              ("icc.jpg", ["-profile", ICC] if have(ICC) else None)):
            if options is None:
                continue
            path = os.path.join(tmp, name)
            if run(CONVERT, src, *options, path):
                out[name] = path
    if have(PYTHON):
        path = os.path.join(tmp, "pillow444.jpg")
        if run(PYTHON, "-c", "from PIL import Image; Image.open(%r).save(%r, quality=60, subsampling=0)" % (src, path)):
            out["pillow444.jpg"] = path
    return out


PILLOW_PNGS = r"""
import sys
from PIL import Image, PngImagePlugin
src, tmp = sys.argv[1], sys.argv[2]
im = Image.open(src)
info = PngImagePlugin.PngInfo()
info.add_text("Title", "seed")
info.add_text("Comment", "a compressed seed text", zip=True)
im.save(tmp + "/rgb.png", pnginfo=info)
im.convert("RGBA").save(tmp + "/rgba.png")
im.convert("L").save(tmp + "/l.png")
im.convert("LA").save(tmp + "/la.png")
im.convert("1").save(tmp + "/one.png")
im.convert("P", palette=Image.ADAPTIVE, colors=16).save(tmp + "/p16.png", transparency=2)
im.convert("I").save(tmp + "/i16.png")
"""


def pngs(tmp):
    src = os.path.join(tmp, "src.ppm")
    ppm(src, 29, 17)
    if have(PYTHON):
        run(PYTHON, "-c", PILLOW_PNGS, src, tmp)
    if have(CONVERT):
        for name, options in (("interlaced.png", ["-interlace", "PNG"]),
                              ("rgb16.png", ["-depth", "16", "-evaluate", "add", "0.37%",
                                             "-define", "png:bit-depth=16"]),
                              ("grey2.png", ["-colorspace", "Gray", "-depth", "2", "-define", "png:color-type=0"]),
                              ("p4trns.png", ["-colors", "9", "-transparent", "black", "-define", "png:bit-depth=4"]),
                              ("icc.png", ["-profile", ICC] if have(ICC) else None)):
            if options is not None:
                run(CONVERT, src, *options, os.path.join(tmp, name))
    return {name: os.path.join(tmp, name) for name in os.listdir(tmp) if name.endswith(".png")}


def write(root, target, name, data):
    folder = os.path.join(root, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    root = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        jdir, pdir = os.path.join(tmp, "j"), os.path.join(tmp, "p")
        os.makedirs(jdir)
        os.makedirs(pdir)
        for reader, files, modes, whole in (("pictura_jpeg_fuzz", jpegs(jdir), (0x01, 0x9D, 0x80, 0x22, 0x42, 0x0B),
                                             "pictura_jpeg_markers_fuzz"),
                                            ("pictura_png_fuzz", pngs(pdir), (0x03, 0x04, 0x01, 0x9B, 0x12, 0xC1, 0x06),
                                             "pictura_png_chunks_fuzz")):
            for name, path in sorted(files.items()):
                with open(path, "rb") as f:
                    data = f.read()
                for mode in modes:
                    write(root, reader, "%s.%02x" % (name, mode), bytes([mode]) + data)
                write(root, whole, name, data)
                write(root, "pictura_read_fuzz", name, data)


main()
