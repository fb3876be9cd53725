#!/usr/bin/python3
"""Measures what the running program costs: CPU time and private memory from
/proc, against an idle notepad as control.

Usage: tools/measure-cost.py [--build build/win32] [--exe PROGRAM] [--scenario NAME]
       [--set NAME=TYPE:VALUE ...] [--sound-device [pulse|alsa]] [--seconds 300] [--warmup 30]
       [--interval 5] [--no-control] [--mappings N] [--composite]

Scenarios (registry values under the program's settings key; everything not
named keeps its default):
  default   the settings of a fresh install
  walk      one figure (Ravi Quenn) with the default objects and the shortest
            pause between scenes, so it walks most of the time
  strip     the scenery strip alone: no figures, clock, billboard or countdown
  none      nothing on screen: no figures, clock, billboard or strip
  alarm     the countdown alone, due, with sound on (every built-in sound
            group off) and its alarm an MP3 made here (--alarm-seconds long,
            by default the whole run and a minute more; --alarm-kind wav
            makes a WAV of the same sound instead, to see decoding's share
            apart from the output's; --alarm-file takes a file of your own),
            played on a sound device (--sound-device, pulse unless named).
            The same run silent: --set CountdownPlaySound=REG_DWORD:0
--sound-floor runs, in the program's place, the least a Windows program does
to play: winmm loops the alarm's sound as a WAV (tools/sound-floor.c, built
here), on the same device. What it costs above the control is Wine's own
sound path, which every program that plays pays; the alarm's cost above it
is the program's own.
--sound-device gives any scenario a sound device of the program's own:
  pulse     (the default) a PulseAudio daemon started here on a private
            socket with one null sink, which takes sound at real time as a
            sound card does; Wine's PulseAudio driver plays to it. The
            daemon's CPU and wakeups are its own column; the report says
            when the program's streams opened and closed on it (a 60 s
            file keeps one open 60 s and the output's rest, about 1 s).
            It needs PulseAudio (sudo apt-get install pulseaudio; nothing
            else here or in the tests does).
  alsa      a null ALSA device (Wine's ALSA driver over
            soundlib/output/win32/alsa-null.conf): no daemon, but Wine 8
            drains it about four times as fast as real time, so the mixer
            and the decoder do four times the work (a 215 s file ends after
            54 s).
e.g. --scenario default --sound-device is a fresh install on a machine with a
sound card, the sound library's device open and mostly silent.
--composite gives the program and the control displays with the Composite
extension, as Xorg's and Xwayland's have (without it by default, as the
virtual display of tools/run.sh).
--set adds or overrides values, e.g. --set Clock=REG_DWORD:0.
--only N switches off every scene but N (figure number) with the shortest
pause, over the scenario's other values: e.g. --only 27 for the paster, whose
sheet is the largest, so the peak of a scene comes again and again.

The program and the control each run in their own Wine prefix (made once in
BUILD/cost/SCENARIO/) on their own Xvfb display, side by side, so every process of a
prefix - the Windows process, wineserver and Wine's helpers - is there for
that session alone. CPU is utime+stime of those processes over the window
after the warm-up; the share above the control is the program's cost.
Private memory is Private_Clean + Private_Dirty of the Windows process
(smaps_rollup), sampled every interval. --mappings N also reads the whole
smaps at each sample and prints, for the highest sample, the private memory
by kind of mapping and its N largest mappings (see mapping_kind). Nothing is
built here: build the win32 preset first.

However it ends (the window over, Ctrl-C, SIGTERM or SIGHUP, a start that
failed), it ends what it started, each wait bounded: the program (by its EXIT
when it takes one; sound-floor.exe takes none), every Wine process of both
prefixes with their servers, the daemon and the displays. SIGTERM or SIGHUP
inside the window cuts it short and still reports; before it, ends at once.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

KEY = r"HKCU\Software\Kestrima\Desktop\DesktopWaylune"
TICK = os.sysconf("SC_CLK_TCK")
KINDS = ["process", "wineserver", "helpers", "daemon", "xvfb"]

SCENARIOS = {
    "default": {},
    "walk": {
        "FigDeactive": ("REG_SZ", ",".join(str(n) for n in range(1, 92) if n != 2)),
        "Pause": ("REG_DWORD", "100"),
    },
    "strip": {
        "FigDeactive": ("REG_SZ", ",".join(str(n) for n in range(1, 92))),
        "Clock": ("REG_DWORD", "0"),
        "Billboard": ("REG_DWORD", "0"),
        "Countdown": ("REG_DWORD", "0"),
    },
    "none": {
        "FigDeactive": ("REG_SZ", ",".join(str(n) for n in range(1, 92))),
        "Clock": ("REG_DWORD", "0"),
        "Billboard": ("REG_DWORD", "0"),
        "HG": ("REG_DWORD", "0"),
        "Countdown": ("REG_DWORD", "0"),
    },
    "alarm": {
        "FigDeactive": ("REG_SZ", ",".join(str(n) for n in range(1, 92))),
        "Clock": ("REG_DWORD", "0"),
        "Billboard": ("REG_DWORD", "0"),
        "HG": ("REG_DWORD", "0"),
        "Countdown": ("REG_DWORD", "1"),
        "CountdownDate": ("REG_SZ", "2020,1,1,0,0"),
        "CountdownShowMsg": ("REG_DWORD", "0"),
        "CountdownPlaySound": ("REG_DWORD", "1"),
        "Sound": ("REG_DWORD", "1"),
        "SoundOpt": ("REG_SZ", "0,0,0,0,0,0,0,0,0,0"),
    },
}
ALSA_NULL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "soundlib", "output", "win32",
                         "alsa-null.conf")
PULSE_CONFIG = """load-module module-null-sink sink_name=waylune_null rate=44100 channels=2
load-module module-native-protocol-unix socket=%s auth-anonymous=1
set-default-sink waylune_null
"""


def alarm_file(folder, seconds, kind):
    """An MP3 (128 kbit/s) or a 16-bit WAV of `seconds`: noise under a gliding tone; made once."""
    path = os.path.join(folder, "alarm-%d.%s" % (seconds, kind))
    if not os.path.exists(path):
        os.makedirs(folder, exist_ok=True)
        synth = "synth %d pinknoise synth %d sine mix 220-880 tremolo 3 40 vol 0.4" % (seconds, seconds)
        if kind == "mp3":
            command = ("sox -V1 -n -r 44100 -c 2 -b 16 -t wav - %s | lame --quiet -b 128 - '%s.part'"
                       % (synth, path))
        else:
            command = "sox -n -r 44100 -c 2 -b 16 -t wav '%s.part' %s" % (path, synth)
        subprocess.run("%s && mv '%s.part' '%s'" % (command, path, path), shell=True, check=True)
    return path


def wine_env(prefix, display):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEARCH="win32", DISPLAY=display, WINEDEBUG="-all")
    return env


def run_quietly(command, env, timeout):
    """Runs a command to its end, or kills it after `timeout` seconds."""
    try:
        subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
    except subprocess.TimeoutExpired:
        print("measure-cost: %s did not end within %d s, killed" % (" ".join(command[:3]), timeout),
              file=sys.stderr)


def run_wine(env, *args, timeout=120):
    run_quietly(["wine", *args], env, timeout)


def make_prefix(prefix, display):
    """Makes a Wine prefix once: no add-on downloads, no crash dialog."""
    if os.path.exists(os.path.join(prefix, ".cost-ready")):
        return
    os.makedirs(prefix, exist_ok=True)
    env = wine_env(prefix, display)
    env["WINEDLLOVERRIDES"] = "mscoree=d;mshtml=d"
    run_quietly(["wineboot", "-i"], env, 300)
    run_quietly(["wineserver", "-w"], env, 120)
    run_wine(wine_env(prefix, display), "reg", "add", r"HKCU\Software\Wine\WineDbg", "/v", "ShowCrashDialog",
             "/t", "REG_DWORD", "/d", "0", "/f")
    run_quietly(["wineserver", "-w"], env, 120)
    open(os.path.join(prefix, ".cost-ready"), "w").close()


def start_xvfb(composite=False):
    """A private display, with the Composite extension or without it;
    returns (process, ":N")."""
    read_end, write_end = os.pipe()
    extension = [] if composite else ["-extension", "Composite"]
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", *extension,
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        xvfb.kill()
        sys.exit("measure-cost: could not start a virtual display")
    return xvfb, ":" + number


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def prefix_pids(prefix):
    """Every process whose environment names this Wine prefix."""
    marker = b"WINEPREFIX=" + prefix.encode() + b"\0"
    pids = []
    for name in os.listdir("/proc"):
        if name.isdigit():
            environ = read("/proc/%s/environ" % name)
            if environ and marker in environ + b"\0":
                pids.append(int(name))
    return pids


def end_process(process, seconds=10):
    """Terminates a child, kills it when it has not ended within `seconds`."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            process.kill()
    try:
        process.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        pass


