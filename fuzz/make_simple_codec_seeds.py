#!/usr/bin/env python3
"""Seeds of the PCX, TGA, PNM and WBMP fuzz targets, made by independent
encoders: netpbm's converters and ImageMagick (whichever are installed).
Each target gets its format's files; the generic reader's target gets all.

    make_simple_codec_seeds.py SEEDS_ROOT   (writes SEEDS_ROOT/<target>/...)"""
import os
import shutil
import subprocess
import sys
import tempfile

CONVERT = "/usr/bin/convert"


def have(path):
    return os.path.exists(path)


def run_to(path, *args):
    """Runs a command with its output into path; True when it succeeded."""
    with open(path, "wb") as f:
        ok = subprocess.run(list(args), stdout=f, stderr=subprocess.DEVNULL).returncode == 0
    if not ok or os.path.getsize(path) == 0:
        os.remove(path)
        return False
    return True


def pictures(tmp):
    """A small colour picture, one with few colours, a grey and a bitmap."""
    w, h = 19, 7
    rgb, few, grey, bits = bytearray(), bytearray(), bytearray(), []
    table = [(0, 0, 0), (250, 20, 20), (20, 250, 20), (20, 20, 250), (255, 255, 255)]
    for y in range(h):
        for x in range(w):
            rgb += bytes(((x * 255) // w, (y * 255) // h, ((x ^ y) * 37) & 255))
            few += bytes(table[(x + 2 * y) % len(table)])
            grey.append((x * 13 + y * 29) & 255)
            bits.append("1" if (x + y) % 3 == 0 else "0")
    files = {
        "rgb.ppm": b"P6\n%d %d\n255\n" % (w, h) + bytes(rgb),
        "few.ppm": b"P6\n%d %d\n255\n" % (w, h) + bytes(few),
        "grey.pgm": b"P5\n%d %d\n255\n" % (w, h) + bytes(grey),
        "bits.pbm": b"P1\n%d %d\n" % (w, h) + " ".join(bits).encode(),
    }
    for name, data in files.items():
        with open(os.path.join(tmp, name), "wb") as f:
            f.write(data)
    return {name: os.path.join(tmp, name) for name in files}


def make(tmp, src):
    out = {"pcx": {}, "tga": {}, "pnm": {}, "wbmp": {}}

    def tool(fmt, name, *args):
        path = os.path.join(tmp, name)
        if have(args[0]) and run_to(path, *args):
            out[fmt][name] = path

    tool("pcx", "ppmtopcx_rgb.pcx", "/usr/bin/ppmtopcx", "-24bit", src["rgb.ppm"])
    tool("pcx", "ppmtopcx_8bit.pcx", "/usr/bin/ppmtopcx", "-8bit", src["few.ppm"])
    tool("pcx", "ppmtopcx_planes.pcx", "/usr/bin/ppmtopcx", src["few.ppm"])
    tool("pcx", "ppmtopcx_packed.pcx", "/usr/bin/ppmtopcx", "-packed", src["few.ppm"])
    tool("pcx", "ppmtopcx_mono.pcx", "/usr/bin/ppmtopcx", src["bits.pbm"])
    tool("pcx", "magick.pcx", CONVERT, src["rgb.ppm"], "pcx:-")
    tool("tga", "pamtotga_rle.tga", "/usr/bin/pamtotga", "-rgb", src["rgb.ppm"])
    tool("tga", "pamtotga_raw.tga", "/usr/bin/pamtotga", "-rgb", "-norle", src["rgb.ppm"])
    tool("tga", "pamtotga_cmap.tga", "/usr/bin/pamtotga", "-cmap", src["few.ppm"])
    tool("tga", "pamtotga_grey.tga", "/usr/bin/pamtotga", "-mono", src["grey.pgm"])
    tool("tga", "magick.tga", CONVERT, src["rgb.ppm"], "tga:-")
    tool("tga", "magick_rle.tga", CONVERT, src["few.ppm"], "-compress", "RLE", "tga:-")
    tool("tga", "magick_alpha.tga", CONVERT, src["rgb.ppm"], "-alpha", "set", "tga:-")
    for name, path in src.items():
        out["pnm"][name] = path
    tool("pnm", "plain.ppm", "/usr/bin/pnmtopnm", "-plain", src["rgb.ppm"])
    tool("pnm", "plain.pgm", "/usr/bin/pnmtopnm", "-plain", src["grey.pgm"])
    tool("pnm", "raw.pbm", "/usr/bin/pnmtopnm", src["bits.pbm"])
    tool("pnm", "wide.pgm", CONVERT, src["grey.pgm"], "-depth", "16", "pgm:-")
    tool("pnm", "wide.ppm", CONVERT, src["rgb.ppm"], "-depth", "16", "ppm:-")
    tool("wbmp", "pbmtowbmp.wbmp", "/usr/bin/pbmtowbmp", src["bits.pbm"])
    tool("wbmp", "magick.wbmp", CONVERT, src["grey.pgm"], "wbmp:-")
    return out


def main():
    root = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        made = make(tmp, pictures(tmp))
        for fmt, files in made.items():
            for target in ("pictura_%s_fuzz" % fmt, "pictura_read_fuzz"):
                d = os.path.join(root, target)
                os.makedirs(d, exist_ok=True)
                for name, path in files.items():
                    shutil.copy(path, os.path.join(d, name))


if __name__ == "__main__":
    main()
