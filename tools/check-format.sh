#!/usr/bin/env bash
# Fails, naming them, when C or C++ files of the repository differ from what
# clang-format makes of them with the repository's .clang-format.
#   check-format.sh [ROOT]
# The files are the repository's own (git ls-files); a copy without its git
# folder is searched instead, build folders left out. To mend:
#   git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format -i
set -uo pipefail
root="$(cd "${1:-$(dirname "$0")/..}" && pwd)"
cd "$root" || exit 2
command -v clang-format >/dev/null || { echo "check-format: clang-format is missing (tools/setup.sh installs it)" >&2; exit 2; }
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -d '' files < <(git ls-files -z '*.cpp' '*.h' '*.c')
else
  mapfile -d '' files < <(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0)
fi
# A file a line for each that differs, several at once.
mapfile -t bad < <(printf '%s\0' "${files[@]}" | xargs -0 -r -P "$(nproc)" -n 16 sh -c '
  for f; do
    [ -f "$f" ] || continue  # deleted, not yet committed
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || printf "%s\n" "$f"
  done' sh | sort)
if [ ${#bad[@]} -gt 0 ]; then
  printf 'check-format: %d of %d files are not formatted:\n' "${#bad[@]}" "${#files[@]}"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
