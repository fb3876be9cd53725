#!/usr/bin/python3
"""Times Pictura's PSD reader (pic_ReadPSD at 24 bits, from memory, into a
fresh result block) against Pillow (Image.open on a BytesIO, the composite
loaded) and ImageMagick (convert FILE[0] to raw RGB in /dev/null, a process;
its figure is its time less that of the same command on a 1 x 1 picture,
that is less its start-up) on a 12-megapixel RGB file, raw and PackBits
(bench/psd_files.h), side by side in one process with interleaved rounds
(tools/peerbench.py). Prints the ratio table: peer time / ours, above 1
means we are faster, with the processor-time ratio beside it (ImageMagick's
time is a child process's, so it has none).

Usage: tools/bench-psd-peers.py [build/native-release] [--rounds N] [--settings 1,4,8,default]
"""
import argparse
import io
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

import peerbench as pb


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
    pb.banner("PSD reading")
    tmp = tempfile.TemporaryDirectory()
    for setting in pb.chosen_settings(args.settings):
        pb.set_threads(ours, setting)
        table = pb.Table(setting)
        for which, kind in enumerate(("raw", "PackBits")):
            data = file_bytes(ours, which)
            path = os.path.join(tmp.name, "photo_%d.psd" % which)
            with open(path, "wb") as f:
                f.write(data)
            sides = [("ours", ours.checked(ours.lib.pb_read, which, 1)),
                     ("pil", lambda data=data: Image.open(io.BytesIO(data)).load())]
            if shutil.which("convert"):
                im = ["convert", path + "[0]", "-depth", "8", "rgb:/dev/null"]
                start = ["convert", "-size", "1x1", "xc:black", "-depth", "8", "rgb:/dev/null"]
                sides.append(("im", lambda im=im: subprocess.run(im, check=True)))
                sides.append(("im-start", lambda start=start: subprocess.run(start, check=True)))
            times = pb.interleave(sides, args.rounds)
            if "im-start" in times:
                im, start = times.pop("im"), times.pop("im-start")
                times["im"] = tuple(max(a - start[0], 1e-3) for a in im[:3]) + (None,)
            table.add("PSD %s 4000x3000" % kind, times)
        table.print()
    pb.set_threads(ours, pb.SETTINGS[-1])


if __name__ == "__main__":
    sys.exit(main())
