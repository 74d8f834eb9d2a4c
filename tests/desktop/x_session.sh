# Sourced by the scripts that run something on a real desktop. It runs the calling script
# again inside a network namespace that has only loopback, then starts Xvfb and openbox there
# (no window manager with ZVK_DESKTOP_WM=none) and exports DISPLAY. It defines skip, fail and wait_for, a scratch folder $work, and the
# list $pids of processes to end on exit. Exit code 77 means skipped: no X server or no
# namespace can be had here.

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

if [ -z "${ZVK_DESKTOP_INSIDE:-}" ]; then
    command -v Xvfb >/dev/null || skip "Xvfb is not installed, so no X server can be started"
    export ZVK_DESKTOP_INSIDE=1
    # Only loopback inside: the program can reach no other address.
    if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
        exec unshare -n "$0" "$@"
    elif unshare -rn true 2>/dev/null; then
        exec unshare -rn "$0" "$@"
    fi
    skip "no network namespace can be made here (unshare -n / unshare -rn), so the program is not run"
fi

for tool in openbox xprop xwininfo xdotool ip; do
    command -v "$tool" >/dev/null || fail "$tool is missing (tools/setup.sh installs it)"
done
ip link set dev lo up || fail "cannot bring up loopback in the namespace"

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

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

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 100 test -s "$work/display" || skip "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"

if [ "${ZVK_DESKTOP_WM:-openbox}" = openbox ]; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    wait_for 100 wm_running || fail "openbox did not start: $(tail -n 3 "$work/openbox.log")"
fi

