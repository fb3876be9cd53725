# Debian's archive as this machine's apt reaches it; sourced by setup.sh and
# its test. Set-up takes its source packages from the mirror the machine
# already uses, tries the mirror more than once, and when it still fails
# says which package and which index, in words a user can act on. Needs only
# bash, awk and apt (a minimal Debian has no python yet).

apt_release=bookworm

# apt's own file locations, so that a scratch configuration (APT_CONFIG) is
# honoured: sets apt_list and apt_parts.
apt_locations() {
  eval "$(apt-config shell apt_list Dir::Etc::sourcelist/f apt_parts Dir::Etc::sourceparts/d)"
  apt_list=${apt_list:-/etc/apt/sources.list}
  apt_parts=${apt_parts:-/etc/apt/sources.list.d/}
}

# The deb-src entry (deb822) for the release's main component, made from the
# machine's own entries of the release: one stanza per key, the URIs in the
# order the sources give them. Prints nothing when the machine lists such a
# deb-src entry itself; returns 1 when it lists no entry of the release.
#   apt_src_entry SOURCES_LIST SOURCES_PARTS_DIR OWN_FILE_NAME
apt_src_entry() {
  local list=$1 parts=$2 own=$3 f
  local files=()
  [ -f "$list" ] && files+=("$list")
  # apt reads these two kinds of file in sources.list.d, in name order.
  for f in "$parts"/*.list "$parts"/*.sources; do
    [ -f "$f" ] && [ "$(basename "$f")" != "$own" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 1
  LC_ALL=C awk -v release="$apt_release" '
    function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
    function has(list, word,   n, i, w) {
      n = split(list, w, /[ \t]+/)
      for (i = 1; i <= n; ++i) if (w[i] == word) return 1
      return 0
    }
    # One entry: types, URIs and suites are lists; key and trust carry over.
    function entry(types, uris, suites, comps, key, trusted,   nu, u, i, group) {
      if (!has(suites, release)) return
      if (has(types, "deb-src") && has(comps, "main")) own_src = 1
      if (!has(types, "deb")) return
      nu = split(uris, u, /[ \t]+/)
      for (i = 1; i <= nu; ++i) {
        # Source packages are not on a disc.
        if (u[i] == "" || u[i] ~ /^cdrom:/ || (u[i] in seen)) continue
        seen[u[i]] = 1
        group = key SUBSEP trusted
        if (!(group in members)) { order[++groups] = group; gkey[groups] = key; gtrust[groups] = trusted }
        members[group] = members[group] (members[group] == "" ? "" : " ") u[i]
      }
    }
    function stanza_end() {
      if (in_stanza && tolower(f["enabled"]) != "no")
        entry(f["types"], f["uris"], f["suites"], f["components"], f["signed-by"], tolower(f["trusted"]) == "yes")
      delete f; in_stanza = 0; last = ""
    }
    FNR == 1 { if (deb822) stanza_end(); deb822 = FILENAME ~ /\.sources$/ }
    deb822 {
      if ($0 ~ /^#/) next
      if ($0 ~ /^[ \t]*$/) { stanza_end(); next }
      if ($0 ~ /^[ \t]/) { if (last != "") f[last] = f[last] "\n" $0; next }
      colon = index($0, ":")
      if (!colon) next
      last = tolower(trim(substr($0, 1, colon - 1)))
      f[last] = trim(substr($0, colon + 1))
      in_stanza = 1
      next
    }
    {
      n = split($0, w, /[ \t]+/)
      i = 1
      if (w[1] == "") ++i
      type = w[i++]
      if (type != "deb" && type != "deb-src") next
      key = ""; trusted = 0
      if (substr(w[i], 1, 1) == "[") {
        opts = ""
        while (i <= n) { opts = opts " " w[i]; if (w[i++] ~ /\]$/) break }
        gsub(/[][]/, " ", opts)
        no = split(opts, o, /[ \t]+/)
        for (j = 1; j <= no; ++j) {
          if (o[j] ~ /^signed-by=/) key = substr(o[j], 11)
          if (o[j] == "trusted=yes") trusted = 1
        }
      }
      uri = w[i++]; suite = w[i++]
      comps = ""
      for (; i <= n; ++i) comps = comps " " w[i]
      entry(type, uri, suite, comps, key, trusted)
    }
    END {
      if (deb822) stanza_end()
      if (own_src) exit 0
      if (!groups) exit 1
      for (g = 1; g <= groups; ++g) {
        if (g > 1) print ""
        print "Types: deb-src"
        print "URIs: " members[order[g]]
        print "Suites: " release
        print "Components: main"
        if (gkey[g] != "") print "Signed-By: " gkey[g]
        if (gtrust[g]) print "Trusted: yes"
      }
    }' "${files[@]}"
}

# The indexes a log of apt names as not fetched, one "URL (reason)" a line.
apt_failed_fetches() {
  LC_ALL=C awk '/^[EW]: Failed to fetch / {
      sub(/^[EW]: Failed to fetch /, "")
      url = $1
      sub(/^[^ ]+[ ]+/, ""); sub(/ *\[IP: [^]]*\]/, "")
      print url ($0 == "" ? "" : " (" $0 ")")
    }' "$@" | sort -u
}

# apt-get update, up to three tries with a pause between them
# (WAYLUNE_APT_PAUSE seconds, 20 by default). Sets apt_unfetched to the
# indexes the last try could not fetch; set-up then goes on with what came.
apt_update() {
  local log try rc pause=${WAYLUNE_APT_PAUSE:-20}
  log=$(mktemp)
  apt_unfetched=""
  for try in 1 2 3; do
    rc=0
    "${apt_sudo[@]}" apt-get update -qq >"$log" 2>&1 || rc=$?
    apt_unfetched=$(apt_failed_fetches "$log")
    if [ "$rc" = 0 ] && [ -z "$apt_unfetched" ]; then
      rm -f "$log"
      return 0
    fi
    [ -n "$apt_unfetched" ] || apt_unfetched=$(grep -E '^[EW]: ' "$log" | cut -c4-)
    [ -n "$apt_unfetched" ] || apt_unfetched="apt-get update ended with code $rc"
    if [ "$try" -lt 3 ]; then
      echo "setup: apt-get update could not fetch every index (try $try of 3); again in ${pause} s"
      sleep "$pause"
    fi
  done
  rm -f "$log"
  echo "setup: going on with the indexes that came; these did not:"
  printf '%s\n' "$apt_unfetched" | sed 's/^/  /'
}

# The packages an apt-get install log says it could not have.
apt_culprits() {
  LC_ALL=C awk '
    /^E: Unable to locate package / { print $NF; next }
    /^E: Package .* has no installation candidate/ { p = $3; gsub(/\047/, "", p); print p; next }
    /^E: Failed to fetch .*\.deb/ { n = split($5, part, "/"); sub(/_.*/, "", part[n]); print part[n]; next }
    /^ [^ ]+ : (Pre)?Depends: / { print $1; next }
  ' "$@" | awk '!seen[$0]++'
}

