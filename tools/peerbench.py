"""Side-by-side timing for the peer scripts (tools/bench-*-peers.py).

Ours runs in this process through build/<preset>/bench/libpictura_peerbench.so
(ctypes, which lets go of the interpreter lock during the call), so that a
round times ours and then every peer on the same arrays, and the next round
does it again: a disturbance of the shared machine hits all sides alike.
Each side's figure is the median of the rounds' times, with their range.

Thread settings (rows of `SETTINGS`): 1 thread each; 4 each (OpenCV with
cv2.setNumThreads(4), ours with 4 threads per operation); one per core each;
and both libraries' defaults (ours 4 threads per operation, OpenCV its own).
Pillow and NumPy have no threads: they run in the 1-thread setting only
(their time is the same in every setting), so the threaded tables compare
with OpenCV, the peer that has threads.
"""
import ctypes
import math
import os
import statistics
import subprocess
import time

import numpy as np

try:
    import cv2
except ImportError:  # python3-opencv (tools/setup.sh installs it)
    cv2 = None

CORES = os.cpu_count() or 1
OUR_DEFAULT_THREADS = 4
# (name, our threads per operation, OpenCV's threads; -1 its default)
SETTINGS = [("1 thread", 1, 1), ("4 threads", 4, 4), ("%d threads (one per core)" % CORES, CORES, CORES),
            ("defaults (ours %d, OpenCV its own)" % OUR_DEFAULT_THREADS, OUR_DEFAULT_THREADS, -1)]

u8p = ctypes.POINTER(ctypes.c_uint8)


def ptr(a):
    return a.ctypes.data_as(u8p)


class Ours:
    """The library under test, loaded from a release build."""

    def __init__(self, build):
        path = os.path.join(build, "bench", "libpictura_peerbench.so")
        if not os.path.exists(path):
            raise SystemExit("%s missing: cmake --build --preset native-release --target pictura_peerbench" % path)
        lib = ctypes.CDLL(path)
        U, D, I = ctypes.c_uint32, ctypes.c_double, ctypes.c_int32
        lib.pb_threads.argtypes = [U]
        lib.pb_resize.argtypes = [u8p, U, U, u8p, U, U, U, U]
        lib.pb_rotated_size.argtypes = [D, U, U, ctypes.POINTER(U), ctypes.POINTER(U)]
        lib.pb_rotate.argtypes = [u8p, U, U, u8p, U, D, U]
        lib.pb_turn.argtypes = [u8p, U, U, u8p, U]
        lib.pb_grey.argtypes = [u8p, U, U, u8p]
        lib.pb_median.argtypes = [u8p, U, U, u8p, I]
        lib.pb_carve.argtypes = [u8p, U, U, u8p, I]
        lib.pb_overlay.argtypes = [u8p, u8p, U, U, U, D]
        lib.pb_alpha.argtypes = [u8p, u8p, U, U]
        lib.pb_quantize.argtypes = [u8p, U, U, u8p, U, u8p, U]
        lib.pb_memcpy.argtypes = [u8p, u8p, ctypes.c_uint64]
        lib.pb_bench_file.argtypes = [U, u8p]
        lib.pb_bench_file.restype = ctypes.c_uint64
        lib.pb_read.argtypes = [U, U]
        lib.pb_libtiff.argtypes = [U, U]
        if not lib.pb_init():
            raise SystemExit("pic_Initialize failed")
        self.lib = lib

    def threads(self, n):
        self.lib.pb_threads(n)

    def rotated_size(self, angle, w, h):
        ow, oh = ctypes.c_uint32(), ctypes.c_uint32()
        self.lib.pb_rotated_size(angle, w, h, ctypes.byref(ow), ctypes.byref(oh))
        return ow.value, oh.value

    def checked(self, fn, *args):
        """A callable that runs fn(*args) and fails loudly on an error."""
        def run():
            if not fn(*args):
                raise RuntimeError("%s failed" % fn.__name__)
        return run


def add_arguments(ap):
    """The arguments every peer script takes."""
    ap.add_argument("build", nargs="?", default="build/native-release")
    ap.add_argument("--rounds", type=int, default=7, help="rounds per case (at least 7 for the figures)")
    ap.add_argument("--settings", default="1,4,%d,default" % CORES, help="thread settings to run")


def chosen_settings(text):
    """The rows of SETTINGS that --settings names (numbers and 'default')."""
    wanted = text.split(",")
    return [s for s in SETTINGS if (str(s[1]) if not s[0].startswith("defaults") else "default") in wanted]


