#!/usr/bin/env bash
# Measures the program side by side with two reference windows (tools/bench/refwindow):
# exec-to-map time, RSS after start-up, wake-ups and CPU when idle, and for the program also
# the RSS step at the first reading and the cost while connected to a simulated thermometer
# whose reading changes at every frame (once a second) and to one whose reading never changes.
#
#   tools/bench/measure.sh [-r ROUNDS] [-w SECONDS] BUILD_DIR [OTHER_ZVKDEMO ...]
#
# Every subject runs in every round, in alternating order, each alone on a private Xvfb
# with openbox, all inside a network namespace that has only loopback (needs root).
# Figures per run go to stdout as "subject figure value" lines, then medians per subject.
set -euo pipefail

if [ "${1:-}" != --inside ]; then
    exec unshare -n sh -c 'ip link set dev lo up && exec "$0" --inside "$@"' "$0" "$@"
fi
shift

rounds=3
window=10 # seconds each rate is sampled over
stock=
while getopts r:w:s: opt; do
    case $opt in
    r) rounds=$OPTARG ;;
    w) window=$OPTARG ;;
    s) stock=$(realpath "$OPTARG") ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
build=$(cd "$1" && pwd)
shift
programs=("$build/ZVKdemo" "$@")
idle_after=12 # seconds without input before a rate is sampled

. "$(dirname "$0")/x_desktop.sh"
# A reading that changes at every frame, once a second: +021.1, +021.2, +021.1, ...
"$build/tools/thermosim/thermosim" --port 10001 --bytes '*B1E1+021.1\r\n' \
    --bytes '*B1E1+021.2\r\n' >/dev/null &
pids+=($!)
"$build/tools/thermosim/thermosim" --port 10002 --value 21.5 >/dev/null &
pids+=($!)
sleep 1

