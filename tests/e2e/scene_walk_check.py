"""Waits for the figure strip of the running program, takes two screenshots a
moment apart and checks that a figure stands on the bottom line and moved."""
import re
import subprocess
import sys
import time

TIMEOUT = 60


def screen_size():
    root = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True).stdout
    return (int(re.search(r"Width: (\d+)", root).group(1)), int(re.search(r"Height: (\d+)", root).group(1)))


def strip_geometry():
    """(x, y, w, h) of the program's screen-wide window at the bottom, or None."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    width = screen_size()[0]
    for line in tree.splitlines():
        if "waylunedesktop.exe" not in line.lower():
            continue
        m = re.search(r"(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", line)
        if m and int(m.group(1)) == width and int(m.group(2)) < 200:
            return int(m.group(3)), int(m.group(4)), int(m.group(1)), int(m.group(2))
    return None


def figure_columns(geometry):
    """Extent of the non-black pixels of the strip (key pixels show black)."""
    x, y, w, h = geometry
    h = min(h, screen_size()[1] - y)  # the strip may reach below the screen
    shot = subprocess.run("xwd -root -silent | /usr/bin/convert xwd:- -crop %dx%d+%d+%d +repage rgb:-"
                          % (w, h, x, y), shell=True, capture_output=True).stdout
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
    return min(xs), max(xs), min(ys), max(ys), len(xs)


def main():
    start = time.time()
    still = None
    while time.time() - start < TIMEOUT:
        geometry = strip_geometry()
        first = figure_columns(geometry) if geometry else None
        if not first:
            time.sleep(0.5)
            continue
        time.sleep(1.5)
        later = figure_columns(geometry)
        if not later:
            continue  # the scene ended between the two shots: wait for the next
        screen_height = screen_size()[1]
        x, y, w, h = geometry
        centre1 = (first[0] + first[1]) / 2
        centre2 = (later[0] + later[1]) / 2
        print("strip %dx%d+%d+%d, figure %d..%d then %d..%d" % (w, h, x, y, first[0], first[1], later[0], later[1]))
        if abs(centre2 - centre1) < 20:
            # A figure stands still a while (it stops, talks, turns): watch on.
            still = "the figure did not walk: %.0f -> %.0f" % (centre1, centre2)
            continue
        failures = []
        if not (screen_height - 5 <= y + h <= screen_height + 5):
            failures.append("the strip does not stand on the bottom: %d + %d" % (y, h))
        visible = min(h, screen_height - y)
        if first[3] < visible - 6 or later[3] < visible - 6:
            failures.append("the figure's feet are not on the strip's bottom line")
        for f in failures:
            print("FAIL:", f)
        print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
        return 1 if failures else 0
    print("FAIL: no figure walked within %d s%s" % (TIMEOUT, " (%s)" % still if still else ""))
    print("0 passed, 1 failed")
    return 1


sys.exit(main())
