"""Waits for the figure window of the running program, watches it in
screenshots and checks that a figure stands on the bottom line and walks.
  scene_walk_check.py [--window WxH] [--timeout S] [--strip BMP [--strip-offset N]]
                      [--sheet BMP ...] [--lift]
The window is one on the bottom no taller than a figure strip (the one that
walks) unless --window names the size of a figure's own moving window.

His drawn pixels are those where the screen differs from what it shows
without him: black, or with --strip the scenery strip's picture on the
bottom (the part its offset names). With --sheet (his sprite sheets) every
screen that shows him must show him in his sheets' colours, not black; with
--strip the strip must show its picture again wherever one of the program's
windows stood within a second of its leaving. --lift then lifts him with the
mouse (the overlay that carries him is pushed, not painted), checks his
colours there, carries him and drops him. No screen may show a pixel of the
key colour (a see-through part showing its key)."""
import argparse
import subprocess
import sys
import time

import numpy as np

import screen_colours
import x_windows

LEAST_DRAWN = 150  # pixels that make a figure
WATCH_S = 8.0      # how long one window is watched for a walk; a slow walker
WALK_PX = 20       # moves one stride of 16 pixels in about two seconds
TRAIL_S = 1.0      # what a window left shows the strip again within this
MARGIN = 4         # columns beside a window's place that count as its
NOISE = 20         # pixels of the strip that may differ at any time


class Screen:
    """What the screen shows without the figures, and the places the
    program's windows stood at (when last seen there), for the strip's
    check."""

    def __init__(self, strip_path, offset, sheets):
        shot = None
        while shot is None:
            shot = screen_colours.screen()
        self.size = shot.shape[:2]
        self.strip = (screen_colours.strip_view(strip_path, offset, self.size[1]) if strip_path else None)
        self.bare = screen_colours.bare_screen(self.size, self.strip)
        self.sheets = sheets
        self.places = {}      # (x, y, w, h) -> time last seen there
        self.verdicts = []    # (what, ColourVerdict) of every look that showed him
        self.failures = []
        self.stale_checked = 0
        self.strip_shown = False  # checked from its first picture on
        self.key_failed = False

    def look(self):
        """One screen between two lists of the windows: (shot, {id: place}
        of the windows shown before or after it, the strip left out); None
        when the screen could not be read."""
        before = self.shown()
        started = time.time()
        shot = screen_colours.screen()
        after = self.shown()
        seen = time.time()
        for place in list(before.values()) + list(after.values()):
            self.places[place] = seen
        if shot is None or shot.shape[:2] != self.size:
            return None
        windows = {**before, **after}
        self.check_strip(started, shot, list(before.values()) + list(after.values()))
        if (key := screen_colours.key_shown(shot)) and not self.key_failed:
            self.key_failed = True
            self.failures.append(key)
            print("FAIL:", key)
        return shot, windows

    def shown(self):
        width = self.size[1]
        return {i: (x, y, w, h) for i, w, h, x, y in x_windows.program_windows(least=8) if w < width}

    def drawn(self, shot, place, windows=()):
        """(mask, left, top) of the drawn pixels in a place on the screen,
        but for those of the other `windows` (a bubble over him); None for a
        place (nearly) off the screen."""
        x, y, w, h = place
        left, top = max(x, 0), max(y, 0)
        right, bottom = min(x + w, self.size[1]), min(y + h, self.size[0])
        if right - left < 8 or bottom - top < 8:
            return None
        area = shot[top:bottom, left:right]
        mask = screen_colours.differs(area, self.bare[top:bottom, left:right])
        for ox, oy, ow, oh in windows:
            if (ox, oy, ow, oh) != place:
                mask[max(oy - top, 0):max(oy + oh - top, 0), max(ox - left, 0):max(ox + ow - left, 0)] = False
        return mask, left, top

    def extent(self, shot, place, what=None, windows=()):
        """Screen extent of his drawn pixels in the place: left, right, top,
        bottom, count; None when nearly empty. With sheets and `what`, how
        they compare with his colours is kept under `what`; without `what`,
        it is the extent's last item."""
        found = self.drawn(shot, place, windows)
        if not found:
            return None
        mask, left, top = found
        rows, cols = np.nonzero(mask)
        if len(rows) < LEAST_DRAWN:
            return None
        verdict = None
        if self.sheets:
            area = shot[top:top + mask.shape[0], left:left + mask.shape[1]]
            verdict = screen_colours.ColourVerdict(area[mask], self.sheets)
            if what:
                self.verdicts.append((what, verdict))
        extent = (left + cols.min(), left + cols.max(), top + rows.min(), top + rows.max(), len(rows))
        return extent if what else extent + (verdict,)

    def check_strip(self, started, shot, windows):
        """The strip's rows show its picture but where a window stands or
        stood within TRAIL_S before the screen was taken."""
        if self.strip is None:
            return
        height = self.size[0]
        top = height - self.strip.shape[0]
        stale = screen_colours.differs(shot[top:], self.bare[top:])
        for (x, y, w, h), last in self.places.items():
            if (x, y, w, h) in windows or last >= started - TRAIL_S:
                stale[max(y - top, 0):max(y + h - top, 0), max(x - MARGIN, 0):max(x + w + MARGIN, 0)] = False
        count = int(stale.sum())
        if not self.strip_shown:
            self.strip_shown = count <= NOISE  # the program is still starting
            if not self.strip_shown:
                return
        self.stale_checked += 1
        if count > NOISE:
            cols = np.where(stale.any(axis=0))[0]
            blacks = int(screen_colours.black(shot[top:][stale]).sum())
            self.failures.append("the strip differs from its picture in %d pixels (%d black) at columns %d..%d, "
                                 "more than %.1f s after any window stood there" % (count, blacks, cols.min(),
                                                                                    cols.max(), TRAIL_S))
            print("FAIL:", self.failures[-1])
            print("  windows now:", sorted(windows))


