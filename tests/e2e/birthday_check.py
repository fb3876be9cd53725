"""The birthday figure end to end.
  birthday_check.py --write FILE   writes a birthday file: two entries due
                                   today (a long bubble text, a short name),
                                   one due in ten days
  birthday_check.py                waits for the figure, clicks him to a
                                   stop, then clicks until three texts
                                   came, which must take turns
He paints a window wider than his 120 x 118 picture (128 columns more, in
whole steps of 32: 256 x 128), and his picture stands anywhere in it: he is
found by his drawn pixels there (his see-through ones show the black root,
or the bubble, whose place is left out). The bubble (184 x 88, white, its own window) stands 110
right of his picture and 50 above it (type 1) while his picture's left edge
is left of x 211, else 154 left of it and 40 above (type 2): his drawn pixels
lie in the 120 x 118 picture the bubble's place and type tell. A click on
his see-through pixels passes through his window, so he is clicked until he
stands. Each click also takes the shown bubble away (the shell does that
before the figure sees the click), so every click brings the next
text."""
import argparse
import datetime
import re
import struct
import subprocess
import sys
import time

import numpy as np

import screen_colours


def record(name, text, day, month, reminder):
    year = 1990
    return (struct.pack("<IHHHH", year * 400 + month * 12 + day, year, month, day, reminder)
            + name.encode("cp1252").ljust(32, b"\0") + text.encode("cp1252").ljust(80, b"\0"))


def write(path):
    today = datetime.date.today()
    later = today + datetime.timedelta(days=10)
    with open(path, "wb") as f:
        f.write(record("Anna", "Anna hat heute Geburtstag!", today.day, today.month, 1))
        f.write(record("Carla", "", later.day, later.month, 1))
        f.write(record("Bernd", "", today.day, today.month, 1))


PICTURE = (120, 118)
WINDOW = (256, 128)  # stage/portable/painted_place.h: PaintedWindowSize
BUBBLE = (184, 88)
# Where the bubble stands from his picture's top-left: to his right while
# the picture's left edge is left of TURN, else to his left.
BUBBLE_RIGHT = (110, -50)
BUBBLE_LEFT = (-154, -40)
TURN = 211


def windows(size):
    """(x, y) of the program's windows of this size."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    found = []
    for line in tree.splitlines():
        m = re.search(r"\b%dx%d\+(-?\d+)\+(-?\d+)" % size, line)
        if "waylunedesktop.exe" in line.lower() and m:
            found.append((int(m.group(1)), int(m.group(2))))
    return found


def grab(x, y, w, h):
    """The pixels in the rectangle as the screen shows them, rows x columns x RGB."""
    shot = screen_colours.part(x, y, w, h)
    return None if shot is None else shot.astype(np.uint8)


def longest_run(drawn):
    """(row, column) of the middle of the longest run of True in a row of
    `drawn`, None when there is none."""
    best = (0, 0, 0)  # run length, row, middle column
    for row in range(drawn.shape[0]):
        line = np.concatenate(([0], drawn[row].astype(np.int8), [0]))
        edges = np.flatnonzero(np.diff(line))
        for start, end in zip(edges[::2], edges[1::2]):
            if end - start > best[0]:
                best = (end - start, row, (start + end) // 2)
    return (best[1], best[2]) if best[0] else None


def figure():
    """(left, top, right, bottom, click, drawn, origin) of his drawn pixels
    on the screen: click is the middle of the longest run of them in a row
    (the board he carries; a click on his see-through pixels would pass
    through his window, and he may step a few pixels before it comes), drawn
    the mask of them in his window read from origin. None while he has no
    window or draws (nearly) nothing."""
    found = windows(WINDOW)
    if len(found) != 1:
        return None
    x, y = found[0]
    left, top = max(x, 0), max(y, 0)
    pixels = grab(left, top, x + WINDOW[0] - left, y + WINDOW[1] - top)
    if pixels is None:
        return None
    drawn = pixels.max(axis=2) > 0
    for bx, by in windows(BUBBLE):  # over his window's corner
        drawn[max(by - top, 0):max(by + BUBBLE[1] - top, 0), max(bx - left, 0):max(bx + BUBBLE[0] - left, 0)] = False
    rows, cols = np.nonzero(drawn)
    if len(rows) < 150:
        return None
    box = (left + cols.min(), top + rows.min(), left + cols.max() + 1, top + rows.max() + 1)
    row, col = longest_run(drawn)
    return box + ((left + int(col), top + int(row)), drawn, (left, top))


def bubble_pixels():
    """(white, other) pixel counts of the bubble's text field (types 1 and 2
    alike), and the bubble's top-left; None without one bubble."""
    found = windows(BUBBLE)
    if len(found) != 1:
        return None
    x, y = found[0]
    # Its left 140 columns only: his picture, standing to the left of a type
    # 2 bubble, may cover the rest (the long text ends before).
    pixels = grab(x + 10, y + 2, 140, 52)
    if pixels is None:
        return None
    white = int((pixels == 255).all(axis=2).sum())
    return white, pixels.shape[0] * pixels.shape[1] - white, (x, y)


