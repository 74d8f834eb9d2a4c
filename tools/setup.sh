#!/usr/bin/env bash
# Installs what building and running the program needs, when it is missing (Debian 12).
set -euo pipefail

# desktop-file-utils and appstream: the install tests validate the desktop entry and metadata;
# pkgconf finds xcb; clang-format and clang-tidy are the gates of tools/test.sh;
# xvfb, openbox, xdotool, x11-utils and iproute2: the tests that run the program on a real X
# server (with a window manager) in a loopback-only namespace (unshare -n); this script only
# installs them and runs nothing on X.
packages=(cmake ninja-build g++ qt6-base-dev libxcb1-dev fonts-dejavu-core fonts-liberation
    desktop-file-utils appstream xvfb openbox xdotool x11-utils iproute2 util-linux
    pkgconf clang-format clang-tidy)
# The fuzz targets (tools/fuzz.sh): clang with libFuzzer and the sanitizer runtimes.
packages+=(clang-14 libclang-rt-14-dev)
# The Wayland test (sway headless, natively and through XWayland), the accessibility test
# (the AT-SPI bus in a D-Bus session, read with pyatspi) and the package checks (lintian).
packages+=(sway xwayland qt6-wayland wtype at-spi2-core python3-pyatspi dbus lintian)
# The screen reader test: Orca, speaking through speech-dispatcher's generic module to a file.
packages+=(orca speech-dispatcher)
# The Debian package: cpack computes its dependencies with dpkg-shlibdeps.
packages+=(dpkg-dev)
# zvk_exporter: HTTP (libmicrohttpd, TLS through GnuTLS), the web configuration (yaml-cpp),
# bcrypt (libcrypt); its tests run Debian's prometheus and promtool, curl and openssl.
packages+=(libmicrohttpd-dev libyaml-cpp-dev libcrypt-dev prometheus curl openssl)
# zvk-mqtt: libmosquitto to build it; the broker and its command-line clients for its test.
packages+=(libmosquitto-dev mosquitto mosquitto-clients)
# The exporter benchmark (tools/bench/exporter_bench.sh) compares with Debian's blackbox
# exporter. On a systemd host the package also starts its own service on :9115; the benchmark
# uses another port inside its own namespace.
packages+=(prometheus-blackbox-exporter)
missing=()
for p in "${packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
