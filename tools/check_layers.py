#!/usr/bin/env python3
"""Fails on any #include that points up or sideways across the layers, and on
any include cycle between units (a header and its source are one unit).

  check_layers.py [--no-pictura] [ROOT]   check a checkout (default: this one)
  check_layers.py --self-test             plant faults in a temp tree, expect each caught

The program, bottom up: services < stage < objects, scene, options (the
desktop parts, side by side: none includes another; what they share lies on
the stage) < app (the shell, which hands each part the others). Each folder's portable/ part (and scene/scripts, scene/figures) holds
window-free code and includes only portable files. The program reaches
Pictura only through its public headers (pictura.h, pictura_*.h) and the
sound library only through soundlib/soundlib_api.h.
Pictura, bottom up: core < pixelops, resample, codecs (side by side, each
over core only) < gdi (over core and resample) < reader (the generic reader,
over codecs and gdi); no file inside imaging/ includes the umbrella
imaging/pictura.h.
The sound library, bottom up: decode < streams (over decode) < engine (over
streams, output and decode); output beside decode and streams, over neither;
plugins over decode (they implement plugin_abi.h) < plugin_shell (over
plugins). Its two public interfaces (soundlib_api.h, plugin_abi.h) lie
beside the folders: every folder may include them, they include nothing
inside. Nothing in soundlib/ includes anything outside it.
The program's names header (services/app_globals.h)
holds constants only: state belongs to the object that owns it, never to a
header every layer includes. --no-pictura leaves
Pictura's inner rules (and its unit cycles) out.
Tests in a layer obey its rules but may use the shared test helpers
(tests/support/, test files of the libraries), and Pictura's tests any of its
public headers (pictura_*.h: they drive the library through its entries), the
sound library's tests its engine and the plug-ins' kinds (the same entries
natively); tests/, resources/, bench/ and fuzz/ are tools on top and may
include anything, but nothing includes them."""
import os
import re
import sys
import tempfile

# Folder -> rank; folders of one rank are side by side and include nothing of
# each other.
PROGRAM = {"services": 0, "stage": 1, "objects": 2, "scene": 2, "options": 2, "app": 3}
# Each Pictura folder and the folders it may include besides itself.
PICTURA = {
    "core": set(),
    "pixelops": {"core"},
    "resample": {"core"},
    "codecs": {"core"},
    "gdi": {"core", "resample"},
    "reader": {"core", "codecs", "gdi"},
}
# Each sound library folder and the folders it may include besides itself
# (and the public interfaces beside them, which every folder may include).
SOUNDLIB = {
    "decode": set(),
    "streams": {"decode"},
    "output": set(),
    "engine": {"decode", "streams", "output"},
    "plugins": {"decode"},
    "plugin_shell": {"plugins"},
}
# What the sound library's tests may drive it through from any folder.
SOUND_TEST_ENTRIES = ("soundlib/engine/sound_engine.h", "soundlib/plugins/plugin_kinds.h")
TOOLS = ("tests", "resources", "bench", "fuzz")
PORTABLE_DIRS = ("/portable/", "scene/scripts/", "scene/figures/")
SOUND_API = "soundlib/soundlib_api.h"
SOURCE_EXT = (".h", ".cpp", ".c", ".inc", ".hpp")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
NAMES_HEADER = "services/app_globals.h"
CONSTANT = re.compile(r"(inline\s+)?constexpr\s")


def names_faults(root):
    """Every declaration in the names header must be a constant."""
    path = os.path.join(root, NAMES_HEADER)
    if not os.path.exists(path):
        return []
    with open(path, errors="replace") as f:
        text = re.sub(r"/\*.*?\*/", "", re.sub(r"//[^\n]*", "", f.read()), flags=re.S)
    return [f"{NAMES_HEADER}: constants only, not {line.strip()!r}"
            for line in text.splitlines()
            if line.strip() and not line.strip().startswith("#") and not CONSTANT.match(line.strip())]


def files_of(root):
    out = []
    for top, dirs, names in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith((".", "build"))]
        for n in names:
            if n.endswith(SOURCE_EXT):
                out.append(os.path.relpath(os.path.join(top, n), root).replace(os.sep, "/"))
    return sorted(out)


def resolve(root, src, inc, known):
    for base in (os.path.dirname(src), "", "imaging"):
        cand = os.path.normpath(os.path.join(base, inc)).replace(os.sep, "/")
        if cand in known:
            return cand
    return None  # system, generated or third-party


