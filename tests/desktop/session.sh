# shellcheck shell=bash
# Sourced by the scripts that run something on a real desktop. It defines skip, fail and
# wait_for, and:
#   in_loopback_namespace [root] "$@"  runs the calling script again inside a network
#       namespace that has only loopback (as root: unshare -n; otherwise unshare -rn, unless
#       "root" is asked for), then brings loopback up there;
#   make_scratch  a scratch folder $work, and the list $pids of processes to end on exit;
#       the user's settings ($XDG_CONFIG_HOME) are kept there too;
#   start_x_session  Xvfb (1280x1024) and openbox (no window manager with
#       ZVK_DESKTOP_WM=none), and exports DISPLAY;
#   start_accessibility_bus, start_fast_simulator THERMOSIM, start_accessible_program
#       PROGRAM LANGUAGE_DIR  what the screen-reader tests share.
# Exit code 77 means skipped: what the test needs cannot be had here.

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

in_loopback_namespace() {
    local need_root=
    [ "${1:-}" = root ] && { need_root=1; shift; }
    if [ -z "${ZVK_DESKTOP_INSIDE:-}" ]; then
        export ZVK_DESKTOP_INSIDE=1
        if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
            exec unshare -n "$0" "$@"
        elif [ -n "$need_root" ]; then
            skip "needs root and a network namespace (unshare -n)"
        elif unshare -rn true 2>/dev/null; then
            exec unshare -rn "$0" "$@"
        fi
        skip "no network namespace can be made here (unshare -n / unshare -rn), so the program is not run"
    fi
    command -v ip >/dev/null || fail "ip is missing (tools/setup.sh installs it)"
    ip link set dev lo up || fail "cannot bring up loopback in the namespace"
}

end_scratch() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
    rm -rf "$work"
}

make_scratch() {
    work=$(mktemp -d)
    pids=()
    trap end_scratch EXIT
    export XDG_CONFIG_HOME="$work/config"
}

start_x_session() {
    local tool
    command -v Xvfb >/dev/null || skip "Xvfb is not installed, so no X server can be started"
    for tool in openbox xprop xwininfo xdotool; do
        command -v "$tool" >/dev/null || fail "$tool is missing (tools/setup.sh installs it)"
    done
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for 100 test -s "$work/display" || skip "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
    [ "${ZVK_DESKTOP_WM:-openbox}" = none ] && return 0
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    wait_for 100 wm_running || fail "openbox did not start: $(tail -n 3 "$work/openbox.log")"
}

# A D-Bus session with the accessibility bus in it, as a desktop session starts them.
start_accessibility_bus() {
    local launcher=/usr/libexec/at-spi-bus-launcher
    [ -x "$launcher" ] || skip "at-spi2-core is not installed"
    command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
    dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >"$work/dbus.log" 2>&1 &
    pids+=($!)
    wait_for 50 test -s "$work/bus" || fail "no D-Bus session: $(tail -n 3 "$work/dbus.log")"
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
    export DBUS_SESSION_BUS_ADDRESS
    "$launcher" --launch-immediately >"$work/atspi.log" 2>&1 &
    pids+=($!)
}

# The simulator THERMOSIM on a free loopback port, a new reading every 250 ms; sets $port.
start_fast_simulator() {
    "$1" --address 127.0.0.1 --port 0 --interval 250 >"$work/sim.out" 2>"$work/sim.log" &
    pids+=($!)
    wait_for 50 test -s "$work/sim.out" || fail "the simulator did not start: $(cat "$work/sim.log")"
    port=$(head -n 1 "$work/sim.out")
}

# PROGRAM with the LANGUAGE_DIR's two languages in a folder of its own, Qt's accessibility on,
# lng.ini in the scratch folder's config: it starts in Czech. Sets $program_pid.
start_accessible_program() {
    mkdir "$work/app"
    cp "$1" "$work/app/ZVKdemo"
    cp "$2/cesky.lng.xml" "$2/english.lng.xml" "$work/app/"
    (cd "$work/app" && QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
        exec ./ZVKdemo >"$work/program.log" 2>&1) &
    program_pid=$!
    pids+=("$program_pid")
}
