#!/usr/bin/env bash
# Runs a test program on a real X server (Xvfb) under a window manager (openbox), both started
# here inside a network namespace that has only loopback (unshare -n, through session.sh).
#
#   on_desktop.sh PROGRAM [ARGUMENTS...]
set -uo pipefail
# shellcheck source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"
in_loopback_namespace "$@"
make_scratch
start_x_session

QT_QPA_PLATFORM=xcb "$@"
