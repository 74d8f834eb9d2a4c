#!/usr/bin/env bash
# Runs the real program on a real X server (Xvfb) under a window manager (openbox), both
# started here inside a network namespace that has only loopback (unshare -n, through
# session.sh), and checks what only a real desktop shows: the outer window (frame
# included) centred on the screen, the title and the taskbar text, the same place at a
# second start, a move made right after mapping kept, the title carrying the reading of a
# simulated thermometer (ZVK_THERMOSIM) while connected, the toolkit's own command-line
# options ignored, a message dialog centred by its outer window, and the centring under Qt's
# scaling (QT_SCALE_FACTOR=2), where the frame comes in the server's pixels.
#
#   ZVK_THERMOSIM=SIMULATOR desktop_test.sh PROGRAM LANGUAGE_DIR [STARTS]
#
# STARTS (default 2) plain starts are made and each one's placement is printed. Exit code 77
# means skipped: no X server can be started here.
set -uo pipefail

program=$(readlink -f "$1")
languages=$(readlink -f "$2")
starts=${3:-2}

# shellcheck source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"
in_loopback_namespace "$@"
make_scratch
start_x_session

read -r screen_w screen_h < <(xwininfo -root | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')

# The program in a folder of its own, marked to keep lng.ini there.
mkdir "$work/app"
cp "$program" "$work/app/ZVKdemo"
cp "$languages/cesky.lng.xml" "$languages/english.lng.xml" "$work/app/"
: >"$work/app/portable"

app_pid=
start_program() {
    (cd "$work/app" && QT_QPA_PLATFORM=xcb exec ./ZVKdemo "$@" >>"$work/program.log" 2>&1) &
    app_pid=$!
}
stop_program() {
    kill -TERM "$app_pid" 2>/dev/null
    (sleep 10 && kill -KILL "$app_pid" 2>/dev/null) &
    local watchdog=$!
    wait "$app_pid"
    local code=$?
    kill "$watchdog" 2>/dev/null
    wait "$watchdog" 2>/dev/null
    [ "$code" -eq 0 ] || fail "the program ended with exit code $code: $(tail -n 5 "$work/program.log")"
}

# The one visible window of the program whose title is $1.
window_titled() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        if [ "$(xprop -id "$id" _NET_WM_NAME 2>/dev/null)" = "_NET_WM_NAME(UTF8_STRING) = \"$1\"" ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

# Outer geometry "x y w h" from the client's place and the frame the window manager reports.
outer_geometry() {
    local id=$1 ext
    ext=$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p' | tr -d ',')
    [ -n "$ext" ] || return 1
    read -r l r t b <<<"$ext"
    xwininfo -id "$id" | awk -v l="$l" -v r="$r" -v t="$t" -v b="$b" '
        /Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4}
        /Width:/{w=$2} /Height:/{h=$2}
        END{print x - l, y - t, w + l + r, h + t + b, x, y, l, r, t, b}'
}

# Waits for the frame and a placement that stays put for three looks in a row.
settled_geometry() {
    local id=$1 last= same=0 now
    for ((i = 0; i < 100; i++)); do
        now=$(outer_geometry "$id") || now=
        if [ -n "$now" ] && [ "$now" = "$last" ]; then
            same=$((same + 1))
            [ "$same" -ge 3 ] && { echo "$now"; return 0; }
        else
            same=0
        fi
        last=$now
        sleep 0.1
    done
    return 1
}

# Checks that the window's outer frame is centred; prints its figures. Under a scale factor
# $3 the toolkit places in its own pixels, so the place may be off by less than one of them.
check_centred() {
    local what=$1 id=$2 slack=$((${3:-1} - 1)) geometry
    geometry=$(settled_geometry "$id") || fail "$what: no stable frame within 10 s"
    read -r x y w h cx cy l r t b <<<"$geometry"
    local ex=$(((screen_w - w) / 2)) ey=$(((screen_h - h) / 2))
    echo "$what: outer ${w}x${h} at $x,$y (client at $cx,$cy, frame $l/$r/$t/$b); centred is $ex,$ey"
    ((x - ex <= slack && ex - x <= slack && y - ey <= slack && ey - y <= slack)) ||
        fail "$what is not centred"
    placed="$x $y $w $h"
}

main_title="Ukázka měření teploty na ZVK"
main_window() { window_titled "$main_title"; }

# The taskbar text (both icon names) of window $1 is the application title $2.
check_names() {
    local id=$1 title=${2:-ZVK Demo}
    [ "$(LC_ALL=C.UTF-8 xprop -id "$id" WM_ICON_NAME)" = "WM_ICON_NAME(STRING) = \"$title\"" ] ||
        fail "WM_ICON_NAME is not \"$title\": $(xprop -id "$id" WM_ICON_NAME)"
    [ "$(xprop -id "$id" _NET_WM_ICON_NAME)" = "_NET_WM_ICON_NAME(UTF8_STRING) = \"$title\"" ] ||
        fail "_NET_WM_ICON_NAME is not \"$title\": $(xprop -id "$id" _NET_WM_ICON_NAME)"
}

title_of() { xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }

first=
for ((n = 1; n <= starts; n++)); do
    start_program
    wait_for 150 main_window >/dev/null || fail "start $n: no main window titled \"$main_title\""
    id=$(main_window)
    check_centred "start $n" "$id"
    check_names "$id"
    [ -z "$first" ] && first=$placed
    [ "$placed" = "$first" ] || fail "start $n is placed at $placed, the first start at $first"
    stop_program
done

# Scaled by Qt, the window is twice the size, and still centred with its frame.
export QT_SCALE_FACTOR=2
start_program
wait_for 150 main_window >/dev/null || fail "scaled: no main window"
check_centred "scaled by 2" "$(main_window)" 2
read -r _ _ w h <<<"$placed"
read -r _ _ w1 h1 <<<"$first"
((w > w1 * 3 / 2 && h > h1 * 3 / 2)) || fail "scaled by 2, the window is only ${w}x$h"
stop_program
unset QT_SCALE_FACTOR

# A window that the window manager moves right after mapping stays where it was put.
start_program
wait_for 150 main_window >/dev/null || fail "no main window to move"
id=$(main_window)
xdotool windowmove "$id" 100 50
moved=$(settled_geometry "$id") || fail "the moved window did not settle"
sleep 1.5
now=$(settled_geometry "$id") || fail "the moved window did not settle"
read -r x y _ <<<"$moved"
read -r x2 y2 _ <<<"$now"
echo "moved right after mapping: outer at $x,$y; 1.5 s later at $x2,$y2"
[ "$now" = "$moved" ] || fail "the window was moved back from \"$moved\" to \"$now\""
[ "$x $y" != "$(cut -d' ' -f1,2 <<<"$first")" ] || fail "the window manager's move was undone"
stop_program

# While connected, the title carries the reading in front of the caption; the taskbar text
# (icon names) is the application title as before.
[ -x "${ZVK_THERMOSIM:-}" ] || fail "ZVK_THERMOSIM names no simulator"
"$ZVK_THERMOSIM" --address 127.0.0.1 --port 0 --value +021.5 >"$work/sim.out" 2>&1 &
pids+=($!)
wait_for 50 test -s "$work/sim.out" || fail "the simulator did not start"
sim_port=$(head -n 1 "$work/sim.out")
start_program
wait_for 150 main_window >/dev/null || fail "no main window to connect with"
id=$(main_window)
settled_geometry "$id" >/dev/null || fail "the main window did not settle"
# Client coordinates of the stored layout: address field, port field, button, English flag.
xdotool mousemove --window "$id" 60 50 click 1 key ctrl+a type --delay 10 127.0.0.1
xdotool mousemove --window "$id" 60 98 click 1 key ctrl+a type --delay 10 "$sim_port"
xdotool mousemove --window "$id" 240 100 click 1
reading="+021.5 °C"
czech_connected="$reading – $main_title"
titled() { [ "$(title_of "$1")" = "$2" ]; }
wait_for 50 titled "$id" "$czech_connected" ||
    fail "connected: the title is \"$(title_of "$id")\", not \"$czech_connected\""
check_names "$id" "ZVK Demo   $reading"
xdotool mousemove --window "$id" 238 68 click 1
english="Temperature measurement demo on ZVK"
wait_for 30 titled "$id" "$reading – $english" ||
    fail "after the language switch the title is \"$(title_of "$id")\""
xdotool mousemove --window "$id" 240 100 click 1
wait_for 30 titled "$id" "$english" ||
    fail "disconnected: the title is \"$(title_of "$id")\", not the caption"
check_names "$id" "ZVK Demo   $reading"
echo "connected: \"$czech_connected\", after the switch and the disconnect as expected"
stop_program

# The toolkit's own options are no options of this program.
printf '* { background: red; }\n' >"$work/evil.qss"
start_program -qwindowtitle HACKED -style fusion -stylesheet "$work/evil.qss" \
    -platformpluginpath "$work/none" -qwindowgeometry 120x90+3+4
wait_for 150 main_window >/dev/null || fail "with the toolkit's options: the title is not \"$main_title\""
id=$(main_window)
check_centred "with the toolkit's options" "$id"
[ "$placed" = "$first" ] || fail "the toolkit's options moved or resized the window: $placed"
stop_program

# A missing language file is reported before the main window appears: the message dialog.
printf '[LNG]=missing.lng.xml\r\n' >"$work/app/lng.ini"
start_program
dialog_up() { window_titled "ZVK Demo"; }
wait_for 150 dialog_up >/dev/null || fail "no message dialog for the missing language file"
dialog=$(dialog_up)
check_centred "message dialog" "$dialog"
timeout 10 xdotool windowactivate --sync "$dialog" key Return ||
    fail "cannot answer the message dialog"
wait_for 100 main_window >/dev/null || fail "no main window after the message was answered"
check_centred "main window after the message" "$(main_window)"
stop_program

echo "PASS: $starts starts centred and placed alike, also scaled by 2; a move after mapping kept; the title" \
    "carries the reading; toolkit options ignored; dialog centred"
