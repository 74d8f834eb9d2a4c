#!/usr/bin/env bash
# Configures and builds into the given directory; further arguments go to CMake.
set -euo pipefail
dir=$1
shift
root=$(cd "$(dirname "$0")/.." && pwd)
launcher=()
if command -v ccache >/dev/null; then
    # Paths relative to the checkout, so that other checkouts of the tree share hits.
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j2
