"""What the display shows, and how its colours compare with the program's
pictures, for the screenshot checks.

The screen is read from the root window in one request (ImageMagick's
import), or where the test's own display keeps its framebuffer in a file
(Xvfb -fbdir, named by WAYLUNE_SCREEN_FILE) from that file, which costs the
server nothing: the X server's framebuffer, what a user sees, with the
Composite extension or without it. Not with xwd: Wine's
windows carry a colormap of their own, so xwd -root reads the screen window by
window, each as its whole rectangle, and knows nothing of X shapes; Wine's
see-through parts then come out black over what lies under them, and a
painted figure black (Xvfb's framebuffer file and import agree pixel for
pixel, xwd does not)."""
import io
import os
import subprocess

import numpy as np
from PIL import Image

KEY = (255, 0, 255)
TOLERANCE = 8  # per channel: the display shows the pictures' colours exactly


def screen():
    """The whole screen, rows x columns x RGB (int16); None when it cannot be read."""
    path = os.environ.get("WAYLUNE_SCREEN_FILE")
    if path:
        return framebuffer(path)
    png = subprocess.run(["import", "-window", "root", "-depth", "8", "png:-"], capture_output=True).stdout
    if not png:
        return None
    return np.asarray(Image.open(io.BytesIO(png)).convert("RGB")).astype(np.int16)


def framebuffer(path):
    """The screen from Xvfb's framebuffer file: an XWD header (big-endian
    words), its colour entries, then rows of 32-bit pixels (B, G, R, pad)."""
    try:
        with open(path, "rb") as f:
            data = f.read()
        words = np.frombuffer(data[:100], ">u4").astype(np.int64)
    except (OSError, ValueError):
        return None
    header, width, height, bits, stride, colours = words[[0, 4, 5, 11, 12, 19]]
    start = header + 12 * colours
    if bits != 32 or len(data) < start + stride * height:
        return None
    rows = np.frombuffer(data, np.uint8, stride * height, start).reshape(height, stride)
    return rows[:, :width * 4].reshape(height, width, 4)[:, :, 2::-1].astype(np.int16)


def part(x, y, width, height):
    """A part of the screen (as screen()); None when it cannot be read or
    does not lie on the screen whole."""
    whole = screen()
    if whole is None or x < 0 or y < 0 or x + width > whole.shape[1] or y + height > whole.shape[0]:
        return None
    return whole[y:y + height, x:x + width]


def key_shown(shot, tolerance=TOLERANCE):
    """What a shot shows of the key colour, which no pixel ever should (a
    see-through part showing its key): None, or how many and where."""
    rows, cols = np.nonzero(np.abs(shot - np.array(KEY, np.int16)).max(axis=2) <= tolerance)
    if not len(rows):
        return None
    return "%d pixels of the key colour, in columns %d..%d, rows %d..%d" % (len(rows), cols.min(), cols.max(),
                                                                           rows.min(), rows.max())


def picture(path):
    """A picture file's pixels, rows x columns x RGB (int16)."""
    return np.asarray(Image.open(path).convert("RGB")).astype(np.int16)


class Sheets:
    """A figure's sprite sheets: the colours (N x 3) of their pixels other
    than the key, every colour he is drawn in, and the share of those pixels
    that is black."""

    def __init__(self, *paths):
        pixels = np.concatenate([picture(p).reshape(-1, 3) for p in paths])
        pixels = pixels[~(pixels == KEY).all(axis=1)]
        self.colours = np.unique(pixels, axis=0)
        self.black = float(black(pixels).mean()) if len(pixels) else 0.0


def near(pixels, colours, tolerance=TOLERANCE):
    """For each pixel (N x 3) whether a colour of `colours` lies within
    `tolerance` of it in every channel."""
    if len(pixels) == 0 or len(colours) == 0:
        return np.zeros(len(pixels), bool)
    kinds, index = np.unique(pixels.reshape(-1, 3), axis=0, return_inverse=True)
    close = (np.abs(kinds[:, None, :] - colours[None, :, :]).max(axis=2) <= tolerance).any(axis=1)
    return close[index.reshape(-1)]


def black(pixels):
    return pixels.reshape(-1, 3).max(axis=1) < 16


class ColourVerdict:
    """How the drawn pixels (N x 3) of a figure compare with his sheets: the
    share of them in his colours, and the share that is black against the
    sheets' own."""

    LEAST_IN_COLOURS = 0.95
    MOST_BLACK = 0.02  # above the sheets' own share

    def __init__(self, drawn, sheets):
        self.count = len(drawn)
        self.in_colours = float(near(drawn, sheets.colours).mean()) if self.count else 0.0
        self.black = float(black(drawn).mean()) if self.count else 0.0
        self.sheet_black = sheets.black

    def ok(self):
        return (self.count > 0 and self.in_colours >= self.LEAST_IN_COLOURS
                and self.black <= self.sheet_black + self.MOST_BLACK)

    def __str__(self):
        return "%d pixels, %.1f%% in his colours, %.1f%% black (his sheets %.1f%%)" % (
            self.count, 100 * self.in_colours, 100 * self.black, 100 * self.sheet_black)


def strip_view(path, offset, screen_width):
    """The scenery strip's picture as its window shows it on a screen
    `screen_width` wide: the part that ends `offset` pixels before the
    picture's right end (from its left end when the screen is wider), key
    pixels black (see-through onto the black root), columns past the picture
    black too."""
    sheet = picture(path)
    height, width = sheet.shape[:2]
    source = min(max(width - offset - screen_width, 0), max(width - screen_width, 0))
    part = sheet[:, source:source + screen_width].copy()
    part[(part == KEY).all(axis=2)] = 0
    view = np.zeros((height, screen_width, 3), np.int16)
    view[:, :part.shape[1]] = part
    return view


def bare_screen(size, strip=None):
    """What the screen shows with nothing of the program's on it but the
    strip: black, the strip's view (strip_view) on the bottom."""
    height, width = size
    bare = np.zeros((height, width, 3), np.int16)
    if strip is not None:
        bare[height - strip.shape[0]:] = strip[:, :width]
    return bare


def differs(shot, expected, tolerance=TOLERANCE):
    """Rows x columns: where the shot differs from what was expected."""
    return np.abs(shot - expected).max(axis=2) > tolerance
