#!/usr/bin/env python3
"""Checks the language files against the keys the program asks for.

- keys.txt lists every section and key (also the ones the code builds at run
  time); each must be in both languages' files.
- Every LangText/FigureText call with literal section and key in the sources
  must be listed in keys.txt.
- Both languages hold the same keys, the files are Windows-1252 with CR LF and
  carry no UTF-8 sequences read as Windows-1252.

Usage: check_lang_keys.py <source root>
"""
import re
import sys
from pathlib import Path

FILES = {"lng": ("deutsch.lng", "english.lng"), "leut": ("deutsch.leut", "english.leut")}
SOURCE_DIRS = ("services", "objects", "scene", "options", "app")
# A C string literal, possibly several adjacent ones.
LITERAL = r'"((?:[^"\\\n]|\\.)*)"'
CALL = re.compile(r"\b(LangText|FigureText)\s*\(\s*" + LITERAL + r"\s*,\s*" + LITERAL)


def read_ini(path, errors):
    raw = path.read_bytes()
    if b"\r\n" not in raw or raw.replace(b"\r\n", b"").count(b"\n"):
        errors.append(f"{path.name}: lines must end in CR LF")
    try:
        text = raw.decode("cp1252")
    except UnicodeDecodeError as e:
        errors.append(f"{path.name}: not Windows-1252: {e}")
        return {}
    if re.search("[\u00c3\u00c2][\u0080-\u00bf\u2018-\u203a\u0152-\u0178]", text):
        errors.append(f"{path.name}: holds UTF-8 text; the program reads Windows-1252")
    sections = {}
    current = None
    for number, line in enumerate(text.split("\r\n"), 1):
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].upper(), {})
            continue
        if "=" not in line or current is None:
            errors.append(f"{path.name}:{number}: not a key line: {line!r}")
            continue
        key, value = line.split("=", 1)
        key = key.strip().upper()
        if key in current:
            errors.append(f"{path.name}:{number}: key {key} twice")
        if not value.strip():
            errors.append(f"{path.name}:{number}: key {key} is empty")
        current[key] = value
    return sections


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2])
    here = root / "resources" / "lang"
    errors = []

    required = set()
    for line in (here / "keys.txt").read_text().splitlines():
        if line.strip() and not line.startswith("#"):
            kind, section, key = line.split()
            required.add((kind, section.upper(), key.upper()))

    files = {}
    for kind, names in FILES.items():
        for name in names:
            files[(kind, name)] = read_ini(here / name, errors)

    for kind, section, key in sorted(required):
        for name in FILES[kind]:
            if key not in files[(kind, name)].get(section, {}):
                errors.append(f"{name}: [{section}] {key} missing")

    for kind, (german, english) in FILES.items():
        de, en = files[(kind, german)], files[(kind, english)]
        for section in set(de) | set(en):
            for key in set(de.get(section, {})) ^ set(en.get(section, {})):
                errors.append(f"[{section}] {key} is in only one of {german} and {english}")

    calls = 0
    for directory in SOURCE_DIRS:
        for source in sorted((root / directory).rglob("*.[ch]*")):
            if source.name.endswith("_test.cpp"):
                continue
            for match in CALL.finditer(source.read_text(encoding="utf-8", errors="replace")):
                calls += 1
                kind = "lng" if match.group(1) == "LangText" else "leut"
                entry = (kind, match.group(2).upper(), match.group(3).upper())
                if entry not in required:
                    errors.append(f"{source.relative_to(root)}: {match.group(1)}(\"{match.group(2)}\", "
                                  f"\"{match.group(3)}\") is not in resources/lang/keys.txt")

    for error in errors:
        print(error)
    print(f"{len(required)} keys, {calls} literal lookups in the code checked")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
