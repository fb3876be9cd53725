# Shared paths for the developer scripts; sourced, not run.
# Caches live outside the checkout so a fresh clone reuses them.
: "${WAYLUNE_CACHE:=${XDG_CACHE_HOME:-$HOME/.cache}/waylune}"
export WAYLUNE_CACHE
export WAYLUNE_DEPS="$WAYLUNE_CACHE/win32-deps"
export CCACHE_DIR="${CCACHE_DIR:-$WAYLUNE_CACHE/ccache}"