def kill_pids(pids):
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass


def end_prefix(prefix, env=None):
    """Ends every process of a Wine prefix: its server asked first, then
    whatever is left (a server that does not answer, a start cut short)."""
    env = dict(env or os.environ, WINEPREFIX=prefix)
    if prefix_pids(prefix):
        run_quietly(["wineserver", "-k"], env, 10)
        run_quietly(["wineserver", "-w"], env, 20)
    kill_pids(pid for pid in prefix_pids(prefix) if pid != os.getpid())


def child_pids():
    """This process's children still running; those that ended are reaped."""
    found = []
    for name in os.listdir("/proc"):
        stat = read("/proc/%s/stat" % name) if name.isdigit() else None
        if not stat:
            continue
        fields = stat[stat.rindex(b")") + 2:].split()  # state, parent, ...
        if int(fields[1]) != os.getpid():
            continue
        if fields[0] == b"Z":
            try:
                os.waitpid(int(name), os.WNOHANG)
            except OSError:
                pass
        else:
            found.append(int(name))
    return found


def end_children():
    """Ends what this process started and is still running (a display or a
    daemon whose start a signal cut short): terminated, killed after 5 s."""
    pids = child_pids()
    for pid in pids:
        try:
            os.kill(pid, signal.SIGTERM)
        except OSError:
            pass
    end = time.time() + 5
    while pids and time.time() < end:
        time.sleep(0.1)
        pids = child_pids()
    kill_pids(pids)
    if pids:
        time.sleep(0.2)
        child_pids()


