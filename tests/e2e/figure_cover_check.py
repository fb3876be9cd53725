"""A figure walks in front of the fence, the bin and the billboard: the screen
stays painted around him, he shows in his own colours and leaves no trace
where he was.
  figure_cover_check.py [--timeout S] [--trail S] [--sheet BMP ...] [--object BMP ...] [--clock-time X,Y,W,H]
                        [--poster] [--drag WALL.bmp] [--strip STRIP.bmp [--strip-offset N]]
Screens are read from the X server's framebuffer (screen_colours.screen).

The bottom band (where figures walk and the objects stand) is taken once
before the first scene comes, while the clock's bin, the billboard and the
strip stand there alone. While the figure walks, every pixel of the band must
show as it did then, except where one of the program's other windows stands
and where one stood within the last `trail` seconds (the windows under a
place he left are drawn again within a fraction of a second). Where he stands
is his window, unless it is as wide as the screen, and what changed since the
screen before: he steps in every frame, while what he left behind and nobody
repainted stays as it is.
--sheet: his drawn pixels in his window (where the band differs from the
taken one) must be in his sheets' colours, not black.
--poster: the paster pastes a new poster on the billboard: its poster field
is not compared, and the check goes on until his scene has ended.
--drag: then the billboard is dragged along the strip with the mouse: where
it stood shows the strip's picture, where it stands the wall as before.
--object: the pictures the objects are drawn from (the clock's faces and
digits, the wall): before the scene each object shows, in their colours (its
poster field aside), where the screen differs from the strip's picture.
--clock-time X,Y,W,H: the clock's time digits within its window, which change
with the minute and are not compared.
No screen may show a pixel of the key colour."""
import argparse
import subprocess
import sys
import time

import numpy as np
from PIL import Image

import screen_colours
import x_windows

BAND = 160         # rows at the bottom of the screen: the figures, the bin, the billboard
MARGIN = 12        # columns beside a figure window that may still change
TOLERANCE = 8      # per channel
NOISE = 20         # differing pixels a band may have outside the figure
SCENE_GAP = 3.0    # seconds without a figure that end a scene
WALL = (168, 149)  # the billboard's picture; its poster field lies at (1, 1)
FIELD = (1, 1, 161, 129)
DRAG = 260         # pixels the mouse drags the billboard to the right (more than its width)
LEAST_OBJECT = 800  # drawn pixels that make an object (the bin alone has some 1500)


def shot():
    while True:
        screen = screen_colours.screen()
        if screen is not None:
            return screen


def program_windows():
    """(id, x, y, w, h) of the program's viewable windows."""
    return [(i, x, y, w, h) for i, w, h, x, y in x_windows.program_windows(least=8)]


def at_bottom(window, height):
    _, _, y, _, h = window
    return y < height <= y + h + 2


def is_wall(window):
    return x_windows.shows(window[3], window[4], *WALL)


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
        # An object not painted yet shows black: wait for it.
        unpainted = [w for w in objects if (b[:, max(w[1], 0):w[1] + w[3]].max(axis=2) < 16).mean() > 0.5]
        if not unpainted and (np.abs(a - b).max(axis=2) <= TOLERANCE).all():
            return b, {w[0] for w in windows}, objects
    return None


def judge_objects(band, bare, objects, colours):
    """Failures of the objects standing on the bottom band (`bare`: the band
    with nothing but the strip): each must show, in `colours` (a Sheets),
    where it differs from the strip, its poster field aside."""
    failures = []
    top = shot().shape[0] - BAND
    for window in objects:
        _, x, y, w, h = window
        area = (slice(max(y - top, 0), max(y + h - top, 0)), slice(max(x, 0), max(x + w, 0)))
        drawn = screen_colours.differs(band[area], bare[area])
        if is_wall(window):
            drawn[FIELD[1]:FIELD[3], FIELD[0]:FIELD[2]] = False
        verdict = screen_colours.ColourVerdict(band[area][drawn], colours)
        print("object %dx%d+%d+%d: %s" % (w, h, x, y, verdict))
        if verdict.count < LEAST_OBJECT or verdict.in_colours < screen_colours.ColourVerdict.LEAST_IN_COLOURS:
            failures.append("the object %dx%d+%d+%d does not show in its picture's colours: %s"
                            % (w, h, x, y, verdict))
    return failures


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


