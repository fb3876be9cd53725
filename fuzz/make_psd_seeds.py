#!/usr/bin/env python3
"""Seeds of the PSD and Photoshop resource fuzz targets: PSD files of every
colour mode ImageMagick writes (raw and PackBits, 8 and 16 bits) and the
resource sections they carry; the generic reader's target gets the files too.

    make_psd_seeds.py SEEDS_ROOT   (writes SEEDS_ROOT/<target>/...)"""
import os
import struct
import subprocess
import sys
import tempfile

CONVERT = "/usr/bin/convert"

VARIANTS = {
    "rgb_rle.psd": ["-depth", "8"],
    "rgb_raw.psd": ["-depth", "8", "-compress", "none"],
    "rgb16.psd": ["-depth", "16"],
    "grey.psd": ["-colorspace", "Gray", "-depth", "8"],
    "cmyk.psd": ["-colorspace", "CMYK", "-depth", "8"],
    "indexed.psd": ["-colors", "8", "-type", "Palette", "-depth", "8"],
    "bitmap.psd": ["-monochrome"],
    "rgba.psd": ["-alpha", "set", "-channel", "A", "-evaluate", "set", "50%", "+channel", "-depth", "8"],
}


def resources(psd):
    """The image-resource section of a PSD file."""
    at = 26
    (n,) = struct.unpack(">I", psd[at:at + 4])
    at += 4 + n
    (n,) = struct.unpack(">I", psd[at:at + 4])
    return psd[at + 4:at + 4 + n]


def main(root):
    targets = {t: os.path.join(root, t) for t in ("pictura_psd_fuzz", "pictura_photoshop_fuzz", "pictura_read_fuzz")}
    for d in targets.values():
        os.makedirs(d, exist_ok=True)
    if not os.path.exists(CONVERT):
        return
    with tempfile.TemporaryDirectory() as tmp:
        w, h = 13, 7
        src = os.path.join(tmp, "src.ppm")
        pixels = bytes(((x * 19) & 255, (y * 37) & 255, ((x ^ y) * 29) & 255) [i] for y in range(h) for x in range(w) for i in range(3))
        with open(src, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (w, h) + pixels)
        for name, args in VARIANTS.items():
            out = os.path.join(tmp, name)
            if subprocess.run([CONVERT, src] + args + [out], stderr=subprocess.DEVNULL).returncode != 0:
                continue
            data = open(out, "rb").read()
            for t in ("pictura_psd_fuzz", "pictura_read_fuzz"):
                with open(os.path.join(targets[t], name), "wb") as f:
                    f.write(data)
            with open(os.path.join(targets["pictura_photoshop_fuzz"], name + ".8bim"), "wb") as f:
                f.write(resources(data))


if __name__ == "__main__":
    main(sys.argv[1])
