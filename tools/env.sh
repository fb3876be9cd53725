# Shared paths for the developer scripts; sourced, not run.
# Caches live outside the checkout so a fresh clone reuses them.
: "${WAYLUNE_CACHE:=${XDG_CACHE_HOME:-$HOME/.cache}/waylune}"
export WAYLUNE_CACHE
export WAYLUNE_DEPS="$WAYLUNE_CACHE/win32-deps"
export WAYLUNE_SOUND_DEPS="$WAYLUNE_CACHE/sound-deps"
export CCACHE_DIR="${CCACHE_DIR:-$WAYLUNE_CACHE/ccache}"
# Paths inside the checkout are hashed relative to it, so clones and
# worktrees elsewhere hit the same cache entries.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export CCACHE_NOHASHDIR=1
