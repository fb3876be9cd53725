#!/usr/bin/python3
"""Times Pictura's resize modes against OpenCV's cv2.resize and Pillow's
Image.resize on the same pictures and sizes, one thread and then each
library's default, and prints the ratios (peer time / our time: above 1 means
we are faster). Then rotation against cv2.rotate and cv2.warpAffine, and
seam carving against ImageMagick's liquid rescale (bench/geometry_bench).

Usage: tools/bench-resize-peers.py [build/native-release] [--filter REGEX]
       [--min-time SECONDS] [--part resize|geometry|all]

Our times come from bench/resize_bench (Google Benchmark, JSON); the peers
run here with the picture that benchmark builds: (7x + 13y + 50c + (xy >> 3))
mod 256, 24-bit RGB. Pillow has no threads: its one time serves both columns.
"""
import argparse
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np

try:
    import cv2
except ImportError:  # python3-opencv (tools/setup.sh installs it)
    cv2 = None
from PIL import Image

# Pillow's filters for our filter modes: the same kernel where Pillow has it,
# otherwise the one of the nearest support (marked ~).
PIL_FILTER = {
    0: (Image.BOX, "box"), 1: (Image.BILINEAR, "triangle"), 2: (Image.HAMMING, "hamming"),
    3: (Image.BICUBIC, "~bicubic"), 4: (Image.BICUBIC, "~bicubic"), 5: (Image.BICUBIC, "~bicubic"),
    6: (Image.BILINEAR, "~triangle"), 7: (Image.BICUBIC, "~bicubic"), 8: (Image.LANCZOS, "lanczos3"),
    9: (Image.BICUBIC, "~bicubic"), 10: (Image.LANCZOS, "~lanczos3"), 11: (Image.BILINEAR, "~triangle"),
    12: (Image.BILINEAR, "~triangle"), 13: (Image.BICUBIC, "catmull-rom"),
    14: (Image.BOX, "box"), 15: (Image.BOX, "box"), 16: (Image.BILINEAR, "bilinear"),
    17: (Image.BICUBIC, "bicubic"), 18: (Image.NEAREST, "nearest"),
}
CV_INTER = {}
if cv2 is not None:
    CV_INTER = {14: cv2.INTER_AREA, 15: cv2.INTER_AREA, 16: cv2.INTER_LINEAR, 17: cv2.INTER_CUBIC,
                18: cv2.INTER_NEAREST, 8: cv2.INTER_LANCZOS4}

_pictures = {}


def picture(w, h):
    if (w, h) not in _pictures:
        y, x = np.mgrid[0:h, 0:w].astype(np.uint64)
        base = 7 * x + 13 * y + ((x * y) >> np.uint64(3))
        img = np.stack([(base + 50 * c) % 256 for c in range(3)], axis=-1).astype(np.uint8)
        _pictures[(w, h)] = img
    return _pictures[(w, h)]


def best_time(fn, min_time):
    """Best of repeated runs, in milliseconds (machines shared with builds
    are noisy: the best run is the least disturbed one)."""
    fn()
    best = float("inf")
    spent = 0.0
    runs = 0
    while spent < min_time or runs < 3:
        t0 = time.perf_counter()
        fn()
        dt = time.perf_counter() - t0
        best = min(best, dt)
        spent += dt
        runs += 1
    return best * 1000.0


def ours(build, filt, min_time, program="resize_bench"):
    exe = os.path.join(build, "bench", program)
    out = subprocess.run([exe, "--benchmark_format=json", "--benchmark_filter=" + filt,
                          "--benchmark_min_time=%g" % min_time, "--benchmark_repetitions=5"],
                         check=True, capture_output=True, text=True).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        name = b["run_name"].replace("/real_time", "")
        # the best repetition, as for the peers (milliseconds, the benchmark's unit)
        times[name] = min(times.get(name, float("inf")), b["real_time"])
    return times


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", nargs="?", default="build/native-release")
    ap.add_argument("--filter", default=".")
    ap.add_argument("--min-time", type=float, default=0.3)
    ap.add_argument("--part", choices=("resize", "geometry", "all"), default="all")
    args = ap.parse_args()
    if args.part != "geometry":
        resize(args)
    if args.part != "resize":
        geometry(args)


def resize(args):
    mine = ours(args.build, args.filter, args.min_time)
    cases = {}
    for name, t in mine.items():
        m = re.match(r"resize/(\d+)/(\d+)x(\d+)/(\d+)x(\d+)/(one|pool)", name)
        mode, sw, sh, dw, dh = (int(v) for v in m.groups()[:5])
        cases.setdefault((mode, sw, sh, dw, dh), {})[m.group(6)] = t

    print("%-4s %-22s %-12s %9s %9s | %9s %9s %7s %7s | %9s %7s %7s" % (
        "mode", "size", "peer filter", "ours 1", "ours pool", "cv 1", "cv pool", "cv/1", "cv/pool",
        "pil", "pil/1", "pil/pl"))
    worst = {}
    for (mode, sw, sh, dw, dh), t in sorted(cases.items()):
        src = picture(sw, sh)
        pil_src = Image.fromarray(src, "RGB")
        pil_filter, pil_name = PIL_FILTER[mode]
        pil = best_time(lambda: pil_src.resize((dw, dh), pil_filter), args.min_time)
        cv1 = cvn = None
        if mode in CV_INTER:
            inter = CV_INTER[mode]
            cv2.setNumThreads(1)
            cv1 = best_time(lambda: cv2.resize(src, (dw, dh), interpolation=inter), args.min_time)
            cv2.setNumThreads(-1)
            cvn = best_time(lambda: cv2.resize(src, (dw, dh), interpolation=inter), args.min_time)
        one, pool = t.get("one"), t.get("pool")
        fmt = lambda v: "%9.3f" % v if v is not None else "%9s" % "-"
        ratio = lambda a, b: "%7.2f" % (a / b) if a is not None and b else "%7s" % "-"
        print("%-4d %-22s %-12s %s %s | %s %s %s %s | %s %s %s" % (
            mode, "%dx%d>%dx%d" % (sw, sh, dw, dh), pil_name, fmt(one), fmt(pool), fmt(cv1), fmt(cvn),
            ratio(cv1, one), ratio(cvn, pool), fmt(pil), ratio(pil, one), ratio(pil, pool)))
        for key, a, b in (("cv/1", cv1, one), ("pil/1", pil, one)):
            if a is not None and b:
                worst[key] = min(worst.get(key, float("inf")), a / b)
    print("\nsmallest ratios (peer / ours, one thread):",
          ", ".join("%s %.2f" % kv for kv in sorted(worst.items())))
    print("cv2 %s, Pillow %s" % (cv2.__version__ if cv2 else "missing", Image.__version__ if hasattr(Image, "__version__") else __import__("PIL").__version__))


