#!/usr/bin/env bash
# Runs a test program on a real X server (Xvfb) under a window manager (openbox), both started
# here inside a network namespace that has only loopback (unshare -n, through x_session.sh).
#
#   on_desktop.sh PROGRAM [ARGUMENTS...]
set -uo pipefail
# shellcheck source=x_session.sh
source "$(dirname "$(readlink -f "$0")")/x_session.sh"

QT_QPA_PLATFORM=xcb "$@"
