# shellcheck shell=bash
# Sourced by the scripts that run something on a real desktop. It defines skip, fail and
# wait_for, and:
#   in_loopback_namespace [root] "$@"  runs the calling script again inside a network
#       namespace that has only loopback (as root: unshare -n; otherwise unshare -rn, unless
#       "root" is asked for), then brings loopback up there;
#   make_scratch  a scratch folder $work, and the list $pids of processes to end on exit;
#       the user's settings ($XDG_CONFIG_HOME) are kept there too;
#   start_x_session  Xvfb (1280x1024) and openbox (no window manager with
#       ZVK_DESKTOP_WM=none), and exports DISPLAY.
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
