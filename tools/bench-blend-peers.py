#!/usr/bin/python3
"""Overlays, alpha blending, grey conversion and median filters against
OpenCV, NumPy and Pillow on a 12-megapixel picture (4000 x 3000), one thread
and each library's default threads.

Usage: tools/bench-blend-peers.py [build/native-release] [--min-time SECONDS]

Ours: bench/blend_bench (Google Benchmark). Peers on the same kind of
picture (gradients with noise), best of three runs:
  overlay mode 0 at 0.5  - cv2.addWeighted; NumPy (a * 0.5 + b * 0.5)
  overlay mode 7 at 1.0  - cv2.add (saturating); ImageChops.add
  RGBA over RGB          - per-pixel alpha in NumPy; Pillow alpha_composite
  grey                   - cv2.cvtColor(RGB2GRAY); Pillow convert('L')
  median 3, 5, 15        - cv2.medianBlur (bytes); Pillow MedianFilter
Our median filters bytes here, as the peers do (median_f64 in the
benchmark program times the same picture as f64 samples). Ratios are peer
time / our time (above 1: we are faster).
"""
import argparse
import json
import os
import subprocess
import time

import cv2
import numpy as np
from PIL import Image, ImageChops, ImageFilter

W, H = 4000, 3000


def picture(channels, seed):
    rng = np.random.default_rng(seed)
    x = np.arange(W)[None, :, None]
    y = np.arange(H)[:, None, None]
    c = np.arange(channels)[None, None, :]
    return ((x * (c + 1) // 16 + y // 12 + rng.integers(0, 24, (H, W, channels))) & 255).astype(np.uint8)


def best(fn, runs=3):
    t_best = None
    for _ in range(runs):
        t = time.perf_counter()
        fn()
        t = (time.perf_counter() - t) * 1000
        t_best = t if t_best is None else min(t_best, t)
    return t_best


def ours(build, min_time):
    out = subprocess.run([os.path.join(build, "bench", "blend_bench"), f"--benchmark_min_time={min_time}",
                          "--benchmark_format=json"], check=True, capture_output=True, text=True).stdout
    return {b["name"].replace("/real_time", "").replace("/iterations:1", ""): b["real_time"]
            for b in json.loads(out)["benchmarks"]}


def peers(threads):
    cv2.setNumThreads(threads)
    a, b = picture(3, 1), picture(3, 2)
    rgba = picture(4, 3)
    grey = picture(1, 6)[:, :, 0]
    pa, pb = Image.fromarray(a), Image.fromarray(b)
    prgba = Image.fromarray(rgba, "RGBA")
    pdst = Image.fromarray(np.dstack([b, np.full((H, W), 255, np.uint8)]), "RGBA")
    t = {}
    t["overlay/mode:0/opacity:50"] = {"addWeighted": best(lambda: cv2.addWeighted(a, 0.5, b, 0.5, 0)),
                                      "NumPy": best(lambda: (a * 0.5 + b * 0.5).astype(np.uint8))}
    t["overlay/mode:7/opacity:100"] = {"cv2.add": best(lambda: cv2.add(a, b)),
                                       "ImageChops.add": best(lambda: ImageChops.add(pa, pb))}
    alpha = rgba[:, :, 3:4].astype(np.uint16)
    t["alpha/rgba_over_rgb"] = {
        "NumPy": best(lambda: ((rgba[:, :, :3] * alpha + b * (255 - alpha)) // 255).astype(np.uint8)),
        "alpha_composite": best(lambda: Image.alpha_composite(pdst, prgba))}
    t["grey/single"] = {"cvtColor": best(lambda: cv2.cvtColor(a, cv2.COLOR_RGB2GRAY)),
                        "convert('L')": best(lambda: pa.convert("L"))}
    pg = Image.fromarray(grey)
    for k in (3, 5, 15):
        t[f"median/k:{k}"] = {"medianBlur": best(lambda: cv2.medianBlur(grey, k), 1),
                              "MedianFilter": best(lambda: pg.filter(ImageFilter.MedianFilter(k)), 1)}
    return t


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", nargs="?", default="build/native-release")
    ap.add_argument("--min-time", default="0.3")
    args = ap.parse_args()
    mine = ours(args.build, args.min_time)
    for threads, label, pool in ((1, "one thread", 0), (os.cpu_count(), "default threads", 1)):
        print(f"== {label}")
        for case, peer in peers(threads).items():
            name = case.replace("overlay/", f"overlay/pool:{pool}/").replace("alpha/rgba_over_rgb",
                                                                                f"alpha/rgba_over_rgb/pool:{pool}")
            name = name.replace("median/", f"median/pool:{pool}/").replace("grey/single", f"grey/single/pool:{pool}")
            our = mine.get(name) or mine.get(case)
            if our is None:
                print(f"{case:32} ours: not measured")
                continue
            cells = "  ".join(f"{p} {ms:8.1f} ms x{ms / our:6.2f}" for p, ms in peer.items())
            print(f"{case:32} ours {our:8.1f} ms | {cells}")


if __name__ == "__main__":
    main()
