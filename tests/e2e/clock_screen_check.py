"""Reads the digits of the running program's clock (face 4) and countdown
(face 3) from X screenshots and checks them against the local time and the
countdown's target.

  clock_screen_check.py ART_FOLDER CLOCK_FACES_H ITIME IDATE TARGET_EPOCH CLOCK_XY COUNTDOWN_XY

The digit strips are the program's own art; their layout is read from the
shared header. Glyphs are found by exact match, so every digit on screen must
be a whole, undamaged glyph of the strip. Both faces' windows are padded to
the same size (whole steps of 32 pixels), so each is found at its place
(CLOCK_XY, COUNTDOWN_XY: "x,y" as the script set them) with its padded size;
no pixel of either window may show the key colour (its window region holds
only the face's opaque pixels)."""
import re
import sys
import time

import numpy
from PIL import Image

import screen_colours
import x_windows

TIMEOUT = 40


def strip_layout(header, name):
    text = open(header).read()
    m = re.search(r'\{"%s",\s*(\d+),\s*(\d+),' % name, text)
    return int(m.group(1)), int(m.group(2))


def templates(art, header):
    out = []
    for name, size in (("UHR_Z1", "small"), ("UHR_Z3", "large")):
        width, height = strip_layout(header, name)
        strip = numpy.asarray(Image.open("%s/%s.bmp" % (art, name.lower())).convert("RGB"))
        for digit in range(10):
            out.append((size, digit, strip[0:height, digit * width:(digit + 1) * width]))
    return out


KEY = (255, 0, 255)


def window(place, width, height):
    """(x, y) of the program's visible window at `place` of this face's size
    padded to whole steps, or None."""
    for _, w, h, x, y in x_windows.program_windows():
        if (x, y) == place and (w, h) == (x_windows.padded(width), x_windows.padded(height)):
            return x, y
    return None


def shot(x, y, width, height):
    picture = screen_colours.part(x, y, width, height)
    return None if picture is None else picture.astype(numpy.uint8)


def read_digits(picture, glyphs):
    """{size: digits left to right, row by row} of every glyph found whole."""
    found = []
    for size, digit, glyph in glyphs:
        h, w = glyph.shape[:2]
        for y in range(picture.shape[0] - h + 1):
            for x in range(picture.shape[1] - w + 1):
                if (picture[y, x] == glyph[0, 0]).all() and numpy.array_equal(picture[y:y + h, x:x + w], glyph):
                    found.append((size, y, x, digit))
    out = {}
    for size, y, x, digit in sorted(found):
        out[size] = out.get(size, "") + str(digit)
    return out


def clock_text(t, itime, idate):
    hour = t.tm_hour - 12 if itime < 1 and t.tm_hour > 12 else t.tm_hour
    year = t.tm_year % 100
    if idate == 0:
        date = "%02d%02d%02d" % (t.tm_mon, t.tm_mday, year)
    elif idate == 1:
        date = "%02d%02d%02d" % (t.tm_mday, t.tm_mon, year)
    elif idate == 2:
        date = "%02d%02d%02d" % (year, t.tm_mon, t.tm_mday)
    else:
        date = ""
    return "%02d%02d" % (hour, t.tm_min), date


def countdown_text(now, target):
    minutes = (int(target) - int(now) // 60 * 60) // 60
    days, rest = divmod(minutes, 1440)
    return str(days) if days else "", "%02d%02d" % divmod(rest, 60)


def main():
    art, header, itime, idate, target = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5])
    clock_at, countdown_at = (tuple(int(v) for v in a.split(",")) for a in sys.argv[6:8])
    glyphs = templates(art, header)
    start = time.time()
    last = None
    while time.time() - start < TIMEOUT:
        clock, countdown = window(clock_at, 72, 51), window(countdown_at, 88, 51)
        if not clock or not countdown:
            time.sleep(0.5)
            continue
        before = time.time()
        clock_digits = read_digits(shot(clock[0], clock[1], 72, 51), glyphs)
        countdown_digits = read_digits(shot(countdown[0], countdown[1], 88, 51), glyphs)
        after = time.time()
        last = (clock_digits, countdown_digits)
        if len(clock_digits.get("large", "")) != 4:
            time.sleep(0.5)  # not drawn yet
            continue
        failures = []
        for name, at, face in (("clock", clock, (72, 51)), ("countdown", countdown, (88, 51))):
            whole = shot(at[0], at[1], x_windows.padded(face[0]), x_windows.padded(face[1]))
            keyed = int((whole == KEY).all(axis=2).sum()) if whole is not None else -1
            print("%s's window: %d pixels of the key colour" % (name, keyed))
            if keyed != 0:
                failures.append("the %s's window shows %d pixels of the key colour" % (name, keyed))
        times = [clock_text(time.localtime(t), itime, idate) for t in (before, after)]
        got = (clock_digits.get("large", ""), clock_digits.get("small", ""))
        print("clock at %s shows %s %s, expected %s" % (clock, got[0], got[1], " or ".join(map(str, times))))
        if got not in times:
            failures.append("the clock shows %s %s" % got)
        left = [countdown_text(t, target) for t in (before, after)]
        got = (countdown_digits.get("large", ""), countdown_digits.get("small", ""))
        print("countdown at %s shows %s days %s, expected %s" % (countdown, got[0], got[1], " or ".join(map(str, left))))
        if got not in left:
            failures.append("the countdown shows %s days %s" % got)
        for f in failures:
            print("FAIL:", f)
        print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
        return 1 if failures else 0
    print("FAIL: no clock digits within %d s (last read: %s)" % (TIMEOUT, last))
    print("0 passed, 1 failed")
    return 1


sys.exit(main())