def cpu_ticks(pid):
    stat = read("/proc/%d/stat" % pid)
    if not stat:
        return None
    fields = stat[stat.rindex(b")") + 2:].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


def kind(pid, target):
    comm = (read("/proc/%d/comm" % pid) or b"").decode(errors="replace").strip()
    if comm.startswith("wineserver"):
        return "wineserver"
    cmdline = (read("/proc/%d/cmdline" % pid) or b"").decode(errors="replace").lower()
    if target.lower() in cmdline:
        return "process"
    return "helpers"


def find_process(prefix, target, timeout=60):
    end = time.time() + timeout
    while time.time() < end:
        for pid in prefix_pids(prefix):
            if kind(pid, target) == "process":
                return pid
        time.sleep(0.5)
    return None


def private_mib(pid):
    """(Private_Clean + Private_Dirty, Private_Dirty) in MiB, or None."""
    rollup = read("/proc/%d/smaps_rollup" % pid)
    if not rollup:
        return None
    values = {}
    for line in rollup.decode().splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0].endswith(":") and parts[1].isdigit():
            values[parts[0][:-1]] = int(parts[1])
    return (values.get("Private_Clean", 0) + values.get("Private_Dirty", 0)) / 1024, \
        values.get("Private_Dirty", 0) / 1024