# Each program runs as a copy in its own directory, with an lng.ini that names the Czech
# file; the working directory holds the language files.
root=$(cd "$(dirname "$0")/../.." && pwd)
cp "$root"/languages/*.lng.xml "$work"/
for i in "${!programs[@]}"; do
    mkdir "$work/prog$i"
    cp "${programs[$i]}" "$work/prog$i/ZVKdemo"
    printf '[LNG]=cesky.lng.xml\r\n' >"$work/prog$i/lng.ini"
    : >"$work/prog$i/portable" # lng.ini is read and kept beside it
done

now_ns() { date +%s%N; }

rss_kib() { awk '/^VmRSS/ {print $2}' /proc/"$1"/status; }

# Samples a process for $window seconds: prints "wakeups/s cpu-ms/s".
rates() {
    local pid=$1 c0 s0 t0 c1 s1 t1
    c0=$(cpu_ns "$pid") s0=$(switches "$pid") t0=$(now_ns)
    sleep "$window"
    c1=$(cpu_ns "$pid") s1=$(switches "$pid") t1=$(now_ns)
    awk -v c="$((c1 - c0))" -v s="$((s1 - s0))" -v t="$((t1 - t0))" \
        'BEGIN {printf "%.1f %.2f\n", s / (t / 1e9), c / 1e6 / (t / 1e9)}'
}

# A watcher prints a time stamp each time the window manager's client list changes.
xprop -root -spy _NET_CLIENT_LIST 2>/dev/null | while read -r line; do
    echo "$EPOCHREALTIME $(grep -o 0x <<<"$line" | wc -l)"
done >"$work/clients" &
pids+=($!)

# Starts a command and waits until the window manager lists a new client window.
# Sets $pid, $wid and $map_ms.
start_and_wait_map() {
    local seen t0 line
    seen=$(wc -l <"$work/clients")
    t0=$EPOCHREALTIME
    (cd "$work" && exec "$@") >/dev/null 2>&1 &
    pid=$!
    pids+=("$pid")
    while :; do
        line=$(tail -n +"$((seen + 1))" "$work/clients" | awk '$2 > 0 {print $1; exit}')
        [ -n "$line" ] && break
        sleep 0.01
    done
    map_ms=$(awk -v a="$t0" -v b="$line" 'BEGIN {printf "%.1f", (b - a) * 1000}')
    wid=$(xdotool search --sync --onlyvisible --pid "$pid" | head -n1)
}

stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# Types 127.0.0.1 and the given port into the program's window (client coordinates of the
# stored layout: address field at 16,40, port field at 16,88, button at 200,88), then
# connects with the button.
type_address() {
    local port=$1
    xdotool mousemove --window "$wid" 60 50 click 1 key --delay 20 ctrl+a type --delay 20 127.0.0.1
    xdotool mousemove --window "$wid" 60 98 click 1 key --delay 20 ctrl+a type --delay 20 "$port"
}
press_connect() { xdotool mousemove --window "$wid" 240 100 click 1; }
connect_to() {
    type_address "$1"
    press_connect
}
# 1 when the taskbar text carries a reading.
connected() { xprop -id "$wid" _NET_WM_ICON_NAME | grep -c 'ZVK Demo   ' || true; }
disconnect() { xdotool mousemove --window "$wid" 240 100 click 1; }

report() { echo "$1 $2 $3" | tee -a "$work/figures"; }

measure_window() { # name command...
    local name=$1
    shift
    start_and_wait_map "$@"
    report "$name" map_ms "$map_ms"
    sleep 1
    report "$name" rss_kib "$(rss_kib "$pid")"
    sleep $((idle_after - 1))
    if [ "$name" = stock ]; then # it connected itself, 1 s after start
        read -r w c <<<"$(rates "$pid")"
        report "$name" changing_wakeups_per_s "$w"
        report "$name" changing_cpu_ms_per_s "$c"
        stop "$pid"
        return
    fi
    read -r w c <<<"$(rates "$pid")"
    report "$name" idle_wakeups_per_s "$w"
    report "$name" idle_cpu_ms_per_s "$c"
    if [ "$name" = "${name#ref-}" ]; then
        local before
        type_address 10001
        sleep 1
        before=$(rss_kib "$pid")
        press_connect
        sleep 3
        report "$name" rss_step_first_reading_kib "$(($(rss_kib "$pid") - before))"
        report "$name" connected "$(connected)"
        sleep $((idle_after - 3))
        read -r w c <<<"$(rates "$pid")"
        report "$name" changing_wakeups_per_s "$w"
        report "$name" changing_cpu_ms_per_s "$c"
        disconnect
        sleep 0.5
        connect_to 10002
        sleep "$idle_after"
        report "$name" connected "$(connected)"
        read -r w c <<<"$(rates "$pid")"
        report "$name" unchanging_wakeups_per_s "$w"
        report "$name" unchanging_cpu_ms_per_s "$c"
    fi
    stop "$pid"
}

subjects=()
for i in "${!programs[@]}"; do subjects+=("prog$i"); done
subjects+=(ref-text ref-empty)
[ -n "$stock" ] && subjects+=(stock)
for i in "${!programs[@]}"; do echo "prog$i = ${programs[$i]}"; done

for r in $(seq "$rounds"); do
    order=("${subjects[@]}")
    if [ $((r % 2)) -eq 0 ]; then # every other round backwards
        order=()
        for ((i = ${#subjects[@]} - 1; i >= 0; i--)); do order+=("${subjects[$i]}"); done
    fi
    echo "round $r: ${order[*]}"
    for s in "${order[@]}"; do
        case $s in
        ref-text) measure_window "$s" "$build/tools/bench/refwindow" text ;;
        ref-empty) measure_window "$s" "$build/tools/bench/refwindow" empty ;;
        prog*) measure_window "$s" "$work/$s/ZVKdemo" ;;
        stock) measure_window "$s" env ZVK_PEER_RES="$root/resources" ZVK_PEER_PORT=10001 \
            ZVK_PEER_NOBLINK=1 "$stock" ;;
        esac
    done
done

echo "medians over $rounds rounds:"
sort -k1,1 -k2,2 -k3,3g "$work/figures" | awk '
    { key = $1 " " $2; v[key, ++n[key]] = $3; if (!(key in seen)) { seen[key] = 1; keys[++k] = key } }
    END { for (i = 1; i <= k; i++) { key = keys[i]; c = n[key];
          m = (c % 2) ? v[key, (c + 1) / 2] : (v[key, c / 2] + v[key, c / 2 + 1]) / 2;
          printf "%-10s %-28s %s\n", substr(key, 1, index(key, " ") - 1), substr(key, index(key, " ") + 1), m } }' |
    tee "$work/medians"
if [ -n "$stock" ]; then
    awk '$2 == "changing_cpu_ms_per_s" { cpu[$1] = $3 }
         END { for (s in cpu) if (s != "stock" && cpu["stock"] > 0)
               printf "%-10s %-28s %.2f\n", s, "changing_cpu_vs_stock", cpu[s] / cpu["stock"] }' \
        "$work/medians" | sort
fi
