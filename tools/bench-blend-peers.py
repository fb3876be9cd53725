#!/usr/bin/python3
"""Overlays, alpha blending, grey conversion and median filters against
OpenCV, NumPy and Pillow on a 12-megapixel picture (4000 x 3000), side by
side in one process with interleaved rounds (tools/peerbench.py), one table
per thread setting (1 thread, 4, one per core, both libraries' defaults).

Usage: tools/bench-blend-peers.py [build/native-release] [--rounds N]
       [--filter REGEX] [--settings 1,4,8,default]

Peers on the same pictures (gradients with noise):
  overlay mode 0 at 0.5  - cv2.addWeighted; NumPy (a * 0.5 + b * 0.5)
  overlay mode 7 at 1.0  - cv2.add (saturating); ImageChops.add
  RGBA over RGB          - per-pixel alpha in NumPy; Pillow alpha_composite
  grey                   - cv2.cvtColor(RGB2GRAY); Pillow convert('L')
  median 3, 5, 15        - cv2.medianBlur (bytes); Pillow's MedianFilter takes
                           300 times as long as either (1.4 s at 3, 40 s at 15)
                           and is left out
  2x bilinear downscale  - cv2.resize INTER_LINEAR; Pillow BILINEAR
Our median filters bytes here, as the peers do. Ratios are peer time / our
time (above 1: we are faster).

Bandwidth: after each table, the memory-bound operations' bytes moved (read
plus written) per second against a plain memcpy of 36 MB on the same
threads (our pool's bands, as the operations use it), measured in the same
rounds.
"""
import argparse
import re
import sys

import numpy as np
from PIL import Image, ImageChops

import peerbench as pb
from peerbench import cv2

W, H = 4000, 3000


def picture(channels, seed, w=W, h=H):
    rng = np.random.default_rng(seed)
    x = np.arange(w)[None, :, None]
    y = np.arange(h)[:, None, None]
    c = np.arange(channels)[None, None, :]
    return np.ascontiguousarray(((x * (c + 1) // 16 + y // 12 + rng.integers(0, 24, (h, w, channels))) & 255)
                                .astype(np.uint8))


def cases(ours):
    a, b = picture(3, 1), picture(3, 2)
    rgba = picture(4, 3)
    grey_src = np.ascontiguousarray(picture(1, 6)[:, :, 0])
    pa, pb_ = Image.fromarray(a), Image.fromarray(b)
    prgba = Image.fromarray(rgba, "RGBA")
    pdst = Image.fromarray(np.dstack([b, np.full((H, W), 255, np.uint8)]), "RGBA")
    dst3 = b.copy()
    grey = np.empty((H, W), np.uint8)
    med = np.empty((H, W), np.uint8)
    half = np.empty((H // 2, W // 2, 3), np.uint8)
    copy = np.empty_like(a)
    L = ours.lib
    alpha = rgba[:, :, 3:4].astype(np.uint16)
    out = []
    # (name, sides, bytes moved by our operation or None)
    out.append(("memcpy 36 MB", [("ours", ours.checked(L.pb_memcpy, pb.ptr(copy), pb.ptr(a), a.nbytes)),
                                 ("numpy", lambda: np.copyto(copy, a))], 2 * a.nbytes))
    out.append(("overlay mode 0 at 0.5", [
        ("ours", ours.checked(L.pb_overlay, pb.ptr(dst3), pb.ptr(a), W, H, 0, 0.5)),
        ("addWeighted", lambda: cv2.addWeighted(a, 0.5, b, 0.5, 0)),
        ("numpy", lambda: (a * 0.5 + b * 0.5).astype(np.uint8))], 3 * a.nbytes))
    out.append(("overlay mode 7 at 1.0", [
        ("ours", ours.checked(L.pb_overlay, pb.ptr(dst3), pb.ptr(a), W, H, 7, 1.0)),
        ("cv2.add", lambda: cv2.add(a, b)),
        ("ImageChops.add", lambda: ImageChops.add(pa, pb_))], 3 * a.nbytes))
    out.append(("RGBA over RGB", [
        ("ours", ours.checked(L.pb_alpha, pb.ptr(dst3), pb.ptr(rgba), W, H)),
        ("numpy", lambda: ((rgba[:, :, :3] * alpha + b * (255 - alpha)) // 255).astype(np.uint8)),
        ("alpha_composite", lambda: Image.alpha_composite(pdst, prgba))], rgba.nbytes + 2 * a.nbytes))
    out.append(("grey", [
        ("ours", ours.checked(L.pb_grey, pb.ptr(a), W, H, pb.ptr(grey))),
        ("cvtColor", lambda: cv2.cvtColor(a, cv2.COLOR_RGB2GRAY)),
        ("convert('L')", lambda: pa.convert("L"))], a.nbytes + grey.nbytes))
    out.append(("2x bilinear 4000x3000>2000x1500", [
        ("ours", ours.checked(L.pb_resize, pb.ptr(a), W, H, pb.ptr(half), W // 2, H // 2, 3, 16)),
        ("cv", lambda: cv2.resize(a, (W // 2, H // 2), interpolation=cv2.INTER_LINEAR)),
        ("pil", lambda: pa.resize((W // 2, H // 2), Image.BILINEAR))], a.nbytes + half.nbytes))
    for k in (3, 5, 15):
        out.append(("median %d" % k, [
            ("ours", ours.checked(L.pb_median, pb.ptr(grey_src), W, H, pb.ptr(med), k)),
            ("medianBlur", lambda k=k: cv2.medianBlur(grey_src, k))], None))
    return out


def main():
    ap = argparse.ArgumentParser()
    pb.add_arguments(ap)
    ap.add_argument("--filter", default=".")
    args = ap.parse_args()
    ours = pb.Ours(args.build)
    pb.banner("blends, grey and median")
    settings = pb.chosen_settings(args.settings)
    pattern = re.compile(args.filter)
    all_cases = [c for c in cases(ours) if pattern.search(c[0]) or c[0].startswith("memcpy")]
    for setting in settings:
        pb.set_threads(ours, setting)
        table = pb.Table(setting)
        bandwidth = []
        for name, sides, moved in all_cases:
            times = pb.interleave(pb.threaded_sides(sides, setting, ["numpy", "pil", "convert('L')",
                                                                     "ImageChops.add", "alpha_composite"]),
                                  args.rounds)
            table.add(name, times)
            if moved:
                bandwidth.append((name, moved / times["ours"][0] / 1e6))  # GB/s
        table.print()
        copy_rate = dict(bandwidth).get("memcpy 36 MB")
        print("bytes moved per second (read + written), ours, against memcpy on the same threads:")
        for name, rate in bandwidth:
            print("  %-34s %6.1f GB/s  %5.0f%% of memcpy" % (name, rate, 100 * rate / copy_rate))
    pb.set_threads(ours, pb.SETTINGS[-1])


if __name__ == "__main__":
    sys.exit(main())
