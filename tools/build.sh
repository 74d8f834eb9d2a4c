#!/usr/bin/env bash
# Configures and builds into the given directory, with warnings as errors unless a preset
# says otherwise.
# Usage: build.sh DIR [configure arguments...] [-- build arguments, e.g. --target NAME]
set -euo pipefail
dir=$1
shift
configure=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    configure+=("$1")
    shift
done
[ $# -gt 0 ] && shift
root=$(cd "$(dirname "$0")/.." && pwd)
launcher=()
if command -v ccache >/dev/null; then
    # Paths relative to the checkout, so that other checkouts of the tree share hits.
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# A -D given here would override the preset's own setting.
defaults=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZVK_WERROR=ON)
for arg in "${configure[@]}"; do
    case $arg in --preset*) defaults=() ;; esac
done
cmake -S "$root" -B "$dir" "${defaults[@]}" "${launcher[@]}" "${configure[@]}" >/dev/null
cmake --build "$dir" -j2 "$@"
