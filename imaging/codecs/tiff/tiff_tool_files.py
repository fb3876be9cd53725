#!/usr/bin/python3
"""TIFF files written by ImageMagick and libtiff's tiffcp, with the pixels the
independent decoders give them, for a test that cannot run the tools itself
(the Windows build under Wine).

  tiff_tool_files.py run -- COMMAND...
writes the files into a fresh folder, runs COMMAND with WAYLUNE_TIFF_TOOL_FILES
set to it, removes it and returns COMMAND's exit code. Per file NAME.tif:
NAME.magick (ImageMagick's 8-bit RGB), NAME.pillow (Pillow's RGB), NAME.libtiff
(tiff2rgba's RGB, alpha dropped) and, for 16-bit grey, NAME.gray16 (ImageMagick's
little-endian samples); a decoder that cannot read a layout leaves its file out.
Without the tools COMMAND runs without the variable (the test skips, or fails
where WAYLUNE_REQUIRE_TOOLS is set).
"""
import os
import shutil
import subprocess
import sys
import tempfile

CONVERT, TIFFCP, TIFF2RGBA = "/usr/bin/convert", "/usr/bin/tiffcp", "/usr/bin/tiff2rgba"
WIDTH, HEIGHT = 45, 31
TILES = ["-compress", "none", "-define", "tiff:tile-geometry=16x16"]
# name: (tool, arguments between the source and the file); tiffcp starts from
# ImageMagick's uncompressed strips of the same source.
FILES = {
    "grey2": ("convert", ["-colorspace", "gray", "-depth", "2"]),
    "grey2_tiles": ("convert", ["-colorspace", "gray", "-depth", "2"] + TILES),
    "palette2": ("convert", ["-colors", "4", "-type", "palette", "-depth", "2"]),
    "palette2_tiles": ("convert", ["-colors", "4", "-type", "palette", "-depth", "2"] + TILES),
    "grey16_tiles": ("convert", ["-colorspace", "gray", "-depth", "16"] + TILES),
    "rgb16_none_tiles": ("convert", ["-depth", "16"] + TILES),
    "rgba_none_tiles": ("convert", ["-alpha", "set"] + TILES),
    # Tiles of 768 and 256 bytes: no multiple of 1024.
    "none_tiles": ("tiffcp", ["-c", "none", "-t", "-w", "16", "-l", "16"]),
    "none_tiles_planes": ("tiffcp", ["-c", "none", "-p", "separate", "-t", "-w", "16", "-l", "16"]),
    "grey_none_tiles_planes": ("tiffcp", ["-c", "none", "-p", "separate", "-t", "-w", "32", "-l", "16"]),
}


def tools_present():
    if not all(os.path.exists(t) for t in (CONVERT, TIFFCP, TIFF2RGBA)):
        return False
    return subprocess.call(["/usr/bin/python3", "-c", "import PIL"], stderr=subprocess.DEVNULL) == 0


def quiet(args):
    return subprocess.call(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) == 0


def source_ppm(path):
    # Colours that differ in every channel and row, so a misplaced tile shows.
    pixels = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            pixels += bytes(((x * 7 + y * 3) % 256, (x * 2 + y * 11 + 40) % 256, (x * y + 90) % 256))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT) + pixels)


PILLOW_RGB = "import sys\nfrom PIL import Image\nopen(sys.argv[2], 'wb').write(Image.open(sys.argv[1]).convert('RGB').tobytes())\n"


def make(root):
    src, base = os.path.join(root, "src.ppm"), os.path.join(root, "base.tif")
    source_ppm(src)
    if not quiet([CONVERT, src, "-compress", "none", base]):
        sys.exit("tiff_tool_files: convert failed")
    grey = os.path.join(root, "grey.tif")
    if not quiet([CONVERT, src, "-colorspace", "gray", "-depth", "8", "-compress", "none", grey]):
        sys.exit("tiff_tool_files: convert failed")
    for name, (tool, args) in FILES.items():
        f = os.path.join(root, name + ".tif")
        if tool == "convert":
            ok = quiet([CONVERT, src] + args + [f])
        else:
            ok = quiet([TIFFCP] + args + [grey if name.startswith("grey") else base, f])
        if not ok:
            sys.exit("tiff_tool_files: %s failed on %s" % (tool, name))
        quiet([CONVERT, f + "[0]", "-depth", "8", "rgb:" + f[:-4] + ".magick"])
        quiet(["/usr/bin/python3", "-c", PILLOW_RGB, f, f[:-4] + ".pillow"])
        rgba = f[:-4] + ".rgba.tif"
        if quiet([TIFF2RGBA, "-n", f, rgba]):
            quiet([CONVERT, rgba, "-depth", "8", "rgb:" + f[:-4] + ".libtiff"])
            os.remove(rgba)
        if name.startswith("grey16"):
            quiet([CONVERT, f + "[0]", "-endian", "LSB", "-depth", "16", "gray:" + f[:-4] + ".gray16"])
    for leftover in (src, base, grey):
        os.remove(leftover)


def main():
    args = sys.argv[1:]
    if args[:1] != ["run"]:
        sys.exit(__doc__)
    command = args[2:] if args[1:2] == ["--"] else args[1:]
    if not command:
        sys.exit("run needs a command")
    if not tools_present():
        sys.exit(subprocess.call(command))
    root = tempfile.mkdtemp(prefix="waylune-tiff-tools-")
    try:
        make(root)
        sys.exit(subprocess.call(command, env=dict(os.environ, WAYLUNE_TIFF_TOOL_FILES=root)))
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