# apt-get install of the given packages; when indexes were not fetched and
# the install fails, once more preferring the release's own suite (a suite
# whose index for one architecture lags, as mid-sync, leaves its packages
# of the other architecture uninstallable). When that fails too, stops
# set-up with the package and the index in a few lines; what was installed
# so far stays.
apt_install() {
  local log="$WAYLUNE_CACHE/setup-apt.log" culprits=""
  # Unpacked without a sync after every file: four times faster (fp-utils
  # brings 200 MB of Pascal sources), at the price of a torn install should
  # the machine lose power meanwhile.
  local cmd=("${apt_sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends
    -o Dpkg::Options::=--force-unsafe-io)
  mkdir -p "$WAYLUNE_CACHE"
  "${cmd[@]}" "$@" >"$log" 2>&1 && return 0
  if [ -n "${apt_unfetched:-}" ]; then
    echo "setup: the install needs an index that did not come; trying $apt_release's own suite first"
    "${cmd[@]}" -t "$apt_release" "$@" >>"$log" 2>&1 && return 0
  fi
  # Which of the asked-for packages cannot be had, one at a time (only on
  # this path: it takes a second or so each); apt's own names otherwise.
  local p target=()
  [ -z "${apt_unfetched:-}" ] || target=(-t "$apt_release")
  for p in "$@"; do
    apt-get install -s -qq --no-install-recommends "${target[@]}" "$p" >/dev/null 2>&1 || culprits+="${culprits:+ }$p"
  done
  [ -n "$culprits" ] || culprits=$(apt_culprits "$log" | head -5 | paste -sd' ' -)
  apt_give_up "could not install ${culprits:-"$*"} (apt's words: $log)"
  return 1
}

# Set-up's last words when the mirror failed it: what, the indexes that did
# not come, and what to do.
apt_give_up() {
  {
    echo "setup: $1"
    if [ -n "${apt_unfetched:-}" ]; then
      echo "setup: these package indexes could not be fetched:"
      printf '%s\n' "$apt_unfetched" | sed 's/^/  /'
    fi
    echo "setup: the mirror may be in the middle of a sync (or out of reach); try again later. What was installed so far stays."
  } >&2
}