def figure_windows(screen, windows, size):
    """{id: place} of the windows at the bottom that may be the figure's: of
    `size` (or padded), or else no taller than a figure strip (the figure's
    window covers only what he draws; a standing object there, the clock, is
    told apart by not walking)."""
    height, width = screen.size
    return {i: p for i, p in windows.items()
            if (x_windows.shows(p[2], p[3], *size) if size else (p[2] <= width and p[3] < 200))
            and p[1] < height <= p[1] + p[3] + 10}


def centre(extent):
    return (extent[0] + extent[1]) / 2


def watch_walk(screen, size, deadline):
    """Watches the figure windows until one walked: (place, first extent,
    later extent, lowest point) of the one that did; of the one that moved
    most, with None as its lowest point, when none walked; None when no
    figure was seen."""
    still = None
    while time.time() < deadline:
        look = screen.look()
        if not look:
            continue
        shot, windows = look
        firsts = {i: e for i, p in figure_windows(screen, windows, size).items()
                  if (e := screen.extent(shot, p, windows=windows.values()))}
        if not firsts:
            time.sleep(0.5)
            continue
        # Shots of the same windows until one has walked or the watch is over.
        until = time.time() + WATCH_S
        seen = None
        lowest = {i: e[3] for i, e in firsts.items()}  # a step may lift the feet
        verdicts = {i: [e[5]] for i, e in firsts.items()}  # only the walker's count
        while firsts and time.time() < until:
            time.sleep(0.7)
            look = screen.look()
            if not look:
                continue
            shot, windows = look
            laters = figure_windows(screen, windows, size)
            for i in laters.keys() - firsts.keys():
                if extent := screen.extent(shot, laters[i], windows=windows.values()):
                    firsts[i] = extent  # a figure came on during the watch: watch it whole
                    lowest[i] = extent[3]
                    verdicts[i] = [extent[5]]
                    until = time.time() + WATCH_S
            for i, first in list(firsts.items()):
                later = screen.extent(shot, laters[i], windows=windows.values()) if i in laters else None
                if not later:
                    del firsts[i]  # gone or empty: the scene ended
                    continue
                lowest[i] = max(lowest[i], later[3])
                verdicts[i].append(later[5])
                moved = abs(centre(later) - centre(first))
                if not seen or moved >= abs(centre(seen[2]) - centre(seen[1])):
                    seen = (laters[i], first, later, i)  # the one that moved most
                if moved >= WALK_PX:
                    screen.verdicts += [("walk", v) for v in verdicts[i] if v]
                    return laters[i], first, later, lowest[i]
        if seen:
            still = seen[:3] + (None,)
    return still


def press_point(mask, left, top):
    """A drawn pixel nearest the middle of the drawn ones: a press on a
    see-through pixel would reach what lies under his window."""
    rows, cols = np.nonzero(mask)
    k = int(np.argmin((cols - cols.mean()) ** 2 + (rows - rows.mean()) ** 2))
    return left + int(cols[k]), top + int(rows[k])


def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True)


LIFT_PX = 30  # held this high, most of him stands in front of the fence


