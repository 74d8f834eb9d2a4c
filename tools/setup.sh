#!/usr/bin/env bash
# Installs what building and running the program needs, when it is missing (Debian 12).
set -euo pipefail

packages=(cmake ninja-build g++ pkgconf qt6-base-dev libxcb1-dev fonts-dejavu-core fonts-liberation
          clang-format clang-tidy)
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
