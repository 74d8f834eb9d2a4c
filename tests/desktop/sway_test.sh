#!/usr/bin/env bash
# Runs the real program under a real Wayland compositor (sway, headless), natively and
# through XWayland, connected to a simulated thermometer, all inside a network namespace that
# has only loopback. sway refuses to run as root, so sway and the program run as nobody.
# Checks what the compositor reports (swaymsg -t get_tree): the title carries the reading,
# the app id, the client area's size, that the compositor's placement rule stands, and that
# an empty caption gives an empty title.
#
#   sway_test.sh PROGRAM LANGUAGE_DIR SIMULATOR
#
# Exit code 77 means skipped: no sway, no namespace, or not root.
set -uo pipefail

# shellcheck source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"
if [ -z "${ZVK_DESKTOP_INSIDE:-}" ]; then
    for tool in sway swaymsg wtype Xwayland setpriv python3; do
        command -v "$tool" >/dev/null || skip "$tool is not installed (tools/setup.sh installs it)"
    done
fi
# Root: for the namespace and to run sway as nobody.
in_loopback_namespace root "$@"

program=$(readlink -f "$1")
languages=$(readlink -f "$2")
simulator=$(readlink -f "$3")
make_scratch
chmod 755 "$work"

as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }

mkdir -m 700 "$work/run" "$work/app"
cp "$program" "$work/app/ZVKdemo"
cp "$languages/cesky.lng.xml" "$languages/english.lng.xml" "$work/app/"
: >"$work/app/portable" # lng.ini is kept beside the program
chown -R 65534:65534 "$work/run" "$work/app"

"$simulator" --address 127.0.0.1 --port 0 --value +021.5 >"$work/sim.out" 2>&1 &
pids+=($!)
wait_for 50 test -s "$work/sim.out" || fail "the simulator did not start"
port=$(head -n 1 "$work/sim.out")

# The rules under test: the compositor places the window, natively and through XWayland.
cat >"$work/config" <<EOF
xwayland enable
output HEADLESS-1 resolution 1280x1024
for_window [app_id="zvkdemo"] move position 100 100
for_window [class="ZVKdemo"] move position 100 100
exec printenv WAYLAND_DISPLAY DISPLAY SWAYSOCK >$work/run/env
EOF
chmod 644 "$work/config"

env -i PATH=/usr/bin:/bin HOME="$work/run" XDG_RUNTIME_DIR="$work/run" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    setpriv --reuid=65534 --regid=65534 --clear-groups sway -c "$work/config" \
    >"$work/sway.log" 2>&1 &
pids+=($!)
sway_up() { [ -f "$work/run/env" ] && [ "$(wc -l <"$work/run/env")" -ge 3 ]; }
wait_for 100 sway_up ||
    fail "sway did not start: $(tail -n 5 "$work/sway.log")"
{ read -r wayland_display; read -r x_display; read -r swaysock; } <"$work/run/env"

# ASAN_OPTIONS goes through, so that a sanitizer build keeps the test's setting (leaks in Qt's
# Wayland plugin and the display libraries are not the program's).
session=(env -i PATH=/usr/bin:/bin HOME="$work/run" XDG_RUNTIME_DIR="$work/run"
    WAYLAND_DISPLAY="$wayland_display" DISPLAY="$x_display" SWAYSOCK="$swaysock"
    ASAN_OPTIONS="${ASAN_OPTIONS:-}")
tree() { as_nobody "${session[@]}" swaymsg -t get_tree; }
keys() { as_nobody "${session[@]}" wtype "$@"; }

# The program's toplevel as "title|app id|class|x|y|client width|client height", x and y
# being the outer frame's place.
window() {
    tree | python3 -c '
import json, sys
def walk(n):
    yield n
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        yield from walk(c)
for n in walk(json.load(sys.stdin)):
    props = n.get("window_properties") or {}
    if n.get("app_id") == "zvkdemo" or props.get("class") == "ZVKdemo":
        # The outer frame starts at the title bar, when there is one.
        r, d, w = n["rect"], n["deco_rect"], n["window_rect"]
        if d["height"] > 0:
            r = {"x": min(r["x"], d["x"]), "y": min(r["y"], d["y"])}
        print("|".join(str(v) for v in (n["name"], n.get("app_id"), props.get("class"),
                                        r["x"], r["y"], w["width"], w["height"])))
'
}

czech="Ukázka měření teploty na ZVK"
connected="+021.5 °C – $czech"

app=
start_app() { # platform: wayland or xcb
    (cd "$work/app" && exec setpriv --reuid=65534 --regid=65534 --clear-groups \
        "${session[@]}" QT_QPA_PLATFORM="$1" ./ZVKdemo >>"$work/program.log" 2>&1) &
    app=$!
}
stop_app() {
    kill -TERM "$app"
    wait "$app" || fail "the program ended with exit code $?: $(tail -n 5 "$work/program.log")"
}

run_on() { # platform
    local platform=$1
    start_app "$platform"
    shown() { [ "$(window | cut -d'|' -f1)" = "$czech" ]; }
    wait_for 100 shown || fail "$platform: no window titled \"$czech\": $(window)"
    # The focus starts in the address field; Tab leads to the port and the button.
    keys -M ctrl a -m ctrl 127.0.0.1 -k Tab -M ctrl a -m ctrl "$port" -k Tab -k space
    reading() { [ "$(window | cut -d'|' -f1)" = "$connected" ]; }
    wait_for 50 reading || fail "$platform: the title is not \"$connected\": $(window)"
    # Long enough for a program that kept placing itself to have done so.
    sleep 1
    IFS='|' read -r title app_id class x y w h <<<"$(window)"
    echo "$platform: \"$title\", app_id $app_id, class $class, at $x,$y, client ${w}x$h"
    [ "${w}x$h" = 298x258 ] || fail "$platform: the client area is ${w}x$h, not 298x258"
    [ "$x,$y" = 100,100 ] || fail "$platform: the placement rule was overridden: at $x,$y"
    [ "$platform" = xcb ] || [ "$app_id" = zvkdemo ] || fail "the app id is \"$app_id\", not zvkdemo"
    stop_app
}

# A language file that empties the caption: the title is empty, not the toolkit's stand-in.
empty_caption() { # platform
    local platform=$1 title
    start_app "$platform"
    shown() { [ -n "$(window)" ]; }
    wait_for 100 shown || fail "$platform: no window with an empty caption"
    sleep 0.5
    title=$(window | cut -d'|' -f1)
    echo "$platform, empty caption: title \"$title\""
    [ -z "$title" ] || [ "$title" = None ] || fail "$platform: the empty caption shows as \"$title\""
    stop_app
}

run_on wayland
run_on xcb
printf '<?xml version="1.0" encoding="UTF-8"?>\n<language name="Empty"><forms>%s</forms></language>\n' \
    '<fZVKTeplomer Caption=""/>' >"$work/app/empty.lng.xml"
printf '[LNG]=empty.lng.xml\r\n' >"$work/app/lng.ini"
chown 65534:65534 "$work/app/empty.lng.xml" "$work/app/lng.ini"
empty_caption wayland
empty_caption xcb
echo "PASS: under sway, natively and through XWayland: the reading in the title, app id" \
    "zvkdemo, client 298x258, the placement rule respected, an empty caption an empty title"
