#!/usr/bin/env bash
# What a screen reader gets from the real program: on a real X server with a window manager
# (session.sh: inside a network namespace with only loopback), a D-Bus session with the
# accessibility bus, and the program with Qt's accessibility on. Through AT-SPI alone (as a
# screen reader user would, no mouse) it types the simulator's address and port into the
# fields named by their labels, presses the toggle, reads the reading panel's name and counts
# its name-change events, then switches to English by the flag's press action.
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
pids+=($!)

timeout 15 /usr/bin/python3 - "$port" <<'EOF'
import re, sys, time
import pyatspi
from gi.repository import GLib

port = int(sys.argv[1])

def fail(text):
    print("FAIL: " + text)
    sys.exit(1)

def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)

def find_app():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "ZVKdemo" and app.childCount > 0:
                return app
        time.sleep(0.1)
    fail("the program does not show on the accessibility bus")

app = find_app()
objects = list(walk(app.getChildAtIndex(0)))
unnamed = [o.getRoleName() for o in objects if not o.name]
print("tree: %d objects, unnamed: %s" % (len(objects), unnamed or "none"))
for o in objects:
    print("  %s %r (in %s)" % (o.getRoleName(), o.name, o.parent.getRoleName()))

def by(role, name):
    for o in objects:
        if o.getRole() == role and o.name == name:
            return o
    fail("no object of role %s named %r" % (role, name))

address = by(pyatspi.ROLE_TEXT, "IP adresa zařízení")
spin = by(pyatspi.ROLE_SPIN_BUTTON, "Port")
toggle = by(pyatspi.ROLE_PUSH_BUTTON, "Připojit")
labels = [r.getTarget(0).name for r in address.getRelationSet()
          if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
if labels != ["IP adresa zařízení"]:
    fail("the address field is labelled by %r" % labels)
value = spin.queryValue()
if (value.minimumValue, value.maximumValue) != (1, 65535):
    fail("the port's range is %r..%r" % (value.minimumValue, value.maximumValue))

text = address.queryEditableText()
text.setTextContents("127.0.0.1")
value.currentValue = port
action = toggle.queryAction()
action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))

# The reading panel: the one label that labels no field.
panel = [o for o in objects if o.getRole() == pyatspi.ROLE_LABEL and not any(
    r.getRelationType() == pyatspi.RELATION_LABEL_FOR for r in o.getRelationSet())]
if len(panel) != 1:
    fail("%d labels label no field" % len(panel))
reading = re.compile(r"^[+-]\d{3}\.\d °C$")
renamed = []
def heard(event):
    renamed.append((event.source.getRole(), event.source.name or ""))
pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-name")
def listen(ms, done=lambda: False):
    """Takes events for ms milliseconds, or until done() holds."""
    loop = GLib.MainLoop()
    GLib.timeout_add(ms, loop.quit)
    GLib.timeout_add(50, lambda: loop.quit() if done() else True)
    loop.run()
listen(3000)
readings = [n for r, n in renamed if r == pyatspi.ROLE_LABEL and reading.match(n)]
if not reading.match(panel[0].name or ""):
    fail("no reading in the panel's name after 3 s: %r" % panel[0].name)
if not readings:
    fail("the panel showed %r but announced no name change" % panel[0].name)
unnamed = [o.getRoleName() for o in objects if not o.name]
print("connected: the panel reads %r; %d name-change events in 3 s at 4 readings a second;"
      " unnamed: %s" % (panel[0].name, len(readings), unnamed or "none"))

# The language by keyboard's equivalent, the flag's press action: every relabelled control
# and the window announce their new names.
del renamed[:]
english = by(pyatspi.ROLE_PUSH_BUTTON, "English").queryAction()
english.doAction(0)
# While connected the window's name, its title, is the reading, " – ", the caption.
window_title = re.compile(r"^[+-]\d{3}\.\d °C – Temperature measurement demo on ZVK$")
renamed_window = lambda: any(r == pyatspi.ROLE_FRAME and window_title.match(n) for r, n in renamed)
expected = {(pyatspi.ROLE_PANEL, " Connection settings "),
            (pyatspi.ROLE_LABEL, "Device IP address"),
            (pyatspi.ROLE_TEXT, "Device IP address"),
            (pyatspi.ROLE_PUSH_BUTTON, "Disconnect")}
listen(5000, lambda: expected <= set(renamed) and renamed_window())
missing = expected - set(renamed)
if not renamed_window():
    missing.add((pyatspi.ROLE_FRAME, window_title.pattern))
if missing:
    fail("no name-change event after the switch to English for %r" % sorted(missing))
print("switched to English: %d name-change events, each relabelled control among them"
      % len(renamed))
EOF
code=$?
[ "$code" -eq 124 ] && fail "the AT-SPI reader took more than 15 s"
[ "$code" -eq 0 ] || exit "$code"
echo "PASS: the reading and a language switch reach AT-SPI, with their name-change events"
