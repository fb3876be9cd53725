#!/usr/bin/python3
"""Times Pictura's TIFF reading (pic_ReadImage as R, G, B rows) against bare
libtiff and Pillow on the same 12-megapixel files (uncompressed, LZW,
Deflate, JPEG-in-TIFF, Deflate 256 x 256 tiles; made by bench/tiff_files.h),
side by side in one process with interleaved rounds (tools/peerbench.py),
and prints the ratio table (peer time / ours: above 1 means we are faster)
with the processor-time ratio beside the wall-time one.

Usage: tools/bench-tiff-peers.py [build/native-release] [--rounds N] [--settings 1,4,8,default]

Sides, each reading from memory into a fresh block every time (as
pic_ReadImage hands back a new block; its page faults count on every side):
- libtiff-rgba: TIFFReadRGBAImageOriented (libtiff's own RGBA path, 4 bytes
  a pixel, the whole image at once);
- libtiff-strips: plain TIFFReadEncodedStrip / TIFFReadTile into RGB rows
  (not for JPEG, whose strips come as YCbCr);
- pil: Image.open on a BytesIO and load().
The readers run on one thread (the default setting is 1); the others show
ours with its pool beside the same threadless peers.
"""
import argparse
import io
import sys

import numpy as np
from PIL import Image

import peerbench as pb

KINDS = ["uncompressed", "LZW", "deflate", "JPEG", "tiled"]


def file_bytes(ours, which):
    n = ours.lib.pb_bench_file(which, None)
    data = np.empty(n, np.uint8)
    ours.lib.pb_bench_file(which, pb.ptr(data))
    return data.tobytes()


def main():
    ap = argparse.ArgumentParser()
    pb.add_arguments(ap)
    ap.set_defaults(settings="1")
    args = ap.parse_args()
    ours = pb.Ours(args.build)
    pb.banner("TIFF reading")
    for setting in pb.chosen_settings(args.settings):
        pb.set_threads(ours, setting)
        table = pb.Table(setting)
        for k, kind in enumerate(KINDS):
            which = 2 + k
            data = file_bytes(ours, which)
            L = ours.lib
            sides = [("ours", ours.checked(L.pb_read, which, 0)),
                     ("libtiff-rgba", ours.checked(L.pb_libtiff, which, 0))]
            if kind != "JPEG":
                sides.append(("libtiff-strips", ours.checked(L.pb_libtiff, which, 1)))
            sides.append(("pil", lambda data=data: Image.open(io.BytesIO(data)).load()))
            # Every peer is threadless: in the threaded settings ours runs beside them all the same.
            table.add(kind, pb.interleave(sides, args.rounds))
        table.print()
    pb.set_threads(ours, pb.SETTINGS[-1])


if __name__ == "__main__":
    sys.exit(main())