def rotated_geometry(angle, w, h):
    """cos and sin rounded down to 1e-9, the corners' box, the output size."""
    c = math.floor(math.cos(angle) * 1e9) / 1e9
    s = math.floor(math.sin(angle) * 1e9) / 1e9
    W, H = w - 1.0, h - 1.0
    xs = [0, c * W, c * W - s * H, -s * H]
    ys = [0, s * W, s * W + c * H, c * H]

    def covered(extent):
        whole = round(extent)
        return int(whole) if abs(extent - whole) < 1e-9 else math.ceil(extent)
    return c, s, min(xs), min(ys), covered(max(xs) - min(xs) + 1), covered(max(ys) - min(ys) + 1)


def liquid_rescale_ms(src, dw, h, min_time):
    """ImageMagick's liquid rescale, less the same convert without it (start-up
    and file work), in milliseconds; None without ImageMagick's lqr."""
    if not shutil.which("convert"):
        return None
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "in.ppm")
        Image.fromarray(src, "RGB").save(ppm)
        out = os.path.join(tmp, "out.ppm")
        plain = lambda: subprocess.run(["convert", ppm, out], check=True)
        lqr = lambda: subprocess.run(["convert", ppm, "-liquid-rescale", "%dx%d!" % (dw, h), out], check=True,
                                     capture_output=True)
        try:
            lqr()
        except subprocess.CalledProcessError:
            return None
        return max(best_time(lqr, min_time) - best_time(plain, min_time), 0.001)


def geometry(args):
    mine = ours(args.build, args.filter, args.min_time, "geometry_bench")
    cases = {}
    for name, t in mine.items():
        m = re.match(r"(rotate|carve)/([\w-]+)/(\d+)x(\d+)/(one|pool)", name)
        cases.setdefault((m.group(1), m.group(2), int(m.group(3)), int(m.group(4))), {})[m.group(5)] = t
    print("\n%-8s %-9s %-10s %9s %9s | %9s %9s %7s %7s" % (
        "what", "kind", "size", "ours 1", "ours pool", "peer 1", "peer pool", "p/1", "p/pool"))
    worst = {}
    for (what, kind, w, h), t in sorted(cases.items()):
        src = picture(w, h)
        one, pool = t.get("one"), t.get("pool")
        p1 = pn = None
        if what == "rotate" and cv2 is not None:
            if kind.startswith("turn"):
                code = [cv2.ROTATE_90_CLOCKWISE, cv2.ROTATE_180, cv2.ROTATE_90_COUNTERCLOCKWISE][int(kind[4:])]
                fn = lambda: cv2.rotate(src, code)
            else:
                c, s, min_x, min_y, ow, oh = rotated_geometry(0.3, w, h)
                x0, y0 = math.trunc(min_x), math.trunc(min_y)
                m = np.array([[c, s, x0 * c + y0 * s], [-s, c, y0 * c - x0 * s]])
                inter = {"nearest": cv2.INTER_NEAREST, "bilinear": cv2.INTER_LINEAR, "bicubic": cv2.INTER_CUBIC}[kind]
                fn = lambda: cv2.warpAffine(src, m, (ow, oh), flags=inter | cv2.WARP_INVERSE_MAP)
            cv2.setNumThreads(1)
            p1 = best_time(fn, args.min_time)
            cv2.setNumThreads(-1)
            pn = best_time(fn, args.min_time)
        elif what == "carve":
            # ImageMagick narrows and widens with one call; it has one time.
            p1 = pn = liquid_rescale_ms(src, w + int(kind), h, args.min_time)
        fmt = lambda v: "%9.3f" % v if v is not None else "%9s" % "-"
        ratio = lambda a, b: "%7.2f" % (a / b) if a is not None and b else "%7s" % "-"
        print("%-8s %-9s %-10s %s %s | %s %s %s %s" % (what, kind, "%dx%d" % (w, h), fmt(one), fmt(pool), fmt(p1),
                                                      fmt(pn), ratio(p1, one), ratio(pn, pool)))
        for key, a, b in (("peer/1", p1, one), ("peer/pool", pn, pool)):
            if a is not None and b:
                worst[key] = min(worst.get(key, float("inf")), a / b)
    print("\nsmallest ratios (peer / ours):", ", ".join("%s %.2f" % kv for kv in sorted(worst.items())))


if __name__ == "__main__":
    sys.exit(main())
