#!/usr/bin/env bash
# tools/apt-mirror.sh over made-up apt configurations: the source entry it
# derives from sources in both forms, and what set-up says when the mirror
# does not answer (a scratch apt whose one source is a closed port on
# 127.0.0.1; the machine's own configuration is not touched).
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/apt-mirror.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Rows: name | files (NAME=TEXT, separated by '@@') | expected entry | expected code
key=/usr/share/keyrings/debian-archive-keyring.gpg
rows=(
  "deb822 mirror, updates and security; another repository beside it|debian.sources=Types: deb
URIs: http://mirror.example/debian-security
Suites: bookworm-security
Components: main
Signed-By: $key

Types: deb
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: $key@@other.sources=Types: deb
URIs: https://other.example/repo
Suites: nodistro
Components: main|Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
Signed-By: $key|0"
  "one-line with options; commented-out and security entries left out|sources.list=# deb http://old.example/debian bookworm main
deb [arch=amd64 signed-by=/k.gpg] http://mirror.example/debian bookworm main contrib # the mirror
deb http://mirror.example/debian-security bookworm-security main
deb cdrom:[Debian-12]/ bookworm main
deb-src http://src.example/debian bookworm contrib
deb http://mirror.example/debian bookworm-updates main|Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
Signed-By: /k.gpg|0"
  "both forms, two mirrors, one key each|sources.list=deb http://a.example/debian bookworm main@@b.sources=Types: deb
# a second mirror
URIs: http://b.example/debian http://a.example/debian
Suites: bookworm
Components: main non-free
Signed-By: /b.gpg|Types: deb-src
URIs: http://a.example/debian
Suites: bookworm
Components: main

Types: deb-src
URIs: http://b.example/debian
Suites: bookworm
Components: main
Signed-By: /b.gpg|0"
  "only a security suite|sources.list=deb http://mirror.example/debian-security bookworm-security main||1"
  "disabled stanzas and other files' names ignored|a.sources=Enabled: no
Types: deb
URIs: http://off.example/debian
Suites: bookworm
Components: main
@@b.sources.disabled=Types: deb
URIs: http://gone.example/debian
Suites: bookworm
Components: main
@@waylune-src.sources=Types: deb-src
URIs: http://stale.example/debian
Suites: bookworm
Components: main
@@c.list=deb [ trusted=yes ] http://local.example/debian bookworm main|Types: deb-src
URIs: http://local.example/debian
Suites: bookworm
Components: main
Trusted: yes|0"
  "the machine's own deb-src entry is enough|sources.list=deb http://mirror.example/debian bookworm main
deb-src http://mirror.example/debian bookworm main||0"
  "a key given inline|x.sources=Types: deb
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----|Types: deb-src
URIs: http://mirror.example/debian
Suites: bookworm
Components: main
Signed-By: 
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----|0"
)
n=0
for row in "${rows[@]}"; do
  n=$((n + 1))
  IFS='|' read -r -d '' name files want want_rc <<<"$row" || true
  want_rc=${want_rc%$'\n'}
  etc="$scratch/etc$n"
  mkdir -p "$etc/sources.list.d"
  files=${files//@@/$'\x1e'}
  IFS=$'\x1e' read -r -d '' -a parts <<<"$files" || true
  for part in "${parts[@]}"; do
    part=${part%$'\n'}
    file=${part%%=*}
    [ "$file" = sources.list ] && dest="$etc/$file" || dest="$etc/sources.list.d/$file"
    printf '%s\n' "${part#*=}" >"$dest"
  done
  got=$(apt_src_entry "$etc/sources.list" "$etc/sources.list.d" waylune-src.sources)
  rc=$?
  [ "$rc" = "$want_rc" ] || fail "$name: code $rc, not $want_rc"
  [ "$got" = "$want" ] || fail "$name: got
$got
--- wanted
$want"
done

# The mirror does not answer: three tries, then the package and the index
# named, and the advice.
mkdir -p "$scratch/apt/etc/apt/sources.list.d" "$scratch/apt/etc/apt/apt.conf.d" \
  "$scratch/apt/etc/apt/preferences.d" "$scratch/apt/var/lib/dpkg" "$scratch/apt/var/lib/apt/lists/partial" \
  "$scratch/apt/var/cache/apt/archives/partial"
: >"$scratch/apt/var/lib/dpkg/status"
echo "deb [trusted=yes] http://127.0.0.1:9/debian bookworm main" >"$scratch/apt/etc/apt/sources.list"
printf 'Dir "%s/";\nDir::State::status "%s/var/lib/dpkg/status";\nAcquire::Retries "0";\n' \
  "$scratch/apt" "$scratch/apt" >"$scratch/apt.conf"
export APT_CONFIG="$scratch/apt.conf" WAYLUNE_APT_PAUSE=0 WAYLUNE_CACHE="$scratch/cache"
# apt-get as it is, each call noted.
mkdir -p "$scratch/bin"
printf '#!/bin/sh\necho "$*" >>"%s"\nexec /usr/bin/apt-get "$@"\n' "$scratch/calls" >"$scratch/bin/apt-get"
chmod +x "$scratch/bin/apt-get"
PATH="$scratch/bin:$PATH"
apt_sudo=()
apt_locations
[ "$apt_list" = "$scratch/apt/etc/apt/sources.list" ] || fail "apt's sources list not taken from APT_CONFIG: $apt_list"
apt_update >"$scratch/update.out" 2>&1
out=$(cat "$scratch/update.out")
[ "$(grep -c '^update' "$scratch/calls")" = 3 ] && [ "$(grep -c 'again in 0 s' <<<"$out")" = 2 ] ||
  fail "apt-get update not tried three times, with a pause between: $out"
grep -q 'http://127.0.0.1:9/debian/dists/bookworm/InRelease' <<<"$apt_unfetched" ||
  fail "the index that did not come is not named: $apt_unfetched"
out=$(apt_install pngcheck 2>&1) && fail "an install from nowhere succeeded"
for words in "could not install pngcheck " "127.0.0.1:9/debian/dists/bookworm/InRelease" \
  "middle of a sync" "try again later" "trying bookworm's own suite"; do
  grep -qF "$words" <<<"$out" || fail "the message lacks '$words': $out"
done
grep -q '^install -y .*-t bookworm pngcheck' "$scratch/calls" || fail "no install from bookworm's own suite"

[ "$failures" = 0 ] && echo "apt-mirror: ${#rows[@]} derivations and the unanswered mirror as expected"
exit $((failures > 0))
