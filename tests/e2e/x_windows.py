"""The program's windows as the X server lists them, for the screenshot
checks (xwininfo: each top-level window with its WxH+X+Y, top-most first)."""
import re
import subprocess

LINE = re.compile(r"(0x[0-9a-f]+).*?(\d+)x(\d+)\+(-?\d+)\+(-?\d+)")


def program_windows(viewable=True, least=1):
    """(id, w, h, x, y) of the program's top-level windows at least `least`
    pixels wide and high, top-most first; only the viewable ones unless
    `viewable` is False."""
    tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True).stdout
    found = []
    for line in tree.splitlines():
        m = LINE.search(line)
        if "waylunedesktop.exe" not in line.lower() or not m:
            continue
        window = (m.group(1),) + tuple(int(g) for g in m.groups()[1:])
        if window[1] < least or window[2] < least:
            continue
        if viewable:
            info = subprocess.run(["xwininfo", "-id", window[0]], capture_output=True, text=True).stdout
            if "IsViewable" not in info:
                continue
        found.append(window)
    return found


STEP = 32


def padded(length):
    """`length` rounded up to whole steps of 32 pixels: the program pads the
    windows of its figures and its wall so (see-through columns right of the
    picture, rows below it) where Wine then keeps one drawing surface."""
    return -(-length // STEP) * STEP


def shows(w, h, width, height):
    """Whether a window of w x h can show a picture of width x height from
    its top-left: the picture's own size or padded."""
    return (w, h) in ((width, height), (padded(width), padded(height)))
