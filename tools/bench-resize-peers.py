#!/usr/bin/python3
"""Times Pictura's resize modes against OpenCV's cv2.resize and Pillow's
Image.resize, rotation against cv2.rotate, cv2.warpAffine and Pillow's
Image.rotate, and seam carving against ImageMagick's liquid rescale, side by
side in one process with interleaved rounds (tools/peerbench.py), and prints
one ratio table per thread setting: 1 thread, 4, one per core, and both
libraries' defaults. Ratios are peer time / our time (above 1: we are
faster); "best/us" is the fastest peer's.

Usage: tools/bench-resize-peers.py [build/native-release] [--filter REGEX]
       [--part resize|geometry|carve|all] [--rounds N] [--all-modes]
       [--settings 1,4,8,default]

The picture: (7x + 13y + 50c + (xy >> 3)) mod 256, 24-bit RGB. Without
--all-modes the resize cases are the ones the library's users meet and the
ones that have been behind: bilinear, nearest, area and bicubic at 0.25x,
0.37x and 2x and from 12 megapixels, Lanczos (mode 8) against Pillow's
Lanczos, the same kernel (OpenCV's Lanczos4 is a fixed 8-tap kernel).
Build the library first: cmake --build --preset native-release.
"""
import argparse
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

import peerbench as pb
from peerbench import cv2

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
MODE_NAME = {8: "lanczos", 14: "block", 15: "area", 16: "bilinear", 17: "bicubic", 18: "nearest"}
ANGLE = 0.3

_pictures = {}


def picture(w, h):
    if (w, h) not in _pictures:
        y, x = np.mgrid[0:h, 0:w].astype(np.uint64)
        base = 7 * x + 13 * y + ((x * y) >> np.uint64(3))
        img = np.stack([(base + 50 * c) % 256 for c in range(3)], axis=-1).astype(np.uint8)
        _pictures[(w, h)] = np.ascontiguousarray(img)
    return _pictures[(w, h)]