def mapping_kind(path):
    """What a mapping is, from the Linux side. Wine's heaps, DIB sections and
    thread stacks are all anonymous; the largest anonymous mappings are
    listed one by one, so a picture shows as a mapping of its size."""
    if not path:
        return "anonymous"
    if path in ("[heap]", "[stack]", "[vdso]", "[vvar]"):
        return "unix " + path
    base = os.path.basename(path).lower()
    if "(deleted)" in path or path.startswith(("/SYSV", "/dev/shm", "/memfd")):
        return "shared memory"
    if base.endswith((".exe", ".dll", ".drv", ".sys", ".acm", ".cpl", ".ocx")) and "i386-unix" not in path:
        return "PE images"
    if ".so" in base:
        return "unix libraries"
    return "files"


def private_mappings(pid):
    """[(private KiB, kind, start-end perms path)] of every mapping, or None."""
    smaps = read("/proc/%d/smaps" % pid)
    if not smaps:
        return None
    mappings, current = [], None
    for line in smaps.decode(errors="replace").splitlines():
        parts = line.split()
        if parts and "-" in parts[0] and not parts[0].endswith(":"):
            path = " ".join(parts[5:]) if len(parts) > 5 else ""
            current = [0, mapping_kind(path), "%s %s %s" % (parts[0], parts[1], path)]
            mappings.append(current)
        elif current and parts and parts[0] in ("Private_Clean:", "Private_Dirty:"):
            current[0] += int(parts[1])
    return [tuple(m) for m in mappings if m[0]]


def print_mappings(sample, largest):
    when, mappings = sample
    kinds = {}
    for kib, what, _ in mappings:
        count, total = kinds.get(what, (0, 0))
        kinds[what] = (count + 1, total + kib)
    print("private memory by kind at the highest sample (%s):" % time.strftime("%H:%M:%S", time.gmtime(when)))
    for what, (count, total) in sorted(kinds.items(), key=lambda k: -k[1][1]):
        print("  %-16s %8.2f MiB in %d mappings" % (what, total / 1024, count))
    print("largest mappings (KiB):")
    for kib, what, name in sorted(mappings, reverse=True)[:largest]:
        print("  %8d %-16s %s" % (kib, what, name))


def thread_counts(pid):
    """{tid: (comm, cpu ticks, context switches)} of the live threads."""
    counts = {}
    try:
        tasks = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return counts
    for tid in tasks:
        stat = read("/proc/%d/task/%s/stat" % (pid, tid))
        status = read("/proc/%d/task/%s/status" % (pid, tid)) or b""
        if not stat:
            continue
        fields = stat[stat.rindex(b")") + 2:].split()
        comm = stat[stat.index(b"(") + 1:stat.rindex(b")")].decode(errors="replace")
        switches = sum(int(line.split()[1]) for line in status.decode().splitlines()
                       if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))
        counts[int(tid)] = (comm, int(fields[11]) + int(fields[12]), switches)
    return counts


def wakeups(pid):
    """Voluntary plus involuntary context switches of all live threads."""
    total = 0
    try:
        tasks = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return 0
    for tid in tasks:
        status = read("/proc/%d/task/%s/status" % (pid, tid)) or b""
        for line in status.decode().splitlines():
            if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                total += int(line.split()[1])
    return total