def threaded_sides(sides, setting, single):
    """The sides to time in a setting: the peers without threads (`single`:
    names, or prefixes ending in '*') run in the 1-thread setting only, as
    their time is the same in every setting and only costs the run."""
    def is_single(name):
        return any(name == p or (p.endswith("*") and name.startswith(p[:-1])) for p in single)
    return [s for s in sides if setting[1] == 1 or not is_single(s[0])]


def set_threads(ours, setting):
    _, mine, cv = setting
    ours.threads(mine)
    if cv2 is not None:
        cv2.setNumThreads(cv)


def _reps(fn, budget_ms):
    """Calls per timed sample so a sample lasts about budget_ms."""
    t0 = time.perf_counter()
    fn()
    dt = (time.perf_counter() - t0) * 1000
    return max(1, min(50, int(budget_ms / max(dt, 1e-3))))


def interleave(sides, rounds=7, budget_ms=15):
    """sides: [(name, callable)]. Warms each side, then times `rounds`
    rounds, each side once per round in turn (the order rotating by round);
    returns {name: (median, low, high, cpu)} in milliseconds per call, cpu
    the median of the process's processor time (all its threads): on one
    thread a figure that a loaded machine disturbs less than the wall
    time."""
    reps = {}
    for name, fn in sides:
        fn()
        reps[name] = _reps(fn, budget_ms)
    samples = {name: [] for name, _ in sides}
    cpu = {name: [] for name, _ in sides}
    for r in range(rounds):
        order = sides[r % len(sides):] + sides[:r % len(sides)]
        for name, fn in order:
            n = reps[name]
            c0, t0 = time.process_time(), time.perf_counter()
            for _ in range(n):
                fn()
            samples[name].append((time.perf_counter() - t0) * 1000 / n)
            cpu[name].append((time.process_time() - c0) * 1000 / n)
    return {name: (statistics.median(v), min(v), max(v), statistics.median(cpu[name]))
            for name, v in samples.items()}


def fmt_time(t):
    if t is None:
        return "%21s" % "-"
    med, lo, hi = t[:3]
    return "%8.3f [%5.3g-%5.3g]" % (med, lo, hi)


def ratio(peer, ours):
    if peer is None or ours is None or peer[0] is None or not ours[0]:
        return None
    return peer[0] / ours[0]


def fmt_ratio(r):
    return "%6.2f" % r if r is not None else "%6s" % "-"


def load():
    """The load averages, for every table."""
    try:
        return "load %s" % " ".join(open("/proc/loadavg").read().split()[:3])
    except OSError:
        return "load ?"


class Table:
    """Rows of one thread setting: case, ours, each peer with peer / ours,
    and the fastest peer's ratio. peers: the names every row has (columns);
    None: each row lists its own."""

    def __init__(self, setting, peers=None):
        self.setting = setting
        self.peers = peers
        self.rows = []

    def add(self, case, times):
        self.rows.append((case, times))

    def best(self, times, cpu=False):
        ours = times.get("ours")
        if cpu and ours:
            ours = (ours[3],)
        rs = [ratio((t[3],) if cpu else t, ours) for p, t in times.items() if p != "ours" and t]
        rs = [r for r in rs if r is not None]
        return min(rs) if rs else None

    def print(self):
        name = self.setting[0]
        print("\n== %s (%s, %s) ==" % (name, time.strftime("%H:%M:%S"), load()))
        head = "%-34s %21s" % ("case", "ours ms [range]")
        for p in self.peers or []:
            head += " %21s %6s" % (p + " ms", p + "/us")
        one = self.setting[1] == 1  # processor time too, on one thread
        print(head + " %7s" % "best/us" + (" %7s" % "cpu" if one else ""))
        for case, times in self.rows:
            line = "%-34s %s" % (case, fmt_time(times.get("ours")))
            for p in self.peers if self.peers is not None else [k for k in times if k != "ours"]:
                label = "" if self.peers is not None else " " + p
                line += "%s %s %s" % (label, fmt_time(times.get(p)), fmt_ratio(ratio(times.get(p), times.get("ours"))))
            print(line + " %7s" % fmt_ratio(self.best(times)) +
                  (" %7s" % fmt_ratio(self.best(times, cpu=True)) if one else ""))


def banner(what):
    print("%s: %d cores, %s, OpenCV %s, NumPy %s" % (
        what, CORES, load(), cv2.__version__ if cv2 is not None else "missing", np.__version__))
    try:
        print(subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())
    except OSError:
        pass
