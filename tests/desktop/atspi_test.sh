#!/usr/bin/env bash
# What a screen reader gets from the real program: on a real X server with a window manager
# (session.sh: inside a network namespace with only loopback), a D-Bus session with the
# accessibility bus, and the program with Qt's accessibility on. atspi_test.py, through AT-SPI
# and keys (as a screen reader user would, no mouse), checks the events a screen reader speaks
# from: Tab to the port and Up, connect, the reading, the English flag, closing the window.
#
#   atspi_test.sh PROGRAM THERMOSIM LANGUAGE_DIR
#
# Exit code 77 means skipped: no X server, no namespace, or no AT-SPI here.
set -uo pipefail

program=$(readlink -f "$1")
thermosim=$(readlink -f "$2")
languages=$(readlink -f "$3")

# shellcheck source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"
in_loopback_namespace "$@"
make_scratch
start_x_session

launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || skip "at-spi2-core is not installed"
command -v dbus-daemon >/dev/null || skip "dbus-daemon is not installed"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"

dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >"$work/dbus.log" 2>&1 &
pids+=($!)
wait_for 50 test -s "$work/bus" || fail "no D-Bus session: $(tail -n 3 "$work/dbus.log")"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS
"$launcher" --launch-immediately >"$work/atspi.log" 2>&1 &
pids+=($!)

"$thermosim" --address 127.0.0.1 --port 0 --interval 250 >"$work/sim.out" 2>"$work/sim.log" &
pids+=($!)
wait_for 50 test -s "$work/sim.out" || fail "the simulator did not start: $(cat "$work/sim.log")"
port=$(head -n 1 "$work/sim.out")

# The program in a folder of its own, where it keeps lng.ini: it starts in Czech.
mkdir "$work/app"
cp "$program" "$work/app/ZVKdemo"
cp "$languages/cesky.lng.xml" "$languages/english.lng.xml" "$work/app/"
(cd "$work/app" && QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    exec ./ZVKdemo >"$work/program.log" 2>&1) &
program=$!
pids+=("$program")

timeout 40 /usr/bin/python3 "$(dirname "$(readlink -f "$0")")/atspi_test.py" "$port"
code=$?
[ "$code" -eq 124 ] && fail "the AT-SPI reader took more than 40 s"
[ "$code" -eq 0 ] || exit "$code"
# Its window closed while the bus listened: the program ends cleanly (under ASan, unharmed).
(sleep 10 && kill "$program") >/dev/null 2>&1 &
pids+=($!)
wait "$program"
code=$?
[ "$code" -eq 0 ] || fail "the program ended with $code: $(tail -n 20 "$work/program.log")"
echo "PASS: focus, value, state and notification events as a screen reader needs them"
