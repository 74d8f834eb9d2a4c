#!/usr/bin/env bash
# Runs the real program on a real X server (Xvfb) under a window manager (openbox), both
# started here inside a network namespace that has only loopback (unshare -n, through
# x_session.sh), and checks what only a real desktop shows: the outer window (frame
# included) centred on the screen, the title and the taskbar text, the same place at a
# second start, the toolkit's own command-line options ignored, and a message dialog
# centred by its outer window.
#
#   desktop_test.sh PROGRAM LANGUAGE_DIR [STARTS]
#
# STARTS (default 2) plain starts are made and each one's placement is printed. Exit code 77
# means skipped: no X server can be started here.
set -uo pipefail

program=$(readlink -f "$1")
languages=$(readlink -f "$2")
starts=${3:-2}

# shellcheck source=x_session.sh
source "$(dirname "$(readlink -f "$0")")/x_session.sh"

read -r screen_w screen_h < <(xwininfo -root | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')

# The program in a folder of its own, where it keeps lng.ini.
mkdir "$work/app"
cp "$program" "$work/app/ZVKdemo"
cp "$languages/cesky.lng.xml" "$languages/english.lng.xml" "$work/app/"

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

# Checks that the window's outer frame is centred; prints its figures.
check_centred() {
    local what=$1 id=$2 geometry
    geometry=$(settled_geometry "$id") || fail "$what: no stable frame within 10 s"
    read -r x y w h cx cy l r t b <<<"$geometry"
    local ex=$(((screen_w - w) / 2)) ey=$(((screen_h - h) / 2))
    echo "$what: outer ${w}x${h} at $x,$y (client at $cx,$cy, frame $l/$r/$t/$b); centred is $ex,$ey"
    [ "$x" -eq "$ex" ] && [ "$y" -eq "$ey" ] || fail "$what is not centred"
    placed="$x $y $w $h"
}

main_title="Ukázka měření teploty na ZVK"
main_window() { window_titled "$main_title"; }

check_names() {
    local id=$1
    [ "$(xprop -id "$id" WM_ICON_NAME)" = 'WM_ICON_NAME(STRING) = "ZVK Demo"' ] ||
        fail "WM_ICON_NAME is not the application title: $(xprop -id "$id" WM_ICON_NAME)"
    [ "$(xprop -id "$id" _NET_WM_ICON_NAME)" = '_NET_WM_ICON_NAME(UTF8_STRING) = "ZVK Demo"' ] ||
        fail "_NET_WM_ICON_NAME is not the application title: $(xprop -id "$id" _NET_WM_ICON_NAME)"
}

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

echo "PASS: $starts starts centred and placed alike; toolkit options ignored; dialog centred"