def clear(mask, top, window, margin=0):
    """Leaves a window's place (screen coordinates) out of a band's mask
    whose first row is the screen's row `top`."""
    _, x, y, w, h = window
    mask[max(y - top, 0):max(y + h - top, 0), max(x - margin, 0):max(x + w + margin, 0)] = False


class Watch:
    """The band as it should show, and what the screens showed of it."""

    def __init__(self, band, known, trail, sheets, poster, save, changing=()):
        self.band = band
        self.changing = changing  # (window id, x, y, w, h) of what an object changes itself
        self.known = known
        self.trail = trail
        self.sheets = sheets
        self.poster = poster
        self.save = save
        self.places = []    # (time, window) of every unknown window seen: figures, bubbles, the overlay
        self.changed = []   # (time, left, right) of what changed since the screen before, while a scene runs
        self.previous = None
        self.verdicts = []
        self.failures = []
        self.shots = 0
        self.key_failed = False

    def look(self):
        """One screen between two lists of the windows: (time, screen, windows
        seen before or after it)."""
        before = program_windows()
        taken = time.time()
        screen = shot()
        after = program_windows()
        if (key := screen_colours.key_shown(screen)) and not self.key_failed:
            self.key_failed = True
            self.failures.append(key)
            print("FAIL:", key)
        now = time.time()
        for w in before + after:
            if w[0] not in self.known:
                self.places.append((now, w))
        return taken, screen, before + after

    def judge(self, taken, screen, windows, scene, wall=None):
        """Compares the band with what it should show; `scene`: a figure
        walks (what changed since the screen before is his too). Returns the
        mask of the pixels that differ for no reason."""
        height, width = screen.shape[:2]
        top = height - BAND
        current = screen[top:]
        changes = []
        if self.previous is not None and taken - self.previous[0] <= 1.0:
            changes = changed_spans(current, self.previous[1])
        self.previous = (taken, current)
        if scene:
            self.changed.extend((taken, left, right) for left, right in changes)
        differ = np.abs(current - self.band).max(axis=2) > TOLERANCE
        for t, w in self.places:
            if w in windows or taken - t <= self.trail:
                clear(differ, top, w, MARGIN if w[3] < width else 0)
        for t, left, right in self.changed:
            if taken - t <= self.trail:
                differ[:, max(left - MARGIN, 0):min(right + MARGIN, width)] = False
        if self.poster:
            for w in windows:
                if is_wall(w):
                    _, x, y, _, _ = w
                    clear(differ, top, (0, x + FIELD[0], y + FIELD[1], FIELD[2] - FIELD[0], FIELD[3] - FIELD[1]))
        for part in self.changing:
            clear(differ, top, part)
        self.shots += 1
        return differ

    def report(self, screen, differ, where):
        height = screen.shape[0]
        count = int(differ.sum())
        if count <= NOISE:
            return True
        cols = np.where(differ.any(axis=0))[0]
        black = int((screen[height - BAND:].max(axis=2) < 16)[differ].sum())
        self.failures.append("%d pixels (%d black) differ in columns %d..%d %s" % (count, black, cols.min(),
                                                                                 cols.max(), where))
        print("FAIL:", self.failures[-1])
        if len(self.failures) == 1:
            print("  windows now:", ", ".join("%dx%d+%d+%d" % (w[3], w[4], w[1], w[2]) for w in program_windows()))
        if self.save:
            Image.fromarray(screen.astype(np.uint8)).save("%s/fail%02d.png" % (self.save, len(self.failures)))
        return False

    def colours(self, screen, figure, windows):
        """His drawn pixels in his window: where the band differs from the
        one taken, but for the other windows over it (a bubble)."""
        height = screen.shape[0]
        top = height - BAND
        drawn = np.zeros(self.band.shape[:2], bool)
        _, x, y, w, h = figure
        drawn[max(y - top, 0):max(y + h - top, 0), max(x, 0):max(x + w, 0)] = True
        drawn &= np.abs(screen[top:] - self.band).max(axis=2) > TOLERANCE
        for other in windows:
            if other[0] != figure[0] and other[0] not in self.known:
                clear(drawn, top, other)
        if self.poster:
            for other in windows:
                if is_wall(other):
                    clear(drawn, top, (0, other[1] + FIELD[0], other[2] + FIELD[1], FIELD[2] - FIELD[0],
                                       FIELD[3] - FIELD[1]))
        if drawn.sum() >= 150:
            self.verdicts.append(screen_colours.ColourVerdict(screen[top:][drawn], self.sheets))


