"""The birthday figure end to end.
  birthday_check.py --write FILE   writes a birthday file: two entries due
                                   today (a long bubble text, a short name),
                                   one due in ten days
  birthday_check.py                waits for the figure's 120 x 118 window,
                                   clicks him to a stop, then clicks three
                                   times for the texts in turn
The bubble (type 1, 184 x 88, white) stands 110 right of his window and 50
above it while he is in the left part of the screen. Each click also takes
the shown bubble away (the shell does that before the figure sees the
click), so every click brings the next text."""
import argparse
import datetime
import re
import struct
import subprocess
import sys
import time


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


def window():
    """(x, y) of the figure's own window, or None."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    for line in tree.splitlines():
        # Its picture's size, or padded to whole steps of 32 pixels.
        m = re.search(r"(?:120x118|128x128)\+(-?\d+)\+(-?\d+)", line)
        if "waylunedesktop.exe" in line.lower() and m:
            return int(m.group(1)), int(m.group(2))
    return None


def bubble_pixels(at):
    """(white, other) pixel counts of the type 1 bubble's text field."""
    x, y, w, h = at[0] + 110 + 10, at[1] - 50 + 2, 165, 52
    shot = subprocess.run("xwd -root -silent | /usr/bin/convert xwd:- -crop %dx%d+%d+%d +repage rgb:-"
                          % (w, h, x, y), shell=True, capture_output=True).stdout
    pixels = [shot[3 * i:3 * i + 3] for i in range(len(shot) // 3)]
    white = sum(1 for p in pixels if p == b"\xff\xff\xff")
    return white, len(pixels) - white


def click(at):
    subprocess.run(["xdotool", "mousemove", str(at[0] + 45), str(at[1] + 80), "click", "1"], capture_output=True)


def bubble_text(at):
    """The amount of text in the bubble, or None when there is no bubble."""
    time.sleep(1.0)
    white, other = bubble_pixels(at)
    return other if white > 165 * 52 // 2 else None


def standing(deadline):
    """Where his window stays put for 1.6 s (a stride moves it within 1.2 s)."""
    last, since = None, time.time()
    while time.time() < deadline:
        now = window()
        if now != last:
            last, since = now, time.time()
        elif now and time.time() - since >= 1.6:
            return now
        time.sleep(0.2)
    return None


def check():
    deadline = time.time() + 120
    at = None
    while time.time() < deadline:
        at = window()
        if at and 20 <= at[0] < 300:
            break
        time.sleep(0.3)
    else:
        return ["the birthday figure did not come (window %s)" % (at,)]
    # A click stops him at the end of his stride. Standing, the first click
    # brings a text and keeps him there; should he walk on before it (he may
    # stand for a single cycle), it stops him again.
    seen = []
    while len(seen) < 3 and time.time() < deadline:
        if not seen:
            click(at)
            at = standing(deadline)
            if not at:
                return ["he did not stop when clicked"]
        click(at)
        text = bubble_text(at)
        if text is None and not seen and window() != at:
            at = window()
            continue
        seen.append(text)
    print("stands at", at)
    print("text pixels after each click:", seen)
    if None in seen:
        return ["a click showed no bubble: %s" % seen]
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
