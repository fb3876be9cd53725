"""Checks the running program's scenery strip and plane in X screenshots:
the strip shows its picture (the part ending `offset` pixels before its right
end) on the bottom of the screen, below the plane's window in the stacking
order, and the plane's banner carries dark letters on its light cloth.
  scenery_check.py STRIP.bmp OFFSET"""
import sys
import time

import numpy as np
from PIL import Image

import screen_colours
import x_windows

TIMEOUT = 120
PLANE_W, PLANE_H = 656, 86
# The plane paints its window (a new frame every 25 ms): the window holds its
# picture and 128 columns more, in whole steps of 32, the picture anywhere in it.
PAINTED_W, PAINTED_H = -(-(PLANE_W + 128) // 32) * 32, -(-PLANE_H // 32) * 32
# Banner text rectangles inside the plane's frames: flying left, flying right.
BANNERS = [(220, 13, 612, 80), (40, 13, 432, 80)]


def shot():
    while True:
        screen = screen_colours.screen()
        if screen is not None:
            return screen.astype(np.int32)


def main():
    strip_picture = np.asarray(Image.open(sys.argv[1]).convert("RGB")).astype(np.int32)
    offset = int(sys.argv[2])
    sheet_h, sheet_w = strip_picture.shape[:2]
    failures = []
    strip_ok = plane_ok = stacked_wrong = False
    start = time.time()
    while time.time() - start < TIMEOUT and not (strip_ok and plane_ok):
        found = x_windows.program_windows()
        screen = shot()
        screen_h, screen_w = screen.shape[:2]
        key = screen_colours.key_shown(screen)
        if key and not any("key colour" in f for f in failures):
            failures.append(key)
        # The window is padded with see-through rows above the picture to
        # whole steps of 32 pixels.
        strip = [w for w in found if w[1] == screen_w and w[2] == -(-sheet_h // 32) * 32]
        plane = [w for w in found
                 if x_windows.shows(w[1], w[2], PLANE_W, PLANE_H) or (w[1], w[2]) == (PAINTED_W, PAINTED_H)]
        if strip and not strip_ok:
            _, w, h, x, y = strip[0]
            if y + h != screen_h:
                failures.append("the strip is not on the bottom: %d + %d" % (y, h))
            left = sheet_w - offset - w
            want = strip_picture[:, left:left + w].copy()
            key = (want == [255, 0, 255]).all(axis=2)
            want[key] = 0  # the key shows black without a compositor
            seen = screen[y + h - sheet_h:y + h, x:x + w]
            match = float((np.abs(seen - want).max(axis=2) <= 8).mean())
            print("strip %dx%d+%d+%d, %.1f%% of its pixels as in the picture" % (w, h, x, y, match * 100))
            strip_ok = match > 0.97
        if plane and not plane_ok:
            ids = [w[0] for w in found]
            if strip and ids.index(strip[0][0]) < ids.index(plane[0][0]) and not stacked_wrong:
                stacked_wrong = True
                failures.append("the strip is stacked above the plane")
            _, window_w, window_h, window_x, window_y = plane[0]
            w, h = PLANE_W, PLANE_H
            # The picture at the window's top-left, or anywhere in a painted window.
            places = [(window_x + dx, window_y + dy) for dx in range(0, window_w - w + 1, 4)
                      for dy in range(0, window_h - h + 1, 2)]
            places = [(x, y) for x, y in places if x >= 0 and x + w <= screen_w and y >= 0]
            best, best_at = 0, None
            for x, y in places:
                frame = screen[y:y + h, x:x + w]
                for left, top, right, bottom in BANNERS:
                    area = frame[top:bottom, left:right]
                    cloth = float((area.min(axis=2) > 200).mean())
                    letters = int(((area[:, :, 2] > area[:, :, 0] + 8) & (area.max(axis=2) < 110)).sum())
                    if cloth > 0.5 and letters > best:
                        best, best_at = letters, (x, y)
            if places:
                x, y = best_at or places[0]
                print("plane at %d,%d, %d letter pixels on its banner" % (x, y, best))
                plane_ok = best > 150
        time.sleep(1)
    if not strip_ok:
        failures.append("the strip's picture was not seen on the bottom")
    if not plane_ok:
        failures.append("no plane with a lettered banner was seen")
    for f in failures:
        print("FAIL:", f)
    print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
    return 1 if failures else 0


sys.exit(main())
