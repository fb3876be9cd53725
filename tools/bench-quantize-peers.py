#!/usr/bin/python3
"""Colour quantisation and one-bit conversion against Pillow and ImageMagick
on 12-megapixel photographs: mean colour error (CIE76, sRGB D65) and time at
256, 64 and 16 colours, one thread and each library's default.

Usage: tools/bench-quantize-peers.py [build/native-release] [--photos a,b]
       [--min-time SECONDS] [--rounds N] [--settings 1,4,8,default]
       [--magick] [--no-onebit] [--no-errors] [--no-median-cut]

Times: side by side in one process with interleaved rounds
(tools/peerbench.py; ours through the peer-bench library, octree palette and
nearest mapping), median and range of the rounds, one table per thread
setting; ImageMagick (a process each round) only with --magick.

Photos: JPEG pictures of Debian's mate-backgrounds package (tools/setup.sh
installs it), fitted to 4000x3000 and kept as PPM in $TMPDIR. Ours: times
from bench/quantize_bench (Google Benchmark, no file I/O), results from its
--quantize / --onebit tool mode. Pillow: Image.quantize (method 0 median
cut, 2 fast octree; it has no threads and no dithering there). ImageMagick:
convert -dither None -colors N, timed as a whole (PPM read and write
included, about 0.1 s), MAGICK_THREAD_LIMIT=1 for one thread. Ratios are
peer time / our time (above 1: we are faster); errors are absolute.
One-bit: a threshold at 128 (ours: method 0 with parameter 127) must give
the same pixels as Pillow's and ImageMagick's; Floyd-Steinberg dithers are
compared by the mean difference of a blurred result to the grey picture.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image, ImageFilter, ImageOps

import peerbench as pb

PHOTOS = {
    "ladybird": "nature/LadyBird.jpg",
    "garden": "nature/Garden.jpg",
    "flower": "nature/YellowFlower.jpg",
    "elephants": "abstract/Elephants_5640x3172.jpg",
}
ROOT = "/usr/share/backgrounds/mate/"
COUNTS = (256, 64, 16)


def lab(rgb):
    a = rgb.astype(np.float64) / 255
    a = np.where(a > 0.04045, ((a + 0.055) / 1.055) ** 2.4, a / 12.92)
    m = np.array([[0.4124564, 0.3575761, 0.1804375], [0.2126729, 0.7151522, 0.0721750],
                  [0.0193339, 0.1191920, 0.9503041]])
    xyz = a @ m.T / np.array([0.95047, 1.0, 1.08883])
    f = np.where(xyz > 216 / 24389, np.cbrt(xyz), (24389 / 27 * xyz + 16) / 116)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]), 200 * (f[..., 1] - f[..., 2])], -1)


def delta_e(a, b, step=3):
    """Mean CIE76 difference over every step-th row (enough for 4 digits)."""
    return float(np.sqrt(((lab(a[::step]) - lab(b[::step])) ** 2).sum(-1)).mean())


def best_time(fn, runs=3):
    best = None
    for _ in range(runs):
        t = time.perf_counter()
        fn()
        t = time.perf_counter() - t
        best = t if best is None else min(best, t)
    return best * 1000


def prepare(names, work):
    paths = {}
    for name in names:
        path = os.path.join(work, name + ".ppm")
        if not os.path.exists(path):
            src = ROOT + PHOTOS[name]
            if not os.path.exists(src):
                sys.exit(f"{src} missing: apt-get install mate-backgrounds")
            ImageOps.fit(Image.open(src).convert("RGB"), (4000, 3000), Image.LANCZOS).save(path)
        paths[name] = path
    return paths


def our_times(bench, photo, min_time):
    out = subprocess.run([bench, "--benchmark_filter=onebit",
                          f"--benchmark_min_time={min_time}", "--benchmark_format=json"],
                         env=dict(os.environ, PICTURA_BENCH_PHOTO=photo), check=True,
                         capture_output=True, text=True).stdout
    return {b["name"].replace("/real_time", ""): b["real_time"] for b in json.loads(out)["benchmarks"]}


def magick(args, one):
    env = dict(os.environ)
    if one:
        env["MAGICK_THREAD_LIMIT"] = "1"
    subprocess.run(["convert"] + args, check=True, env=env)


def main():
    ap = argparse.ArgumentParser()
    pb.add_arguments(ap)
    ap.add_argument("--photos", default=",".join(PHOTOS))
    ap.add_argument("--min-time", default="0.3")
    ap.add_argument("--magick", action="store_true")
    ap.add_argument("--no-onebit", action="store_true")
    ap.add_argument("--no-errors", action="store_true", help="times only")
    ap.add_argument("--no-median-cut", action="store_true",
                    help="time Pillow's fast octree only (its median cut takes seconds a round)")
    args = ap.parse_args()
    bench = os.path.join(args.build, "bench", "quantize_bench")
    work = os.path.join(tempfile.gettempdir(), "pictura_quant_bench")
    os.makedirs(work, exist_ok=True)
    paths = prepare(args.photos.split(","), work)
    out = os.path.join(work, "out.ppm")
    lib = pb.Ours(args.build)
    pb.banner("quantisation")
    settings = pb.chosen_settings(args.settings)
    images = {name: Image.open(path) for name, path in paths.items()}
    for im in images.values():
        im.load()
    print("photo      colours | CIE76: octree  median  Pillow-mc Pillow-oct  IM")
    for name, path in ([] if args.no_errors else paths.items()):
        im, ref = images[name], np.asarray(images[name])
        for n in COUNTS:
            err = {}
            for method in ("octree", "rgba"):
                subprocess.run([bench, "--quantize", path, out, str(n), method], check=True)
                err[method] = delta_e(ref, np.asarray(Image.open(out)))
            for m in (0, 2):
                err[f"pil{m}"] = delta_e(ref, np.asarray(im.quantize(n, method=m).convert("RGB")))
            magick([path, "-dither", "None", "-colors", str(n), out], False)
            err["im"] = delta_e(ref, np.asarray(Image.open(out)))
            print(f"{name:10} {n:4}    | {err['octree']:6.2f} {err['rgba']:7.2f} {err['pil0']:9.2f} "
                  f"{err['pil2']:9.2f} {err['im']:6.2f}", flush=True)
    for setting in settings:
        pb.set_threads(lib, setting)
        table = pb.Table(setting)
        for name, path in paths.items():
            im = images[name]
            rgb = np.ascontiguousarray(np.asarray(im))
            h, w = rgb.shape[:2]
            idx = np.empty((h, w), np.uint8)
            pal = np.zeros(1024, np.uint8)
            for n in COUNTS:
                sides = [("ours", lib.checked(lib.lib.pb_quantize, pb.ptr(rgb), w, h, pb.ptr(idx), n, pb.ptr(pal), 0)),
                         ("pil-mc", lambda n=n: im.quantize(n, method=0)),
                         ("pil-octree", lambda n=n: im.quantize(n, method=2))]
                if args.no_median_cut:
                    sides = [s for s in sides if s[0] != "pil-mc"]
                if args.magick:
                    one = setting[1] == 1
                    sides.append(("im", lambda n=n, one=one: magick(
                        [path, "-dither", "None", "-colors", str(n), out], one)))
                table.add("%s %d colours" % (name, n),
                          pb.interleave(pb.threaded_sides(sides, setting, ["pil-mc"]), args.rounds))
        table.print()
    pb.set_threads(lib, pb.SETTINGS[-1])
    if args.no_onebit:
        return
    for name, path in paths.items():
        im = images[name]
        ours = our_times(bench, path, args.min_time)
        # One bit.
        # ImageMagick gets Pillow's grey picture: its own grey is linear light.
        grey = im.convert("L")
        g = np.asarray(grey)
        grey_path = os.path.join(work, name + ".pgm")
        grey.save(grey_path)
        pbm, pgm = out.replace(".ppm", ".pbm"), out.replace(".ppm", ".pgm")
        subprocess.run([bench, "--onebit", path, pbm, "threshold"], check=True)
        ours_t = np.asarray(Image.open(pbm).convert("L")) == 0  # a set bit (bright) is black in PBM
        pil_t = np.asarray(grey.point(lambda v: 255 if v >= 128 else 0)) > 0
        magick([grey_path, "-threshold", "50%", pgm], False)
        im_t = np.asarray(Image.open(pgm).convert("L")) > 0
        ours_grey = (np.asarray(im, dtype=np.uint32) @ np.array([306, 601, 117], dtype=np.uint32)) >> 10
        print(f"{name:10} one bit | threshold 128 equal pixels: Pillow {np.mean(ours_t == pil_t) * 100:.2f}% "
              f"IM {np.mean(ours_t == im_t) * 100:.2f}% (grey weights differ: ours {ours_grey.mean():.1f}, "
              f"Pillow {g.mean():.1f})")

        def blur_err(bits):
            b = Image.fromarray((bits * 255).astype(np.uint8)).filter(ImageFilter.GaussianBlur(2))
            return float(np.abs(np.asarray(b, dtype=np.float64) - g).mean())

        subprocess.run([bench, "--onebit", path, pbm, "fs"], check=True)
        ours_fs = np.asarray(Image.open(pbm).convert("L")) > 0  # ours sets the dark pixels: black in PBM
        pil_fs = np.asarray(grey.convert("1")) > 0
        im_fs_args = [grey_path, "-dither", "FloydSteinberg", "-remap", "pattern:gray50", pgm]
        magick(im_fs_args, False)
        im_fs = np.asarray(Image.open(pgm).convert("L")) > 0
        t_pil_fs = best_time(lambda: grey.convert("1"))
        t_pil_th = best_time(lambda: grey.point(lambda v: 255 if v >= 128 else 0).convert("1"))
        t_im_fs = best_time(lambda: magick(im_fs_args, False), 2)
        print(f"{name:10} one bit | FS blurred error: ours {blur_err(ours_fs):.2f} Pillow {blur_err(pil_fs):.2f} "
              f"IM {blur_err(im_fs):.2f} | ms ours threshold {ours['onebit/threshold']:.0f} fs "
              f"{ours['onebit/fs']:.0f} (grey given); Pillow threshold {t_pil_th:.0f} (grey given) fs {t_pil_fs:.0f} "
              f"(grey given); IM fs {t_im_fs:.0f} (with I/O)", flush=True)


if __name__ == "__main__":
    main()
