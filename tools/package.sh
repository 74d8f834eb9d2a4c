#!/usr/bin/env bash
# Builds the Debian packages (zvkdemo_<version>-1_amd64.deb and the others of
# dist/DebianPackage.cmake) from a plain build.
# Usage: package.sh [BUILD_DIR [OUTPUT_DIR]]   (defaults: build, the current folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
out=$(realpath -m "${2:-.}")
"$root/tools/build.sh" "$build"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
mkdir -p "$out"
for deb in "$work"/*.deb; do
    mv "$deb" "$out"/
    echo "$out/$(basename "$deb")"
done