class PulseDaemon:
    """A PulseAudio daemon of our own: one null sink (paced at real time by the
    daemon's clock), reached on a private socket; `events` are (time, what,
    stream) as the program's streams come and go. Made before it starts, so
    that stop ends whatever part of it a start cut short had started."""

    def __init__(self):
        if not shutil.which("pulseaudio") or not shutil.which("pactl"):
            sys.exit("measure-cost: --sound-device pulse needs PulseAudio: sudo apt-get install pulseaudio "
                     "(or --sound-device alsa)")
        self.daemon = self.watch = self.log = None
        self.events = []
        self.folder = tempfile.mkdtemp(prefix="waylune-pulse-")

    def start(self):
        self.socket = os.path.join(self.folder, "native")
        with open(os.path.join(self.folder, "null.pa"), "w") as f:
            f.write(PULSE_CONFIG % self.socket)
        self.env = dict(os.environ, HOME=self.folder, XDG_RUNTIME_DIR=self.folder,
                        PULSE_SERVER="unix:" + self.socket)
        self.env.pop("DISPLAY", None)
        self.log = open(os.path.join(self.folder, "daemon.log"), "w")
        self.daemon = subprocess.Popen(["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n", "-F",
                                        os.path.join(self.folder, "null.pa"), "--use-pid-file=no",
                                        "--log-target=stderr"], env=self.env, stdout=self.log, stderr=self.log)
        end = time.time() + 20
        while not self.answers():
            if time.time() > end or self.daemon.poll() is not None:
                sys.exit("measure-cost: the PulseAudio daemon did not start (see pulseaudio's messages)")
            time.sleep(0.2)
        self.watch = subprocess.Popen(["pactl", "subscribe"], env=self.env, stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL, text=True)
        threading.Thread(target=self.follow, daemon=True).start()

    def answers(self):
        try:
            return subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=5).returncode == 0
        except subprocess.TimeoutExpired:
            return False

    def follow(self):
        for line in self.watch.stdout:
            words = line.split()
            # Event 'new' on sink-input #3
            if len(words) == 5 and words[3] == "sink-input":
                self.events.append((time.time(), words[1].strip("'"), words[4]))

    def wine_env(self):
        return {"PULSE_SERVER": "unix:" + self.socket, "WINEDLLOVERRIDES": "winealsa.drv,wineoss.drv=d"}

    def streams(self, since):
        """[(opened, closed or None)] in seconds after `since`, of the streams seen."""
        opened, spans = {}, []
        for when, what, stream in self.events:
            if what == "new":
                opened[stream] = when
            elif what == "remove" and stream in opened:
                spans.append((opened.pop(stream) - since, when - since))
        spans += [(when - since, None) for when in opened.values()]
        return sorted(spans)

    def stop(self):
        for p in (self.watch, self.daemon):
            if p:
                end_process(p)
        if self.log:
            self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)