def walk(watch, objects, deadline, whole_scene):
    """Watches the figure walk in front of the objects (and, `whole_scene`,
    until his scene ended)."""
    seen = []       # times a scene ran
    scene_over = False
    passed = set()  # objects he walked in front of while the rest of the band was checked
    while time.time() < deadline and not (len(passed) == len(objects) and (not whole_scene or scene_over)):
        taken, screen, windows = watch.look()
        height, width = screen.shape[:2]
        # Where he stands: his window unless it is as wide as the screen, and
        # what changed since the last screen (he steps in every frame; what
        # he left behind and nobody repainted does not).
        newcomers = list(dict.fromkeys(w for w in windows if w[0] not in watch.known and at_bottom(w, height)))
        if newcomers:
            seen.append(taken)
        elif not seen or taken - seen[-1] > SCENE_GAP:
            scene_over = bool(seen) and len(passed) == len(objects)
            watch.previous = None
            if not seen:
                time.sleep(0.2)
                continue
        differ = watch.judge(taken, screen, windows, bool(newcomers))
        places = [(w[1], w[1] + w[3]) for w in newcomers if w[3] < width]
        ok = watch.report(screen, differ, "with the figure at %s" % places if newcomers else "after the figure left")
        if watch.sheets:
            for w in newcomers:
                if w[3] < width:
                    watch.colours(screen, w, windows)
        if ok and places:
            x, right = min(l for l, _ in places), max(r for _, r in places)
            for obj in objects:
                if x < obj[1] + obj[3] and obj[1] < right:
                    passed.add(obj[0])
    return seen, passed


def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True)