def click(point):
    subprocess.run(["xdotool", "mousemove", str(point[0]), str(point[1]), "click", "1"], capture_output=True)


def picture_by(bubble):
    """The top-left of each picture the bubble may stand by: to its left
    (the bubble to his right) or to its right, each where its side holds."""
    places = []
    for offset, right in ((BUBBLE_RIGHT, True), (BUBBLE_LEFT, False)):
        x, y = bubble[0] - offset[0], bubble[1] - offset[1]
        if (x < TURN) == right:
            places.append((x, y))
    return places


def in_picture(at, bubble):
    """Whether his drawn pixels lie in a picture the bubble stands by."""
    return any(x <= at[0] and at[2] <= x + PICTURE[0] and y <= at[1] and at[3] <= y + PICTURE[1]
               for x, y in picture_by(bubble))


def bubble_text(at, before):
    """The amount of text in the bubble a click brought: the first bubble by
    his picture within 8 s whose amount differs from `before` (what the last
    click brought; the program may take a while under load, beside the other
    screenshot tests, and until then the last bubble may still show), read
    alike twice running. None when no such bubble came."""
    since, last = time.time(), None
    while time.time() - since < 8.0:
        time.sleep(0.25)
        found = bubble_pixels()
        if not found:
            last = None
            continue
        white, other, bubble = found
        settled, last = other == last, other
        if white <= (white + other) // 2 or other == before or not settled:
            continue
        if in_picture(at, bubble):
            return other
        print("the bubble at %s does not stand by him at %s" % (bubble, at[:4]))
    return None


def same_place(a, b):
    """Whether two of his drawings stand at one place: standing, his frames
    differ a little in shape; a stride moves him 20 pixels."""
    return (a is not None and b is not None and abs((a[0] + a[2]) - (b[0] + b[2])) <= 2 * STILL
            and abs(a[3] - b[3]) <= STILL)


STILL = 6  # pixels his middle and feet may differ by between frames standing


def standing(deadline):
    """Where he stays at one place for 1.6 s (a stride moves him within
    1.2 s), its click moved onto a pixel drawn in every frame seen there:
    standing, his frames differ in shape, and a frame may change between
    the look and the click."""
    first, since, common = None, time.time(), None
    while time.time() < deadline:
        now = figure()
        if not same_place(now, first) or now[6] != first[6] or now[5].shape != first[5].shape:
            first, since, common = now, time.time(), now and now[5]
        else:
            common = common & now[5]
            if time.time() - since >= 1.6:
                run = longest_run(common)
                if run is None:
                    return now
                return now[:4] + ((now[6][0] + int(run[1]), now[6][1] + int(run[0])),) + now[5:]
        time.sleep(0.2)
    return None


def stop(deadline):
    """Clicks him until he stands: a click stops him at the end of his
    stride, but one that met a see-through pixel of him (he stepped on
    before it came) passed through his window. Where he stands, or None."""
    while time.time() < deadline:
        now = figure()
        if now is None:
            time.sleep(0.2)
            continue
        click(now[4])
        at = standing(min(deadline, time.time() + 4.0))
        if at:
            return at
    return None


def check():
    deadline = time.time() + 180
    at = None
    while time.time() < deadline:
        at = figure()
        if at and 20 <= at[0] and at[2] <= 300 + PICTURE[0]:
            break
        time.sleep(0.3)
    else:
        return ["the birthday figure did not come (drawn at %s, windows %s)" % (at and at[:4], windows(WINDOW))]
    # Standing, each click brings the next text; one that brought none (it
    # met him as he walked on and stopped him, or it reached no window of the
    # program, as one now and then does beside the other screenshot tests) is
    # followed by another, after a stop where he walked on. The texts come in
    # turn whatever was lost: the figure moves to the next one only when it
    # shows it.
    seen, clicks = [], 0
    at = None
    while len(seen) < 3 and time.time() < deadline:
        if at is None:
            at = stop(deadline)
            if not at:
                return ["he did not stop when clicked"]
        click(at[4])
        clicks += 1
        text = bubble_text(at, seen[-1] if seen else None)
        if text is None:
            if not same_place(figure(), at):
                at = None
            continue
        seen.append(text)
    print("stands at", at and at[:4])
    print("text pixels of the texts in turn: %s (%d clicks)" % (seen, clicks))
    if len(seen) < 3:
        return ["three texts did not come in time: %s" % seen]
    # The long text and the short name in turn (a retried stop may have
    # brought the first one already).
    if not (seen[0] == seen[2] and max(seen[:2]) > 2 * min(seen[:2]) > 0):
        return ["the clicks did not bring the two texts in turn: %s" % seen]
    return []


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--write")
    args = parser.parse_args()
    if args.write:
        write(args.write)
        return 0
    failures = check()
    for f in failures:
        print("FAIL:", f)
    print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
    return 1 if failures else 0


sys.exit(main())