class Session:
    """One Wine prefix on its own display running one Windows program;
    `ending` is the word the program ends on (EXIT), None when it takes none."""

    def __init__(self, name, prefix, target, command, extra_env=None, daemon=None, composite=False, ending=None):
        self.name, self.prefix, self.target, self.command = name, prefix, target, command
        self.daemon, self.ending, self.wine = daemon, ending, None
        self.xvfb, self.display = start_xvfb(composite)
        self.env = wine_env(prefix, self.display)
        self.env.update(extra_env or {})
        self.first = {}  # pid -> (kind, ticks at the window's start or first sight)
        self.last = {}
        self.pid = None
        self.memory = []
        self.mappings = None  # (time, mappings) of the highest sample, with --mappings
        self.mapping_peak = 0
        self.started = None
        self.threads_first = self.threads_last = {}
        self.ended = None  # when the process was first found gone

    def launch(self):
        # Wine's own messages (a crash's backtrace) go beside the prefix.
        with open(self.prefix + ".log", "w") as log:
            self.wine = subprocess.Popen(["wine", *self.command], env=self.env, stdout=log, stderr=log)
        self.launched = time.time()
        self.pid = find_process(self.prefix, self.target)
        if not self.pid:
            sys.exit("measure-cost: %s did not start" % self.target)

    def sample_mappings(self):
        mappings = private_mappings(self.pid)
        if mappings:
            total = sum(m[0] for m in mappings)
            if total > self.mapping_peak:
                self.mapping_peak, self.mappings = total, (time.time(), mappings)

    def sample(self, starting=False):
        pids = [(pid, kind(pid, self.target)) for pid in prefix_pids(self.prefix)]
        pids.append((self.xvfb.pid, "xvfb"))
        if self.daemon:
            pids.append((self.daemon.daemon.pid, "daemon"))
        for pid, what in pids:
            ticks = cpu_ticks(pid)
            if ticks is None:
                continue
            count = wakeups(pid)
            if pid not in self.first:
                # A process born inside the window counts from zero.
                self.first[pid] = (what, ticks if starting else 0, count if starting else 0)
            self.last[pid] = (ticks, count)
        memory = private_mib(self.pid)
        if memory:
            self.memory.append((time.time(), memory))
        elif not self.ended:
            self.ended = time.time()
        if starting:
            self.started = time.time()
            self.threads_first = thread_counts(self.pid)
        self.threads_last = thread_counts(self.pid) or self.threads_last

    def cpu(self):
        """Seconds of CPU and wakeups per kind over the window (wakeups of
        threads that ended inside it are lost)."""
        seconds = dict.fromkeys(KINDS, 0.0)
        switches = dict.fromkeys(KINDS, 0)
        for pid, (what, start, count) in self.first.items():
            seconds[what] += (self.last[pid][0] - start) / TICK
            switches[what] += self.last[pid][1] - count
        return seconds, switches

    def stop(self):
        """Ends the program, the prefix's Wine processes, then the display
        (Wine first: its processes complain when the display goes under them).
        A program that takes no ending word is ended with its server: started
        with one, a second instance of it would run on and never return."""
        if self.ending and self.wine and self.wine.poll() is None:
            run_wine(self.env, self.command[0], self.ending, timeout=30)
            try:
                self.wine.wait(timeout=15)
            except subprocess.TimeoutExpired:
                pass
        end_prefix(self.prefix, self.env)
        if self.wine:
            end_process(self.wine, 5)
        end_process(self.xvfb)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build/win32")
    parser.add_argument("--scenario", default="default", choices=sorted(SCENARIOS))
    parser.add_argument("--set", action="append", default=[], metavar="NAME=TYPE:VALUE")
    parser.add_argument("--seconds", type=float, default=300)
    parser.add_argument("--warmup", type=float, default=30)
    parser.add_argument("--interval", type=float, default=5)
    parser.add_argument("--exe", help="the program to run (default BUILD/bin/WayluneDesktop.exe)")
    parser.add_argument("--no-control", action="store_true")
    parser.add_argument("--only", type=int, metavar="SCENE", help="every scene but this one switched off")
    parser.add_argument("--mappings", type=int, default=0, metavar="N",
                        help="print the private memory by mapping at the highest sample, N largest mappings")
    parser.add_argument("--sound-device", nargs="?", const="pulse", choices=["pulse", "alsa"],
                        help="the program gets a sound device: pulse (a PulseAudio null sink at real time, "
                        "the default) or alsa (a null ALSA device, about four times faster than real time)")
    parser.add_argument("--alarm-seconds", type=int, help="length of the alarm scenario's file")
    parser.add_argument("--alarm-kind", choices=["mp3", "wav"], default="mp3",
                        help="the alarm file made: an MP3 (the default) or a 16-bit WAV of the same sound")
    parser.add_argument("--alarm-file", help="the alarm scenario's sound file (instead of an MP3 made here)")
    parser.add_argument("--sound-floor", action="store_true",
                        help="run the least sound player (winmm looping the alarm's sound as a WAV) instead")
    parser.add_argument("--composite", action="store_true",
                        help="displays with the Composite extension (as most desktops have) instead of without")
    parser.add_argument("--prefixes", help="folder of the two Wine prefixes (default BUILD/cost/SCENARIO); "
                        "runs at the same time need their own")
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    exe = os.path.abspath(args.exe or os.path.join(build, "bin", "WayluneDesktop.exe"))
    if not os.path.isfile(exe):
        sys.exit("measure-cost: %s is missing (build the win32 preset)" % exe)
    values = dict(SCENARIOS[args.scenario])
    if args.only:
        values["FigDeactive"] = ("REG_SZ", ",".join(str(n) for n in range(1, 92) if n != args.only))
        values["Pause"] = ("REG_DWORD", "100")
    for item in args.set:
        name, _, rest = item.partition("=")
        kind_, _, value = rest.partition(":")
        values[name] = (kind_, value)

    prefixes = os.path.abspath(args.prefixes or os.path.join(build, "cost", args.scenario))
    if args.scenario == "alarm" and not args.sound_device:
        args.sound_device = "pulse"
    if args.scenario == "alarm":
        # The null ALSA device drains about four times as fast as real time.
        speed = 4 if args.sound_device == "alsa" else 1
        alarm = os.path.abspath(args.alarm_file) if args.alarm_file else alarm_file(
            os.path.join(build, "cost"), args.alarm_seconds or int(speed * (args.warmup + args.seconds) + 60),
            args.alarm_kind)
        values["CountdownSoundFile"] = ("REG_SZ", "Z:" + alarm.replace("/", "\\"))
    command = [exe]
    if args.sound_floor:
        # Built beside the costs' files; the same sound as the alarm's, as a WAV.
        args.sound_device = args.sound_device or "pulse"
        folder = os.path.join(build, "cost")
        os.makedirs(folder, exist_ok=True)
        exe = os.path.join(folder, "sound-floor.exe")
        source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sound-floor.c")
        if not os.path.exists(exe) or os.path.getmtime(exe) < os.path.getmtime(source):
            subprocess.run(["i686-w64-mingw32-gcc", "-O2", "-mwindows", source, "-o", exe, "-lwinmm"], check=True)
        wav = alarm_file(folder, args.alarm_seconds or int(args.warmup + args.seconds + 60), "wav")
        command = [exe, "Z:" + wav.replace("/", "\\")]
    # Inside the window a SIGTERM or SIGHUP ends it early, with a report;
    # before it, it ends the run at once (the finally below ends what started).
    interrupted, measuring = [], []

    def on_signal(number, _frame):
        interrupted.append(number)
        if not measuring:
            raise SystemExit("measure-cost: ended by %s" % signal.Signals(number).name)

    for number in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, on_signal)
    sessions, daemon, sound_env = [], None, None
    try:
        if args.sound_device == "pulse":
            daemon = PulseDaemon()
            daemon.start()
            sound_env = daemon.wine_env()
        elif args.sound_device == "alsa":
            sound_env = {"ALSA_CONFIG_PATH": os.path.abspath(ALSA_NULL),
                         "WINEDLLOVERRIDES": "winepulse.drv,wineoss.drv=d"}
        sessions.append(Session("program", os.path.join(prefixes, "program"), os.path.basename(exe), command,
                                sound_env, daemon, args.composite, None if args.sound_floor else "EXIT"))
        if not args.no_control:
            sessions.append(Session("control", os.path.join(prefixes, "control"), "notepad.exe", ["notepad"],
                                    composite=args.composite))
        for s in sessions:
            make_prefix(s.prefix, s.display)
        program = sessions[0]
        run_wine(program.env, "reg", "delete", KEY, "/f")
        for name, (type_, value) in values.items():
            run_wine(program.env, "reg", "add", KEY, "/v", name, "/t", type_, "/d", value, "/f")
        for s in sessions:
            s.launch()
        time.sleep(args.warmup)
        for s in sessions:
            s.sample(starting=True)
        start = time.time()
        measuring.append(1)
        while time.time() - start < args.seconds and not interrupted:
            time.sleep(min(args.interval, max(0.0, args.seconds - (time.time() - start))))
            for s in sessions:
                s.sample()
            if args.mappings:
                sessions[0].sample_mappings()
        measuring.clear()
        window = time.time() - start
        report(args, values, sessions, window)
    finally:
        # Every step is bounded; a second signal does not cut the ending short
        # (caught, not ignored: what is started now must not inherit that).
        for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(number, lambda *_: None)
        for s in sessions:
            s.stop()
        if daemon:
            daemon.stop()
        # What a start cut short left: a session's processes not yet listed.
        for name in ("program", "control"):
            end_prefix(os.path.join(prefixes, name))
        end_children()


