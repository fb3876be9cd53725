"""Waits for the figure window of the running program, watches it in
screenshots and checks that a figure stands on the bottom line and walks.
  scene_walk_check.py [--window WxH] [--timeout S]
The window is one on the bottom no taller than a figure strip (the one that
walks) unless --window names the size of a figure's own moving window."""
import argparse
import re
import subprocess
import sys
import time

import x_windows


def screen_size():
    root = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True).stdout
    return (int(re.search(r"Width: (\d+)", root).group(1)), int(re.search(r"Height: (\d+)", root).group(1)))


def figure_windows(size):
    """{id: (x, y, w, h)} of the program's windows at the bottom that may be
    the figure's: of `size` (or padded), or else no taller than a figure strip (the
    figure's window covers only what he draws; a standing object there, the
    clock, is told apart by not walking)."""
    width, height = screen_size()
    found = {}
    for window, w, h, x, y in x_windows.program_windows(viewable=False):
        wanted = x_windows.shows(w, h, *size) if size else (w <= width and h < 200)
        if wanted and y < height <= y + h + 10:
            found[window] = (x, y, w, h)
    return found


def figure_extent(geometry):
    """Screen extent of the non-black pixels of the window (key pixels show
    black): left, right, top, bottom, count; None when nearly empty."""
    x, y, w, h = geometry
    width, height = screen_size()
    left, right = max(x, 0), min(x + w, width)
    h = min(h, height - y)  # the window may reach below the screen
    if right - left < 8 or h < 8:
        return None
    w = right - left
    shot = subprocess.run("xwd -root -silent | /usr/bin/convert xwd:- -crop %dx%d+%d+%d +repage rgb:-"
                          % (w, h, left, y), shell=True, capture_output=True).stdout
    if len(shot) < w * h * 3:
        return None
    xs, ys = [], []
    for row in range(h):
        line = shot[row * w * 3:(row + 1) * w * 3]
        for col in range(w):
            if line[col * 3] or line[col * 3 + 1] or line[col * 3 + 2]:
                xs.append(col)
                ys.append(row)
    if len(xs) < 150:
        return None
    return left + min(xs), left + max(xs), y + min(ys), y + max(ys), len(xs)


# How long one window is watched for a walk. A slow walker moves one stride
# of 16 pixels in about two seconds; a figure that stands (stops, talks,
# turns) is watched again on the next round.
WATCH_S = 8.0
WALK_PX = 20


def centre(extent):
    return (extent[0] + extent[1]) / 2


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--window", help="WxH of a moving figure window")
    parser.add_argument("--timeout", type=int, default=60)
    args = parser.parse_args()
    size = tuple(int(v) for v in args.window.split("x")) if args.window else None
    start = time.time()
    still = None
    while time.time() - start < args.timeout:
        firsts = {}
        for window, geometry in figure_windows(size).items():
            extent = figure_extent(geometry)
            if extent:
                firsts[window] = extent
        if not firsts:
            time.sleep(0.5)
            continue
        # Shots of the same windows until one has walked or the watch is over.
        until = time.time() + WATCH_S
        walked = None
        seen = None
        lowest = {window: extent[3] for window, extent in firsts.items()}  # a step may lift the feet
        while walked is None and firsts and time.time() < until:
            time.sleep(0.7)
            laters = figure_windows(size)
            for window in laters.keys() - firsts.keys():
                extent = figure_extent(laters[window])
                if extent:  # a figure came on during the watch: watch it whole
                    firsts[window] = extent
                    lowest[window] = extent[3]
                    until = time.time() + WATCH_S
            for window, first in list(firsts.items()):
                geometry = laters.get(window)
                later = figure_extent(geometry) if geometry else None
                if not later:
                    del firsts[window]  # gone or empty: the scene ended
                    continue
                lowest[window] = max(lowest[window], later[3])
                moved = abs(centre(later) - centre(first))
                if not seen or moved >= abs(centre(seen[3]) - centre(seen[1])):
                    seen = (window, first, geometry, later)  # the one that moved most
                if moved >= WALK_PX:
                    walked = seen
                    break
        if not seen:
            continue  # the scene ended between the shots: wait for the next
        window, first, geometry, later = walked or seen
        print("window %dx%d+%d+%d, figure %d..%d then %d..%d" % (geometry[2], geometry[3], geometry[0],
                                                               geometry[1], first[0], first[1], later[0],
                                                               later[1]))
        if not walked:
            still = "the figure did not walk: %.0f -> %.0f" % (centre(first), centre(later))
            continue
        screen_height = screen_size()[1]
        failures = []
        # He touches the ground at least once while he is watched (a jump, a
        # raised leg or a lifted paw leave it for a frame).
        if lowest[window] < screen_height - 8:
            failures.append("the figure's feet are not on the bottom line: lowest %d of %d"
                            % (lowest[window], screen_height))
        for f in failures:
            print("FAIL:", f)
        print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
        return 1 if failures else 0
    print("FAIL: no figure walked within %d s%s" % (args.timeout, " (%s)" % still if still else ""))
    # What the screen held at the end, for the log of a failed run.
    for window, w, h, x, y in x_windows.program_windows(viewable=False):
        print("  window %s %dx%d+%d+%d, drawn %s" % (window, w, h, x, y, figure_extent((x, y, w, h))))
    print("0 passed, 1 failed")
    return 1


sys.exit(main())
