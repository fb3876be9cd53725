#!/usr/bin/python3
"""Runs bench/tiff_bench (pic_ReadImage against bare libtiff on the same
12-megapixel files, one program, each side into a fresh block of the same
allocator) a few times and prints the ratio table: libtiff CPU time / ours
(above 1: we are faster), medians of each run's repetitions, one line per
run to show the spread.

Usage: tools/bench-tiff-peers.py [build/native-release] [--runs N] [--repetitions N]

RGBA: TIFFReadRGBAImageOriented (libtiff's own RGBA path, 4 bytes a pixel);
strips: plain TIFFReadEncodedStrip / TIFFReadTile into RGB rows (no JPEG:
its strips are YCbCr).
"""
import argparse
import json
import os
import subprocess

KINDS = ["uncompressed", "LZW", "deflate", "JPEG", "tiled"]


def run(build, repetitions):
    out = subprocess.run([os.path.join(build, "bench", "tiff_bench"), "--benchmark_format=json",
                          "--benchmark_repetitions=%d" % repetitions, "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            times[b["run_name"]] = b["cpu_time"]
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build/native-release")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--repetitions", type=int, default=5)
    args = parser.parse_args()
    print("libtiff / ours (libtiff ms)")
    print("%-5s %-8s" % ("run", "peer") + "".join("%14s" % k for k in KINDS))
    for r in range(args.runs):
        t = run(args.build, args.repetitions)
        for peer, name in (("RGBA", "Bare"), ("strips", "BareRaw")):
            cells = []
            for i in range(len(KINDS)):
                ours, theirs = t.get("PicReadImage/kind:%d" % i), t.get("%s/kind:%d" % (name, i))
                cells.append("%.2f (%.1f)" % (theirs / ours, theirs) if ours and theirs else "-")
            print("%-5d %-8s" % (r + 1, peer) + "".join("%14s" % c for c in cells))
        print("      ours ms: " + ", ".join("%s %.1f" % (k, t["PicReadImage/kind:%d" % i]) for i, k in enumerate(KINDS)))


if __name__ == "__main__":
    main()