def report(args, values, sessions, window):
    print("scenario %s%s%s, %.0f s after %.0f s warm-up" %
          (args.scenario, " with a %s sound device" % args.sound_device if args.sound_device else "",
           "".join(" %s=%s" % (n, v[1][:20]) for n, v in values.items() if n not in SCENARIOS[args.scenario]),
           window, args.warmup))
    # "wine all" is the process with wineserver and Wine's helpers; "all"
    # adds the sound daemon (the X server is apart: a real display's costs differ).
    print("%-9s %9s %11s %9s %7s %7s %10s %7s %9s %8s" % ("% of core", "process", "wineserver", "helpers", "daemon",
                                                          "xvfb", "wine all", "all", "priv MiB", "dirty"))
    shares, rates = {}, {}
    for s in sessions:
        cpu, switches = s.cpu()
        share = {k: 100 * cpu[k] / window for k in KINDS}
        share["wine"] = share["process"] + share["wineserver"] + share["helpers"]
        share["all"] = share["wine"] + share["daemon"]
        shares[s.name] = share
        rates[s.name] = {k: switches[k] / window for k in KINDS}
        memory = s.memory[-1][1] if s.memory else (0, 0)
        print("%-9s %9.3f %11.3f %9.3f %7.3f %7.3f %10.3f %7.3f %9.1f %8.1f" %
              (s.name, share["process"], share["wineserver"], share["helpers"], share["daemon"], share["xvfb"],
               share["wine"], share["all"], memory[0], memory[1]))
    if "control" in shares:
        p, c = shares["program"], shares["control"]
        print("%-9s %9.3f %11.3f %9.3f %7.3f %7.3f %10.3f %7.3f" %
              ("above", *(p[k] - c[k] for k in ["process", "wineserver", "helpers", "daemon", "xvfb", "wine", "all"])))
    print("%-9s %9s %11s %9s %7s %7s" % ("wakeup/s", "process", "wineserver", "helpers", "daemon", "xvfb"))
    for name, rate in rates.items():
        print("%-9s %9.1f %11.1f %9.1f %7.1f %7.1f" % (name, *(rate[k] for k in KINDS)))
    daemon = sessions[0].daemon
    if daemon:
        spans = daemon.streams(sessions[0].launched)
        print("sound streams on the daemon (s after the program's launch): " +
              (", ".join("%.1f-%s (%s)" % (a, "%.1f" % b if b is not None else "on",
                                           "%.1f s" % (b - a) if b is not None else "open")
                         for a, b in spans) or "none"))
    program = sessions[0]
    rows = []
    for tid, (comm, ticks, switches) in sorted(program.threads_last.items()):
        _, ticks0, switches0 = program.threads_first.get(tid, (comm, 0, 0))
        rows.append((tid, comm, 100 * (ticks - ticks0) / TICK / window, (switches - switches0) / window))
    busy = [r for r in rows if r[2] > 0 or r[3] >= 0.1]
    print("program threads (%d, %d busy): tid comm %%core wakeups/s" % (len(rows), len(busy)))
    for tid, comm, share, rate in busy:
        print("  %7d %-16s %7.3f %9.1f" % (tid, comm, share, rate))
    for s in sessions:
        if s.ended:
            print("%s ENDED during the window, %.0f s before its end: see %s.log" %
                  (s.name, time.time() - s.ended, s.prefix))
    if args.mappings and sessions[0].mappings:
        print_mappings(sessions[0].mappings, args.mappings)
    memory = sessions[0].memory
    if memory:
        first, last = memory[0][1][0], memory[-1][1][0]
        print("program private memory: %.1f MiB at the start, %.1f MiB at the end, highest %.1f MiB" %
              (first, last, max(m[1][0] for m in memory)))
        start = memory[0][0]
        minutes = {}
        for when, (private, _) in memory:
            minutes.setdefault(int((when - start) // 60), private)
        print("  at each minute: " + " ".join("%.1f" % minutes[m] for m in sorted(minutes)))
    if "control" in shares:
        print("RESULT cpu_above_control=%.3f%% process_above_control=%.3f%% daemon=%.3f%% "
              "process_wakeups=%.1f/s private_start=%.1fMiB private_end=%.1fMiB" %
              (shares["program"]["wine"] - shares["control"]["wine"],
               shares["program"]["process"] - shares["control"]["process"], shares["program"]["daemon"],
               rates["program"]["process"], memory[0][1][0], memory[-1][1][0]))


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(130)
