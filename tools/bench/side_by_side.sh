#!/usr/bin/env bash
# Runs several builds of the program (and the stock-Qt window) at the same time on one Xvfb
# with openbox, each connected to a simulated thermometer of its own whose reading changes
# at every frame, and prints each one's CPU and wake-ups per second over the same windows.
# Taken at the same moment, the subjects share the machine's load: their ratios scatter far
# less than those of measure.sh, which runs each alone. The figures are not those of a
# program alone on the desktop (the subjects share the X server and the window manager).
#
#   tools/bench/side_by_side.sh [-n WINDOWS] [-w SECONDS] BUILD_DIR LABEL=PROGRAM ...
#
# A label starting with "stock" runs the stock-Qt window of ../shared/reference. An
# environment for a subject: LABEL=PROGRAM:VAR=VALUE,VAR=VALUE. Needs root: it unshares a
# network namespace that has only loopback.
set -uo pipefail

if [ "${1:-}" != --inside ]; then
    exec unshare -n sh -c 'ip link set dev lo up && exec "$0" --inside "$@"' "$0" "$@"
fi
shift

windows=5
seconds=20
while getopts n:w: opt; do
    case $opt in
    n) windows=$OPTARG ;;
    w) seconds=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
build=$(cd "$1" && pwd)
shift
root=$(cd "$(dirname "$0")/../.." && pwd)

. "$(dirname "$0")/x_desktop.sh"
cp "$root"/languages/*.lng.xml "$work"/

labels=()
subjects=()
i=0
for arg in "$@"; do
    label=${arg%%=*}
    rest=${arg#*=}
    program=${rest%%:*}
    envs=()
    [ "$rest" != "$program" ] && IFS=, read -ra envs <<<"${rest#*:}"
    port=$((11000 + i))
    "$build/tools/thermosim/thermosim" --port "$port" --bytes '*B1E1+021.1\r\n' \
        --bytes '*B1E1+021.2\r\n' >/dev/null &
    pids+=($!)
    sleep 0.3
    if [[ $label == stock* ]]; then
        (cd "$work" && exec env "${envs[@]}" ZVK_PEER_RES="$root/resources" ZVK_PEER_PORT="$port" \
            ZVK_PEER_NOBLINK=1 "$program") >/dev/null 2>&1 &
        pid=$!
        sleep 2
    else
        mkdir "$work/p$i"
        cp "$program" "$work/p$i/ZVKdemo"
        printf '[LNG]=cesky.lng.xml\r\n' >"$work/p$i/lng.ini"
        : >"$work/p$i/portable"
        (cd "$work" && exec env "${envs[@]}" "$work/p$i/ZVKdemo") >/dev/null 2>&1 &
        pid=$!
        wid=$(xdotool search --sync --onlyvisible --pid "$pid" | head -n1)
        sleep 0.5
        # The stored layout: address field at 16,40, port field at 16,88, button at 200,88.
        xdotool mousemove --window "$wid" 60 50 click 1 key --delay 20 ctrl+a type --delay 20 127.0.0.1
        xdotool mousemove --window "$wid" 60 98 click 1 key --delay 20 ctrl+a type --delay 20 "$port"
        xdotool mousemove --window "$wid" 240 100 click 1
    fi
    pids+=("$pid")
    labels+=("$label")
    subjects+=("$pid")
    i=$((i + 1))
done
sleep 12 # the caret stops blinking after 10 s without input

echo "window, then per subject: CPU ms/s, wake-ups/s"
for w in $(seq "$windows"); do
    c0=() s0=()
    for k in "${!subjects[@]}"; do
        c0[k]=$(cpu_ns "${subjects[k]}")
        s0[k]=$(switches "${subjects[k]}")
    done
    sleep "$seconds"
    line="$w"
    for k in "${!subjects[@]}"; do
        line+=$(awk -v l="${labels[k]}" -v c=$(($(cpu_ns "${subjects[k]}") - c0[k])) \
            -v s=$(($(switches "${subjects[k]}") - s0[k])) -v t="$seconds" \
            'BEGIN {printf "  %s %.3f %.1f", l, c / 1e6 / t, s / t}')
    done
    echo "$line"
done
