#!/usr/bin/env python3
"""Seeds of pictura_dib_fuzz: the GDI tests' bitmaps and an ImageMagick RLE8
file, each as one mode byte followed by the packed DIB (the file without its
14-byte header)."""
import os
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
out = sys.argv[1]
os.makedirs(out, exist_ok=True)
with tempfile.TemporaryDirectory() as tmp:
    subprocess.run([sys.executable, os.path.join(here, "..", "imaging", "gdi", "testdata", "make_test_bitmaps.py"),
                    tmp], check=True)
    rle = os.path.join(tmp, "magick_rle8.bmp")
    subprocess.run(["/usr/bin/convert", "-size", "21x13", "gradient:red-blue", "-colors", "30", "-compress", "RLE",
                    "-type", "palette", "BMP3:" + rle], check=False, stderr=subprocess.DEVNULL)
    for name in sorted(os.listdir(tmp)):
        with open(os.path.join(tmp, name), "rb") as f:
            dib = f.read()[14:]
        if len(dib) < 40 or dib[0] != 40:
            continue
        for mode in range(4):
            with open(os.path.join(out, f"{name}.{mode}"), "wb") as f:
                f.write(bytes([mode]) + dib)