def layer(path):
    """(family, rank) of a file; family None for the tools on top."""
    parts = path.split("/")
    if parts[0] in PROGRAM:
        return "program", PROGRAM[parts[0]]
    if parts[0] == "imaging":
        if len(parts) == 2:
            return "umbrella", None
        return "pictura", parts[1] if parts[1] in PICTURA else None
    if parts[0] == "soundlib":
        if len(parts) == 2:
            return "sound_api", None
        return "soundlib", parts[1] if parts[1] in SOUNDLIB else None
    return None, None


def portable(path):
    return any(d in path if d.startswith("/") else path.startswith(d) for d in PORTABLE_DIRS)


def is_test(path):
    return "test" in os.path.basename(path) or path.startswith("tests/support/")


def ranked_fault(table, ra, rb):
    """An include from folder ra into folder rb of one library."""
    if rb == ra or rb in table[ra]:
        return None
    below, todo = set(), [rb]
    while todo:  # everything rb lies over
        for d in table[todo.pop()] - below:
            below.add(d)
            todo.append(d)
    return "points up" if ra in below else "points sideways"


def sound_fault(a, b, fa, fb, ra, rb):
    if fb not in ("soundlib", "sound_api"):
        return "sound library includes outside itself"
    if fb == "sound_api":
        return None
    if fa == "sound_api":
        return "a public interface includes the library's inside"
    if ra is None or rb is None:
        return "sound library folder not in the layer map"
    if is_test(a) and b in SOUND_TEST_ENTRIES:
        return None
    return ranked_fault(SOUNDLIB, ra, rb)


def edge_fault(a, b, pictura_rules):
    fa, ra = layer(a)
    fb, rb = layer(b)
    if fa is None or (is_test(a) and is_test(b) and fb != "program"):
        return None  # tools, and tests using shared test helpers
    if fb is None:
        return "includes a test or tool file"
    if fa == "program":
        if fb == "program":
            if rb > ra:
                return "points up"
            if rb == ra and a.split("/")[0] != b.split("/")[0]:
                return "points sideways"
            if portable(a) and not portable(b):
                return "portable code includes window code"
            return None
        if fb in ("pictura", "umbrella"):
            name = os.path.basename(b)
            if name == "pictura.h" or name.startswith("pictura_"):
                return None
            return "reaches past Pictura's public headers"
        return None if b == SOUND_API else "reaches past the sound library's API"
    if fa in ("soundlib", "sound_api"):
        return sound_fault(a, b, fa, fb, ra, rb)
    if fb in ("program", "soundlib", "sound_api"):
        return "Pictura includes outside itself"
    if not pictura_rules:
        return None
    if fb == "umbrella":
        return "includes the umbrella header inside the library"
    if fa == "umbrella":
        return None
    if ra is None or rb is None:
        return "Pictura folder not in the layer map"
    if is_test(a) and os.path.basename(b).startswith("pictura_"):
        return None
    return ranked_fault(PICTURA, ra, rb)


def cycles(graph):
    """Strongly connected components with more than one member (Tarjan, iterative)."""
    index, low, stack, on, out, counter = {}, {}, [], set(), [], [0]
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on.add(start)
        while work:
            v, it = work[-1]
            w = next(it, None)
            if w is not None:
                if w not in index:
                    index[w] = low[w] = counter[0]
                    counter[0] += 1
                    stack.append(w)
                    on.add(w)
                    work.append((w, iter(sorted(graph.get(w, ())))))
                elif w in on:
                    low[v] = min(low[v], index[w])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[v])
            if low[v] == index[v]:
                comp = []
                while True:
                    w = stack.pop()
                    on.discard(w)
                    comp.append(w)
                    if w == v:
                        break
                if len(comp) > 1:
                    out.append(sorted(comp))
    return out


def check(root, pictura_rules=True):
    files = files_of(root)
    known = set(files)
    faults, units = [], {}
    for src in files:
        with open(os.path.join(root, src), errors="replace") as f:
            text = f.read()
        for inc in INCLUDE.findall(text):
            dst = resolve(root, src, inc, known)
            if not dst:
                continue
            why = edge_fault(src, dst, pictura_rules)
            if why:
                faults.append(f"{src} -> {dst}: {why}")
            ua, ub = os.path.splitext(src)[0], os.path.splitext(dst)[0]
            if ua != ub:
                units.setdefault(ua, set()).add(ub)
    for comp in cycles(units):
        if not pictura_rules and all(u.startswith("imaging/") for u in comp):
            continue
        faults.append("include cycle: " + " ".join(comp))
    return faults + names_faults(root)


