#!/usr/bin/env bash
# Builds the Debian packages (zvkdemo_<version>-1_amd64.deb and the others of
# dist/DebianPackage.cmake) as Debian builds packages: the package preset with the flags of
# dpkg-buildflags, every hardening feature on.
# Usage: package.sh [BUILD_DIR [OUTPUT_DIR]]   (defaults: build-package, the current folder)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-package}")
out=$(realpath -m "${2:-.}")
# From the source folder, as dpkg-buildpackage runs it: the prefix map names that folder.
eval "$(cd "$root" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
"$root/tools/build.sh" "$build" --preset package
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
mkdir -p "$out"
for deb in "$work"/*.deb; do
    mv "$deb" "$out"/
    echo "$out/$(basename "$deb")"
done
