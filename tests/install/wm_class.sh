#!/bin/sh
# The main window's WM_CLASS, as xprop reads it under a real X server, is the class that the
# desktop entry's StartupWMClass names, so that the taskbar groups the window with its menu
# entry. Runs in a network namespace with only loopback (needs root; skipped otherwise).
# Usage: wm_class.sh PROGRAM DESKTOP_ENTRY
set -u
program=$1
entry=$2
skip=77
want=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$want" ] || { echo "no StartupWMClass in $entry"; exit 1; }
for tool in Xvfb xdotool xprop unshare ip; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run tools/setup.sh"; exit 1; }
done
if [ "$(id -u)" -ne 0 ] || ! unshare -n true 2>/dev/null; then
    echo "no network namespace here: skipped"
    exit $skip
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WANT="$want" PROGRAM="$program" WORK="$work"
timeout 60 unshare -n sh -c '
    ip link set dev lo up
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
    xvfb=$!
    for i in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$WORK/display")" QT_QPA_PLATFORM=xcb
    (cd "$(dirname "$PROGRAM")" && exec "$PROGRAM") 2>/dev/null &
    app=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$app" 2>/dev/null | head -n 1)
    got=$(xprop -id "$window" WM_CLASS 2>/dev/null | sed -n "s/^WM_CLASS(STRING) = \"[^\"]*\", \"\(.*\)\"$/\1/p")
    kill -TERM "$app"; wait "$app"
    kill "$xvfb"; wait "$xvfb"
    echo "WM_CLASS class: \"$got\", StartupWMClass: \"$WANT\""
    [ -n "$got" ] && [ "$got" = "$WANT" ]
'