def lift(screen, size, deadline):
    """Presses him, lifts him a little, carries him along the strip and
    drops him; his colours are judged on the overlay that carries him (a
    black figure would not show against the black above the strip).
    Failures, or []."""
    while time.time() < deadline:
        look = screen.look()
        if not look:
            continue
        shot, windows = look
        mine = {i: p for i, p in figure_windows(screen, windows, size).items() if screen.extent(shot, p)}
        if not mine:
            time.sleep(0.3)
            continue
        mask, left, top = screen.drawn(shot, next(iter(mine.values())))
        x, y = press_point(mask, left, top)
        xdo("mousemove", x, y)
        time.sleep(0.04)
        xdo("mousedown", 1)
        time.sleep(0.15)
        for step in range(1, 4):
            xdo("mousemove", x, y - LIFT_PX * step // 3)
            time.sleep(0.04)
        # The overlay, a window that was not shown before, carries him.
        overlay = None
        until = time.time() + 3.0
        while overlay is None and time.time() < until:
            time.sleep(0.2)
            look = screen.look()
            if look:
                overlay = next((i for i, p in look[1].items() if i not in windows and i not in mine), None)
        if overlay is None:
            # The press met a see-through pixel (he stepped on): again.
            xdo("mouseup", 1)
            time.sleep(1.0)
            continue
        # Carried along the strip, away from his own window (a place over
        # another window is not judged).
        way = -20 if x > screen.size[1] // 2 else 20  # towards the middle
        for step in range(1, 11):
            xdo("mousemove", x + way * step, y - LIFT_PX)
            time.sleep(0.04)
        time.sleep(0.3)
        for _ in range(3):
            carried = screen.look()
            if carried and overlay in carried[1]:
                place = carried[1][overlay]
                print("carried: overlay %dx%d+%d+%d" % (place[2], place[3], place[0], place[1]))
                screen.extent(carried[0], place, "lifted", carried[1].values())
            time.sleep(0.3)
        xdo("mouseup", 1)
        # Dropped: he falls back onto the line; the strip shows again where
        # the overlay stood.
        until = time.time() + 3.0
        while time.time() < until:
            screen.look()
            time.sleep(0.2)
        return []
    xdo("mouseup", 1)
    return ["he could not be lifted"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--window", help="WxH of a moving figure window")
    parser.add_argument("--timeout", type=int, default=60)
    parser.add_argument("--strip", help="the strip's picture: the screen behind the figures")
    parser.add_argument("--strip-offset", type=int, default=0)
    parser.add_argument("--sheet", action="append", default=[], help="a sprite sheet of the figure")
    parser.add_argument("--lift", action="store_true")
    parser.add_argument("--watch", type=float, default=6.0, help="seconds he is watched after his walk")
    args = parser.parse_args()
    size = tuple(int(v) for v in args.window.split("x")) if args.window else None
    sheets = screen_colours.Sheets(*args.sheet) if args.sheet else None
    start = time.time()
    screen = Screen(args.strip, args.strip_offset, sheets)
    failures = []
    walked = watch_walk(screen, size, start + args.timeout)
    if walked:
        place, first, later, lowest = walked
        print("window %dx%d+%d+%d, figure %d..%d then %d..%d" % (place[2], place[3], place[0], place[1],
                                                               first[0], first[1], later[0], later[1]))
        if lowest is None:
            failures.append("the figure did not walk: %.0f -> %.0f" % (centre(first), centre(later)))
        # He touches the ground at least once while he is watched (a jump, a
        # raised leg or a lifted paw leave it for a frame).
        elif lowest < screen.size[0] - 8:
            failures.append("the figure's feet are not on the bottom line: lowest %d of %d"
                            % (lowest, screen.size[0]))
    else:
        failures.append("no figure walked within %d s" % args.timeout)
        # What the screen held at the end, for the log of a failed run.
        look = screen.look()
        for place in look[1].values() if look else []:
            print("  window %dx%d+%d+%d, drawn %s" % (place[2], place[3], place[0], place[1],
                                                       screen.extent(look[0], place)))
    if walked:
        # What he leaves on his way: the strip drawn again, him in his colours.
        until = time.time() + args.watch
        while time.time() < until:
            if look := screen.look():
                for place in figure_windows(screen, look[1], size).values():
                    if place[2:] == walked[0][2:]:
                        screen.extent(look[0], place, "walk", look[1].values())
            time.sleep(0.3)
    if walked and args.lift:
        failures += lift(screen, size, start + args.timeout)
    if sheets:
        for path in ("walk", "lifted") if args.lift else ("walk",):
            verdicts = [v for p, v in screen.verdicts if p == path]
            wrong = [v for v in verdicts if not v.ok()]
            print("%s: %d screens showed him, e.g. %s" % (path, len(verdicts), verdicts[0] if verdicts else "-"))
            if not verdicts:
                failures.append("he was not seen %s" % ("walking" if path == "walk" else path))
            elif wrong:
                failures.append("%d of %d screens (%s) do not show him in his colours: %s"
                                % (len(wrong), len(verdicts), path, wrong[0]))
    if args.strip:
        print("the strip was compared with its picture on %d screens" % screen.stale_checked)
        if not screen.strip_shown:
            failures.append("the strip never showed its picture")
    failures += screen.failures[:1]
    for f in failures:
        print("FAIL:", f)
    print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
    return 1 if failures else 0


sys.exit(main())
