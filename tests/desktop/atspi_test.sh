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

/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"
start_accessibility_bus
start_fast_simulator "$thermosim"
start_accessible_program "$program" "$languages"

timeout 40 /usr/bin/python3 "$(dirname "$(readlink -f "$0")")/atspi_test.py" "$port"
code=$?
[ "$code" -eq 124 ] && fail "the AT-SPI reader took more than 40 s"
[ "$code" -eq 0 ] || exit "$code"
# Its window closed while the bus listened: the program ends cleanly (under ASan, unharmed).
(sleep 10 && kill "$program_pid") >/dev/null 2>&1 &
pids+=($!)
wait "$program_pid"
code=$?
[ "$code" -eq 0 ] || fail "the program ended with $code: $(tail -n 20 "$work/program.log")"
echo "PASS: focus, value, state and notification events as a screen reader needs them"
