"""A figure walks in front of the fence, the bin and the billboard: the screen
stays painted around him and he leaves no trace where he was.
  figure_cover_check.py [--timeout S] [--trail S]
Screens are read from the X server's framebuffer (ImageMagick's import):
xwd reads the program's layered windows through their own visual and shows
them black where the screen is not.

The bottom band (where figures walk) is taken once before the first scene
comes, while the clock's bin, the billboard and the strip stand there alone.
While the figure walks, every pixel of the band must show as it did then,
except where the figure stands and where he stood within the last `trail`
seconds (the windows under a step he left push their pictures again within
a fraction of a second). Where he stands is his window, unless it is as wide
as the screen, and what changed since the screen before: he steps in every
frame, while what he left behind and nobody repainted stays as it is."""
import argparse
import io
import subprocess
import sys
import time

import numpy as np
from PIL import Image

import x_windows

BAND = 80          # rows at the bottom of the screen the figures walk in
MARGIN = 12        # columns beside a figure window that may still change
TOLERANCE = 8      # per channel
NOISE = 20         # differing pixels a band may have outside the figure
SCENE_START = 2.0  # seconds after a figure comes that are not judged


def shot():
    png = subprocess.run(["import", "-window", "root", "png:-"], capture_output=True).stdout
    return np.asarray(Image.open(io.BytesIO(png)).convert("RGB")).astype(np.int16)


def program_windows():
    """(id, x, y, w, h) of the program's viewable windows."""
    return [(i, x, y, w, h) for i, w, h, x, y in x_windows.program_windows(least=8)]


def at_bottom(window, height):
    _, _, y, _, h = window
    return y < height <= y + h + 2


def reference(deadline):
    """The band and the ids and extents of the windows standing in it, once
    two shots 1.5 s apart agree and no figure walks yet; None on timeout."""
    while time.time() < deadline:
        windows = program_windows()
        first = shot()
        height, width = first.shape[:2]
        standing = [w for w in windows if at_bottom(w, height)]
        strip = [w for w in standing if w[3] == width]
        objects = [w for w in standing if w[3] < width]
        time.sleep(1.5)
        second = shot()
        if len(program_windows()) != len(windows) or not strip or len(objects) < 2:
            time.sleep(0.5)
            continue
        a, b = first[height - BAND:], second[height - BAND:]
        # An object not painted yet shows black on this display: wait for it.
        unpainted = [w for w in objects if (b[:, max(w[1], 0):w[1] + w[3]].max(axis=2) < 16).mean() > 0.5]
        if not unpainted and (np.abs(a - b).max(axis=2) <= TOLERANCE).all():
            return b, {w[0] for w in standing}, objects
    return None


def changed_spans(current, previous):
    """(left, right) of the column runs where two bands differ (runs closer
    than MARGIN joined)."""
    columns = np.where((np.abs(current - previous).max(axis=2) > TOLERANCE).sum(axis=0) >= 2)[0]
    spans = []
    for c in columns:
        if spans and c - spans[-1][1] <= MARGIN:
            spans[-1][1] = c + 1
        else:
            spans.append([c, c + 1])
    return [tuple(span) for span in spans]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--timeout", type=int, default=150)
    parser.add_argument("--trail", type=float, default=0.8)
    parser.add_argument("--save", help="folder for the screens that fail")
    args = parser.parse_args()
    deadline = time.time() + args.timeout
    ref = reference(deadline)
    if ref is None:
        print("FAIL: the bin, the billboard and the strip did not stand still on the bottom")
        print("0 passed, 1 failed")
        return 1
    band, known, objects = ref
    print("objects on the bottom:", ", ".join("%dx%d+%d+%d" % (w[3], w[4], w[1], w[2]) for w in objects))
    seen = []       # (time, left, right) of the figure window; (time, None, None) while a scene runs
    changed = []    # (time, left, right) of what changed since the screen before, while a scene runs
    scene_start = None
    passed = set()  # objects he walked in front of while the rest of the band was checked
    failures = []
    shots = 0
    previous = None  # (time, band) of the last screen
    while time.time() < deadline and len(passed) < len(objects):
        # The figure may step while the screen is read: his places before
        # and after it both count as where he stands.
        before = program_windows()
        screen = shot()
        after = program_windows()
        now = time.time()
        height, width = screen.shape[:2]
        current = screen[height - BAND:]
        newcomers = [w for w in before + after if w[0] not in known and at_bottom(w, height)]
        # Where he stands: his window unless it is as wide as the screen, and
        # what changed since the last screen (he steps in every frame; what
        # he left behind and nobody repainted does not).
        places = [(w[1], w[1] + w[3]) for w in newcomers if w[3] < width]
        changes = []
        if previous is not None and now - previous[0] <= 1.0:
            changes = changed_spans(current, previous[1])
        previous = (now, current)
        if newcomers:
            if not seen or now - seen[-1][0] > 3:
                scene_start = now
            seen.append((now, None, None))  # a scene runs
            seen.extend((now, left, right) for left, right in places)
            changed.extend((now, left, right) for left, right in changes)
            where = places or changes
            if not where:
                continue
            x = min(left for left, _ in where)
            w = max(right for _, right in where) - x
        elif not seen or now - seen[-1][0] > 3:
            time.sleep(0.2)  # between scenes: the places he left were checked after he went
            continue
        figure = bool(newcomers)
        # A new scene raises the objects, which shows them black for a moment
        # on this display; that is not the figure's doing.
        if now - scene_start < SCENE_START:
            continue
        differ = np.abs(current - band).max(axis=2) > TOLERANCE
        # His window's places: the path between them is his too.
        recent = [(l, r) for t, l, r in seen if now - t <= args.trail and l is not None]
        if recent:
            left = max(min(l for l, _ in recent) - MARGIN, 0)
            right = min(max(r for _, r in recent) + MARGIN, width)
            differ[:, left:right] = False
        for t, l, r in changed:
            if now - t <= args.trail:
                differ[:, max(l - MARGIN, 0):min(r + MARGIN, width)] = False
        count = int(differ.sum())
        shots += 1
        if count > NOISE:
            cols = np.where(differ.any(axis=0))[0]
            black = int((screen[height - BAND:].max(axis=2) < 16)[differ].sum())
            where = "with the figure at %d..%d" % (x, x + w) if figure else "after the figure left"
            failures.append("%d pixels (%d black) differ in columns %d..%d %s"
                            % (count, black, cols.min(), cols.max(), where))
            print("FAIL:", failures[-1])
            if len(failures) == 1:  # where the windows stand now, beside where they stood
                print("  windows now:", ", ".join("%dx%d+%d+%d" % (w[3], w[4], w[1], w[2]) for w in after))
            if args.save:
                Image.fromarray(screen.astype(np.uint8)).save("%s/fail%02d.png" % (args.save, len(failures)))
        elif figure:
            for obj in objects:
                if x < obj[1] + obj[3] and obj[1] < x + w:
                    passed.add(obj[0])
    print("%d screens checked, the figure seen in front of %d of %d objects" % (shots, len(passed), len(objects)))
    if not seen:
        failures.append("no figure walked within %d s" % args.timeout)
    elif len(passed) < len(objects) and not failures:
        failures.append("the figure was not seen in front of every object")
    if failures:
        print("FAIL: %d of %d screens: %s" % (len(failures), shots, failures[0]))
    print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
    return 1 if failures else 0


sys.exit(main())