# Self-test: a small clean tree, then one planted fault per row.
CLEAN = {
    "services/log.h": "", "services/log.cpp": '#include "services/log.h"\n',
    "services/portable/fmt.h": "",
    "objects/clock.cpp": '#include "services/log.h"\n#include "pictura.h"\n#include "soundlib/soundlib_api.h"\n',
    "objects/portable/face.h": '#include "services/portable/fmt.h"\n',
    "stage/record.h": '#include "services/log.h"\n', "objects/clock.h": '#include "stage/record.h"\n',
    "scene/anim.cpp": '#include "stage/record.h"\n',
    "app/main.cpp": '#include "scene/anim.h"\n#include "core/pictura_core.h"\n', "scene/anim.h": "",
    "imaging/pictura.h": '#include "core/pictura_core.h"\n', "imaging/core/pictura_core.h": "",
    "imaging/core/rows.h": "", "imaging/pixelops/blend.cpp": '#include "core/rows.h"\n',
    "imaging/gdi/dib.cpp": '#include "resample/scale.h"\n', "imaging/pixelops/blend.h": "",
    "imaging/resample/scale.h": '#include "core/rows.h"\n',
    "services/app_globals.h": '#pragma once\n// names\ninline constexpr char kTitle[] = "t";\nconstexpr int kN = 1;\n',
    "soundlib/soundlib_api.h": "", "tests/e2e/drive.cpp": '#include "app/main.h"\n', "app/main.h": "",
    "soundlib/plugin_abi.h": '#include "soundlib/soundlib_api.h"\n',
    "soundlib/decode/decoder.h": '#include "soundlib/plugin_abi.h"\n', "soundlib/decode/decoder_test.cpp": "",
    "soundlib/streams/mix_channel.h": '#include "soundlib/decode/decoder.h"\n',
    "soundlib/output/platform.h": "",
    "soundlib/engine/sound_engine.h":
        '#include "soundlib/streams/mix_channel.h"\n#include "soundlib/output/platform.h"\n',
    "soundlib/plugins/plugin_kinds.h": '#include "soundlib/decode/decoder.h"\n',
    "soundlib/plugin_shell/sound_plugin.cpp": '#include "soundlib/plugins/plugin_kinds.h"\n',
}
PLANTED = [  # (file, text appended, expected words in the report)
    ("services/log.cpp", '#include "objects/clock.h"\n', "points up"),
    ("objects/clock.h", '#include "scene/anim.h"\n', "points sideways"),
    ("scene/anim.cpp", '#include "objects/clock.h"\n', "points sideways"),
    ("stage/record.h", '#include "objects/clock.h"\n', "points up"),
    ("options/page.cpp", '#include "scene/anim.h"\n', "points sideways"),
    ("options/page.cpp", '#include "objects/clock.h"\n', "points sideways"),
    ("objects/clock.cpp", '#include "options/page.h"\n', "points sideways"),
    ("scene/anim.cpp", '#include "options/page.h"\n', "points sideways"),
    ("options/page_test.cpp", '#include "objects/clock_test_support.h"\n', "points sideways"),
    ("options/page.h", '#include "app/main.h"\n', "points up"),
    ("options/page.cpp", '#include "stage/record.h"\n', None),  # allowed: the parts sit on the stage
    ("options/page_test.cpp", '#include "stage/record_test_support.h"\n', None),  # allowed: a lower helper
    ("app/main.cpp", '#include "options/page.h"\n', None),  # allowed: the shell hands the parts
    ("scene/anim.h", '#include "app/main.h"\n', "points up"),
    ("objects/portable/face.h", '#include "objects/clock.h"\n', "portable code"),
    ("objects/clock.cpp", '#include "core/rows.h"\n', "public headers"),
    ("objects/clock.cpp", '#include "soundlib/streams/mix_channel.h"\n', "sound library's API"),
    ("objects/clock.cpp", '#include "soundlib/plugin_abi.h"\n', "sound library's API"),
    ("scene/anim.cpp", '#include "tests/e2e/drive.h"\n', "test or tool"),
    ("scene/anim_test.cpp", '#include "tests/support/pixels.h"\n', None),  # allowed
    ("imaging/core/rows.h", '#include "pixelops/blend.h"\n', "points up"),
    ("imaging/pixelops/blend.cpp", '#include "pictura.h"\n', "umbrella"),
    ("imaging/resample/scale.h", '#include "pixelops/blend.h"\n', "points sideways"),
    ("imaging/gdi/dib.cpp", '#include "reader/read.h"\n', "points up"),
    ("imaging/core/rows_test.cpp", '#include "reader/pictura_read.h"\n', None),  # allowed
    ("imaging/core/rows_test.cpp", '#include "reader/read.h"\n', "points up"),
    ("imaging/core/rows.h", '#include "services/log.h"\n', "outside itself"),
    ("services/log.h", '#include "services/portable/fmt.h"\n', None),  # allowed
    ("services/portable/fmt.h", '#include "services/log.h"\n', "portable code"),
    ("objects/clock.h", '#include "objects/clock2.h"\n', "include cycle"),
    ("services/app_globals.h", "extern int QuitFlag;\n", "constants only"),
    ("services/app_globals.h", "inline std::atomic<int> Language{0};\n", "constants only"),
    ("services/app_globals.h", "struct Flags {\n  int x;\n};\n", "constants only"),
    ("services/app_globals.h", "char ProgramFolder[260];\n", "constants only"),
    ("services/app_globals.h", "/* extern int Old; */\ninline constexpr int kMore = 2;\n", None),  # allowed
    ("soundlib/decode/wav_reader.cpp", '#include "soundlib/streams/mix_channel.h"\n', "points up"),
    ("soundlib/decode/wav_reader.cpp", '#include "soundlib/plugin_shell/sound_plugin.h"\n', "points up"),
    ("soundlib/streams/stream_feed.cpp", '#include "soundlib/engine/sound_engine.h"\n', "points up"),
    ("soundlib/streams/stream_feed.cpp", '#include "soundlib/output/platform.h"\n', "points sideways"),
    ("soundlib/output/capture.cpp", '#include "soundlib/decode/decoder.h"\n', "points sideways"),
    ("soundlib/output/capture.cpp", '#include "soundlib/engine/sound_engine.h"\n', "points up"),
    ("soundlib/engine/sound_engine.cpp", '#include "soundlib/plugins/plugin_kinds.h"\n', "points sideways"),
    ("soundlib/plugins/flac_plugin.cpp", '#include "soundlib/streams/mix_channel.h"\n', "points sideways"),
    ("soundlib/plugins/flac_plugin.cpp", '#include "soundlib/plugin_shell/sound_plugin.h"\n', "points up"),
    ("soundlib/plugin_abi.h", '#include "soundlib/decode/decoder.h"\n', "public interface"),
    ("soundlib/decode/wav_reader.cpp", '#include "services/log.h"\n', "outside itself"),
    ("soundlib/mixer/mix.h", '#include "soundlib/decode/decoder.h"\n', "not in the layer map"),
    ("imaging/core/rows.h", '#include "soundlib/soundlib_api.h"\n', "outside itself"),
    ("soundlib/engine/sound_engine.cpp", '#include "soundlib/decode/decoder.h"\n', None),  # allowed
    ("soundlib/plugins/flac_plugin.cpp", '#include "soundlib/plugin_abi.h"\n', None),  # allowed
    ("soundlib/decode/decoder_test.cpp", '#include "soundlib/engine/sound_engine.h"\n', None),  # allowed
    ("soundlib/decode/decoder_test.cpp", '#include "soundlib/streams/mix_channel.h"\n', "points up"),
]


