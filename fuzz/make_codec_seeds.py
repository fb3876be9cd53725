#!/usr/bin/env python3
"""Seeds of the JPEG, PNG and GIF fuzz targets, made by independent encoders:
libjpeg's cjpeg, jpegtran and wrjpgcom, ImageMagick, giflib's gif2rgb,
gifsicle and Pillow (whichever are installed). The reader targets get each file behind a few mode bytes;
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


PILLOW_GIFS = r"""
import sys
from PIL import Image
src, tmp = sys.argv[1], sys.argv[2]
im = Image.open(src)
im.convert("P", palette=Image.ADAPTIVE, colors=12).save(tmp + "/pil_trns.gif", transparency=3)
frames = [im.rotate(a).convert("P", palette=Image.ADAPTIVE, colors=20) for a in (0, 90, 180)]
frames[0].save(tmp + "/pil_anim.gif", save_all=True, append_images=frames[1:], duration=40, loop=2,
               disposal=2, transparency=0)
"""


def gifs(tmp):
    src = os.path.join(tmp, "src.ppm")
    ppm(src, 23, 19)
    frames = []
    if have(CONVERT):
        for name, options in (("im.gif", []), ("im_interlaced.gif", ["-colors", "16", "-interlace", "GIF"]),
                              ("im_mono.gif", ["-monochrome"])):
            run(CONVERT, src, *options, os.path.join(tmp, name))
        for i in range(3):
            frame = os.path.join(tmp, "frame%d.gif" % i)
            run(CONVERT, src, "-fill", "red", "-draw", "rectangle %d,3 %d,9" % (2 + 5 * i, 8 + 5 * i), "-colors", "9", frame)
            frames.append(frame)
        for name, options in (("im_previous.gif", ["-dispose", "Previous"] + frames + ["-loop", "3"]),
                              ("im_transparent.gif", frames + ["-layers", "OptimizeTransparency"])):
            run(CONVERT, "-delay", "5", *options, os.path.join(tmp, name))
    if frames and have("/usr/bin/gifsicle"):
        with open(os.path.join(tmp, "sicle.gif"), "wb") as f:
            subprocess.run(["/usr/bin/gifsicle", "-O3", "--disposal", "background", "--loopcount=0"] + frames, stdout=f,
                           stderr=subprocess.DEVNULL)
    if have("/usr/bin/gif2rgb") and have(CONVERT):
        raw = os.path.join(tmp, "src.rgb")
        if run(CONVERT, src, "-depth", "8", "rgb:" + raw):
            with open(os.path.join(tmp, "giflib.gif"), "wb") as f:
                subprocess.run(["/usr/bin/gif2rgb", "-c", "4", "-s", "23", "19", "-1", raw], stdout=f,
                               stderr=subprocess.DEVNULL)
    if have(PYTHON):
        run(PYTHON, "-c", PILLOW_GIFS, src, tmp)
    return {name: os.path.join(tmp, name) for name in os.listdir(tmp)
            if name.endswith(".gif") and not name.startswith("frame") and os.path.getsize(os.path.join(tmp, name))}


def write(root, target, name, data):
    folder = os.path.join(root, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    root = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        jdir, pdir, gdir = os.path.join(tmp, "j"), os.path.join(tmp, "p"), os.path.join(tmp, "g")
        for folder in (jdir, pdir, gdir):
            os.makedirs(folder)
        for reader, files, modes, whole in (("pictura_jpeg_fuzz", jpegs(jdir), (0x01, 0x9D, 0x80, 0x22, 0x42, 0x0B),
                                             "pictura_jpeg_markers_fuzz"),
                                            ("pictura_png_fuzz", pngs(pdir), (0x03, 0x04, 0x01, 0x9B, 0x12, 0xC1, 0x06),
                                             "pictura_png_chunks_fuzz"),
                                            ("pictura_gif_fuzz", gifs(gdir), (0x00, 0x71, 0x52, 0x43),
                                             "pictura_gif_anim_fuzz")):
            for name, path in sorted(files.items()):
                with open(path, "rb") as f:
                    data = f.read()
                for mode in modes:
                    write(root, reader, "%s.%02x" % (name, mode), bytes([mode]) + data)
                write(root, whole, name, (b"\x85" if whole == "pictura_gif_anim_fuzz" else b"") + data)
                write(root, "pictura_read_fuzz", name, data)


main()