def drag_wall(watch, objects, bare, wall_picture, deadline):
    """Drags the billboard about DRAG pixels to the right along the strip: a
    trail after it came to rest, where it stood shows the strip's picture
    (`bare`: the band with nothing but the strip) and where it stands the
    wall's pixels as before."""
    walls = [w for w in objects if is_wall(w)]
    if not walls:
        return ["no billboard to drag"]
    wall = walls[0]
    _, x, y, _, _ = wall
    press = (x + 80, y + 64)  # the poster field's middle
    xdo("mousemove", *press)
    time.sleep(0.05)
    xdo("mousedown", 1)
    time.sleep(0.15)
    for step in range(1, 13):
        xdo("mousemove", press[0] + DRAG * step // 12, press[1])
        time.sleep(0.05)
    # Dropped once it has come after the mouse: the animation thread carries
    # it only while it sees the press held, however late it runs.
    opaque = ~(wall_picture == screen_colours.KEY).all(axis=2)
    ph, pw = opaque.shape
    until = time.time() + 10.0
    while time.time() < until:
        place = next((w for w in program_windows() if w[0] == wall[0]), None)
        if place and place[1] >= x + pw:
            break
        time.sleep(0.1)
    xdo("mouseup", 1)
    # At rest: at the same place for half a second, off its old one.
    rest, since = None, time.time()
    while time.time() < min(deadline, since + 8.0):
        place = next((w for w in program_windows() if w[0] == wall[0]), None)
        if place != rest:
            rest, arrived = place, time.time()
        elif rest and rest[1] != x and time.time() - arrived >= 0.5:
            break
        time.sleep(0.1)
    if not rest or rest[1] < x + pw or rest[2] != y:
        return ["the billboard did not follow the mouse along the strip: at %s from %d" % (rest, x)]
    # The band with the wall at rest: the strip's picture where it stood,
    # its opaque pixels where it stands.
    top = shot().shape[0] - watch.band.shape[0]
    rows = slice(y - top, y - top + ph)
    old, new = (rows, slice(x, x + pw)), (rows, slice(rest[1], rest[1] + pw))
    expected = watch.band.copy()
    area = expected[old]
    area[opaque] = bare[old][opaque]
    area = expected[new]
    area[opaque] = watch.band[old][opaque]
    watch.band = expected
    checked = 0
    while time.time() < arrived + watch.trail + 3.0:
        taken, screen, windows = watch.look()
        if taken < arrived + watch.trail:
            continue
        differ = watch.judge(taken, screen, windows, False)
        watch.report(screen, differ, "after the billboard was dragged from %d to %d" % (x, rest[1]))
        checked += 1
    print("the billboard dragged from %d to %d, %d screens checked from %.1f s after" % (x, rest[1], checked,
                                                                                          watch.trail))
    return [] if checked else ["no screen was checked after the drag"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--timeout", type=int, default=150)
    parser.add_argument("--trail", type=float, default=0.8)
    parser.add_argument("--save", help="folder for the screens that fail")
    parser.add_argument("--sheet", action="append", default=[], help="a sprite sheet of the figure")
    parser.add_argument("--poster", action="store_true", help="the paster's scene")
    parser.add_argument("--drag", help="the billboard's picture: drag it along the strip afterwards")
    parser.add_argument("--strip", help="the strip's picture (with --drag)")
    parser.add_argument("--strip-offset", type=int, default=0)
    parser.add_argument("--object", action="append", default=[], help="a picture the objects are drawn from")
    parser.add_argument("--clock-time", help="X,Y,W,H of the clock's time digits in its window")
    args = parser.parse_args()
    deadline = time.time() + args.timeout
    ref = reference(deadline)
    if ref is None:
        print("FAIL: the bin, the billboard and the strip did not stand still on the bottom")
        print("0 passed, 1 failed")
        return 1
    band, known, objects = ref
    print("objects on the bottom:", ", ".join("%dx%d+%d+%d" % (w[3], w[4], w[1], w[2]) for w in objects))
    height, width = shot().shape[:2]
    bare = None
    if args.strip:
        strip = screen_colours.strip_view(args.strip, args.strip_offset, width)
        bare = screen_colours.bare_screen((height, width), strip)[height - BAND:]
    object_failures = []
    if args.object and bare is not None:
        object_failures = judge_objects(band, bare, objects, screen_colours.Sheets(*args.object))
    if key := screen_colours.key_shown(band):
        object_failures.append(key)
    sheets = screen_colours.Sheets(*args.sheet) if args.sheet else None
    changing = []
    if args.clock_time:
        dx, dy, dw, dh = (int(v) for v in args.clock_time.split(","))
        changing = [(w[0], w[1] + dx, w[2] + dy, dw, dh) for w in objects if not is_wall(w)]
    watch = Watch(band, known, args.trail, sheets, args.poster, args.save, changing)
    seen, passed = walk(watch, objects, deadline, args.poster)
    print("%d screens checked, the figure seen in front of %d of %d objects" % (watch.shots, len(passed),
                                                                              len(objects)))
    failures = object_failures + watch.failures[:1]
    if not seen:
        failures.append("no figure walked within %d s" % args.timeout)
    elif len(passed) < len(objects) and not failures:
        failures.append("the figure was not seen in front of every object")
    if sheets:
        wrong = [v for v in watch.verdicts if not v.ok()]
        print("%d screens showed him, e.g. %s" % (len(watch.verdicts), watch.verdicts[0] if watch.verdicts else "-"))
        if not watch.verdicts:
            failures.append("he was never seen whole enough to judge his colours")
        elif wrong:
            failures.append("%d of %d screens do not show him in his colours: %s" % (len(wrong), len(watch.verdicts),
                                                                                  wrong[0]))
    if args.drag and bare is not None and not failures:
        failures += drag_wall(watch, objects, bare, screen_colours.picture(args.drag), deadline + 30)
        failures += watch.failures[:1]
    if failures:
        print("FAIL: %d of %d screens: %s" % (len(watch.failures), watch.shots, failures[0]))
    print("1 passed, 0 failed" if not failures else "0 passed, 1 failed")
    return 1 if failures else 0


sys.exit(main())