def self_test():
    failed = 0
    for file, extra, expect in [(None, "", None)] + PLANTED:
        with tempfile.TemporaryDirectory() as root:
            tree = dict(CLEAN, **{"objects/clock2.h": '#include "objects/clock.h"\n',
                                  "tests/e2e/drive.h": "", "soundlib/decode/wav_reader.cpp": "",
                                  "soundlib/streams/stream_feed.cpp": "", "soundlib/output/capture.cpp": "",
                                  "soundlib/engine/sound_engine.cpp": "",
                                  "soundlib/plugins/flac_plugin.cpp": "",
                                  "soundlib/plugin_shell/sound_plugin.h": "", "soundlib/mixer/mix.h": "",
                                  "scene/anim_test.cpp": "", "tests/support/pixels.h": "",
                                  "options/page.cpp": "", "options/page.h": "",
                                  "options/page_test.cpp": "", "objects/clock_test_support.h": "",
                                  "stage/record_test_support.h": "",
                                  "imaging/reader/read.h": '#include "gdi/dib.h"\n', "imaging/gdi/dib.h": "",
                                  "imaging/core/rows_test.cpp": "", "imaging/reader/pictura_read.h": ""})
            if file:
                tree[file] += extra
            for path, text in tree.items():
                os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(root, path), "w") as f:
                    f.write(text)
            faults = check(root)
            ok = (not faults) if expect is None else any(expect in x for x in faults)
            if not ok:
                failed += 1
                print(f"self-test: {file} + {extra.strip()!r}: expected {expect!r}, got {faults}")
    print(f"self-test: {len(PLANTED) + 1 - failed} of {len(PLANTED) + 1} rows as expected")
    return 1 if failed else 0


def main(argv):
    if "--self-test" in argv:
        return self_test()
    args = [a for a in argv if not a.startswith("--")]
    root = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    faults = check(root, pictura_rules="--no-pictura" not in argv)
    for f in faults:
        print(f)
    print(f"{len(faults)} layer faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