def resize_cases(all_modes):
    w, h = 1920, 1080
    quarter, third, double = (w // 4, h // 4), (int(w * 0.37), int(h * 0.37)), (w * 2, h * 2)
    big = [(4000, 3000, 1000, 750), (4000, 3000, 1480, 1110)]
    cases = [(16, 4000, 3000, 171, 128), (16, 1920, 1080, 171, 128), (16, 4000, 3000, 2000, 1500),
             (17, 1024, 768, 1920, 1080), (17, 4000, 3000, 1920, 1080)]
    for mode in (16, 18, 15, 17, 8):
        sizes = [quarter, third] + ([double] if mode != 15 else [])
        cases += [(mode, w, h) + s for s in sizes]
        cases += [(mode,) + b for b in big]
    if all_modes:
        for mode in list(range(0, 8)) + list(range(9, 15)):
            cases += [(mode, w, h) + s for s in (quarter, third) + ((double,) if mode != 14 else ())]
    return cases


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


def resize_sides(ours, case):
    mode, sw, sh, dw, dh = case
    src = picture(sw, sh)
    dst = np.empty((dh, dw, 3), np.uint8)
    sides = [("ours", ours.checked(ours.lib.pb_resize, pb.ptr(src), sw, sh, pb.ptr(dst), dw, dh, 3, mode))]
    if mode in CV_INTER:
        inter = CV_INTER[mode]
        sides.append(("cv", lambda: cv2.resize(src, (dw, dh), interpolation=inter)))
    pil_src = Image.fromarray(src, "RGB")
    pil_filter = PIL_FILTER[mode][0]
    sides.append(("pil", lambda: pil_src.resize((dw, dh), pil_filter)))
    return sides


def geometry_sides(ours, case):
    what, kind, w, h = case
    src = picture(w, h)
    if what == "turn":
        code = int(kind)
        dst = np.empty((w, h, 3) if code != 1 else (h, w, 3), np.uint8)
        cv_code = [cv2.ROTATE_90_CLOCKWISE, cv2.ROTATE_180, cv2.ROTATE_90_COUNTERCLOCKWISE][code] if cv2 else None
        pil_src = Image.fromarray(src, "RGB")
        pil_op = [Image.Transpose.ROTATE_270, Image.Transpose.ROTATE_180, Image.Transpose.ROTATE_90][code]
        sides = [("ours", ours.checked(ours.lib.pb_turn, pb.ptr(src), w, h, pb.ptr(dst), code))]
        if cv2 is not None:
            sides.append(("cv", lambda: cv2.rotate(src, cv_code)))
        sides.append(("pil", lambda: pil_src.transpose(pil_op)))
        return sides
    quality = {"nearest": 0, "bilinear": 1, "bicubic": 2}[kind]
    ow, oh = ours.rotated_size(ANGLE, w, h)
    dst = np.zeros((oh, ow, 3), np.uint8)
    sides = [("ours", ours.checked(ours.lib.pb_rotate, pb.ptr(src), w, h, pb.ptr(dst), ow, ANGLE, quality))]
    if cv2 is not None:
        c, s, min_x, min_y, cw, ch = rotated_geometry(ANGLE, w, h)
        x0, y0 = math.trunc(min_x), math.trunc(min_y)
        m = np.array([[c, s, x0 * c + y0 * s], [-s, c, y0 * c - x0 * s]])
        inter = {"nearest": cv2.INTER_NEAREST, "bilinear": cv2.INTER_LINEAR, "bicubic": cv2.INTER_CUBIC}[kind]
        sides.append(("cv", lambda: cv2.warpAffine(src, m, (cw, ch), flags=inter | cv2.WARP_INVERSE_MAP)))
    pil_src = Image.fromarray(src, "RGB")
    resample = {"nearest": Image.NEAREST, "bilinear": Image.BILINEAR, "bicubic": Image.BICUBIC}[kind]
    sides.append(("pil", lambda: pil_src.rotate(math.degrees(ANGLE), resample=resample, expand=True)))
    return sides


def carve_sides(ours, case, tmp):
    """ImageMagick's liquid rescale as a process: its time less the same
    convert without it (start-up and file work) is its figure."""
    _, change, w, h = case
    src = picture(w, h)
    dst = np.empty((h, w + change, 3), np.uint8)
    ppm = os.path.join(tmp, "in.ppm")
    Image.fromarray(src, "RGB").save(ppm)
    out = os.path.join(tmp, "out.ppm")
    sides = [("ours", ours.checked(ours.lib.pb_carve, pb.ptr(src), w, h, pb.ptr(dst), change))]
    if shutil.which("convert"):
        lqr = ["convert", ppm, "-liquid-rescale", "%dx%d!" % (w + change, h), out]
        if subprocess.run(lqr, capture_output=True).returncode == 0:
            sides.append(("im", lambda: subprocess.run(lqr, check=True, capture_output=True)))
            sides.append(("im-plain", lambda: subprocess.run(["convert", ppm, out], check=True)))
    return sides


def main():
    ap = argparse.ArgumentParser()
    pb.add_arguments(ap)
    ap.add_argument("--filter", default=".")
    ap.add_argument("--part", choices=("resize", "geometry", "carve", "all"), default="all")
    ap.add_argument("--all-modes", action="store_true")
    args = ap.parse_args()
    ours = pb.Ours(args.build)
    pb.banner("resize and geometry")
    settings = pb.chosen_settings(args.settings)

    parts = []
    if args.part in ("resize", "all"):
        parts.append(("resize", [("%s %dx%d>%dx%d" % ((MODE_NAME.get(c[0], "mode %d" % c[0]),) + c[1:]), c)
                                 for c in resize_cases(args.all_modes)], resize_sides))
    if args.part in ("geometry", "all"):
        geo = []
        for w, h in ((1920, 1080), (4000, 3000)):
            geo += [("turn%s %dx%d" % (k, w, h), ("turn", k, w, h)) for k in ("0", "1", "2")]
            geo += [("angle %s %dx%d" % (k, w, h), ("angle", k, w, h)) for k in ("nearest", "bilinear", "bicubic")]
        parts.append(("geometry", geo, geometry_sides))
    tmp = tempfile.TemporaryDirectory()
    if args.part in ("carve", "all"):
        carve = [("carve %+d %dx%d" % (c, 1920, 1080), ("carve", c, 1920, 1080)) for c in (-50, 50)]
        parts.append(("carve", carve, lambda o, c: carve_sides(o, c, tmp.name)))

    pattern = re.compile(args.filter)
    for part, cases, make in parts:
        cases = [(name, c) for name, c in cases if pattern.search(name)]
        worst = {}
        for setting in settings:
            pb.set_threads(ours, setting)
            table = pb.Table(setting)
            for name, case in cases:
                times = pb.interleave(pb.threaded_sides(make(ours, case), setting, ["pil", "im*"]), args.rounds)
                if "im-plain" in times:
                    im, plain = times.pop("im"), times.pop("im-plain")
                    times["im"] = tuple(max(a - plain[0], 1e-3) for a in im[:3]) + (None,)
                table.add(name, times)
                for p in [k for k in times if k != "ours"]:
                    r = pb.ratio(times.get(p), times.get("ours"))
                    if r is not None:
                        key = (setting[0], p)
                        worst[key] = min(worst.get(key, float("inf")), r)
            table.print()
        print("\n%s: smallest ratios (peer / ours): %s" % (
            part, ", ".join("%s %s %.2f" % (s, p, r) for (s, p), r in worst.items())))
    pb.set_threads(ours, pb.SETTINGS[-1])


if __name__ == "__main__":
    sys.exit(main())
