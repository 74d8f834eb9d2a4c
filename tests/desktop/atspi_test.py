"""What a screen reader gets from the real program, through AT-SPI alone, with keys for what a
user types: the port field as one spin button, the events Orca 43 speaks for each action (focus
moves, state changes of the focused control, value changes of the focused spin button, a
notification as it appears), the reading, a language switch and a window closing while the bus
listens. Run by atspi_test.sh, which starts the desktop, the bus, the simulator and the program
inside a network namespace with only loopback (unshare -n).

    atspi_test.py SIMULATOR_PORT
"""
import re
import subprocess
import sys
import time

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
    return None


def listen(ms, done=lambda: False):
    """Takes events for ms milliseconds, or until done() holds."""
    loop = GLib.MainLoop()
    GLib.timeout_add(ms, loop.quit)
    GLib.timeout_add(50, lambda: loop.quit() if done() else True)
    loop.run()


def key(*names):
    subprocess.run(["xdotool", "key", "--delay", "50"] + list(names), check=True)


def focused(o):
    return o.getState().contains(pyatspi.STATE_FOCUSED)


app = find_app()
if app is None:
    fail("the program does not show on the accessibility bus")
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
# Orca 43 answers a change of the focused control's checked state only for these roles.
toggle = by(pyatspi.ROLE_CHECK_BOX, "Připojit")
czech = by(pyatspi.ROLE_RADIO_BUTTON, "Čeština")
english = by(pyatspi.ROLE_RADIO_BUTTON, "English")
labels = [r.getTarget(0).name for r in address.getRelationSet()
          if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
if labels != ["IP adresa zařízení"]:
    fail("the address field is labelled by %r" % labels)
value = spin.queryValue()
if (value.minimumValue, value.maximumValue) != (1, 65535):
    fail("the port's range is %r..%r" % (value.minimumValue, value.maximumValue))
# Orca reads a press action's key binding as a shortcut: the flags have none.
for flag in (czech, english):
    action = flag.queryAction()
    bindings = [action.getKeyBinding(i) for i in range(action.nActions)]
    if any(bindings):
        fail("%s's actions have key bindings %r" % (flag.name, bindings))

heard = []


def record(event):
    # A name as it was then: by the time it is checked, it may have changed again.
    name = event.source.name if event.type.endswith("accessible-name") else None
    heard.append((event.type, event.source, event.detail1, name))


for kind in ("focus:", "object:state-changed:focused", "object:state-changed:checked",
             "object:state-changed:showing", "object:property-change:accessible-value",
             "object:property-change:accessible-name"):
    pyatspi.Registry.registerEventListener(record, kind)


def events(kind, source=None):
    return [(s, d) for t, s, d, _ in heard
            if t.startswith(kind) and (source is None or s == source)]


def names(source=None):
    return [(s.getRole(), n or "") for t, s, _, n in heard
            if t.endswith("accessible-name") and (source is None or s == source)]


def describe(found):
    return ["%s %r %d" % (s.getRoleName(), s.name, d) for s, d in found]


# The listeners reach the program through the registry: wait until its events flow.
subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "ZVK",
                "windowactivate", "--sync"], check=True, stdout=subprocess.DEVNULL)
listen(3000, lambda: focused(address))
if not focused(address):
    fail("the address field does not have the focus at start")
address.queryEditableText().setTextContents("127.0.0.1")
listen(300)

# Tab to the port: one focus event, on the spin button, named, with its value.
del heard[:]
key("Tab")
listen(2000, lambda: events("focus:", spin))
listen(300)
moves = events("focus:") + [e for e in events("object:state-changed:focused") if e[1]]
if [s for s, _ in moves] != [spin, spin]:
    fail("Tab to the port: focus events %r" % describe(moves))
if spin.name != "Port" or value.currentValue != 10001 or not focused(spin):
    fail("the focused port reads %r %r" % (spin.name, value.currentValue))
print("Tab to the port: one focus event, on spin button %r, value %g" %
      (spin.name, value.currentValue))

# Up: a value change of the focused spin button.
del heard[:]
key("Up")
listen(2000, lambda: events("object:property-change:accessible-value", spin))
changes = events("object:property-change:accessible-value")
if [s for s, _ in changes] != [spin] or value.currentValue != 10002:
    fail("Up in the port: value events %r, value %r" % (describe(changes), value.currentValue))
print("Up: one value change, to %g" % value.currentValue)
value.currentValue = port

# Tab to the toggle, Space: it is checked, and the first reading is announced once.
key("Tab")
listen(2000, lambda: focused(toggle))
del heard[:]
key("space")
reading = re.compile(r"^[+-]\d{3}\.\d °C$")


def notices():
    return [s for s, d in events("object:state-changed:showing")
            if d and s.getRole() == pyatspi.ROLE_NOTIFICATION]


listen(5000, lambda: events("object:state-changed:checked", toggle) and notices())
checked = events("object:state-changed:checked")
if checked != [(toggle, 1)] or not focused(toggle):
    fail("Space on the toggle: checked events %r, the toggle focused: %s" %
         (describe(checked), focused(toggle)))
said = [s.name for s in notices()]
if len(said) != 1 or not reading.match(said[0]):
    fail("after the connect, notifications %r" % said)
print("Space on the toggle: checked, then one notification %r" % said[0])

# Changing readings: never announced again (the simulator changes it four times a second).
del heard[:]
panel = [o for o in objects if o.getRole() == pyatspi.ROLE_LABEL and not any(
    r.getRelationType() == pyatspi.RELATION_LABEL_FOR for r in o.getRelationSet())]
if len(panel) != 1:
    fail("%d labels label no field" % len(panel))
listen(10000)
readings = {n for _, n in names(panel[0])}
if len(readings) < 2 or not all(reading.match(r) for r in readings):
    fail("the reading did not change in 10 s: %r" % readings)
if notices():
    fail("changing readings were announced: %r" % [s.name for s in notices()])
print("connected: %d different readings in 10 s, no notification" % len(readings))

# Tab twice to the English flag, Space: it becomes checked, and every text switches.
key("Tab", "Tab")
listen(2000, lambda: focused(english))
if not czech.getState().contains(pyatspi.STATE_CHECKED) or \
        english.getState().contains(pyatspi.STATE_CHECKED):
    fail("Czech is the language, yet its flag is not the checked one")
del heard[:]
key("space")
window_title = re.compile(r"^[+-]\d{3}\.\d °C – Temperature measurement demo on ZVK$")
expected = {(pyatspi.ROLE_PANEL, " Connection settings "),
            (pyatspi.ROLE_LABEL, "Device IP address"),
            (pyatspi.ROLE_TEXT, "Device IP address"),
            (pyatspi.ROLE_CHECK_BOX, "Disconnect")}


def renamed():
    return set(names())


def renamed_window():
    return any(r == pyatspi.ROLE_FRAME and window_title.match(n) for r, n in renamed())


listen(5000, lambda: expected <= renamed() and renamed_window() and
       events("object:state-changed:checked", english))
checked = [e for e in events("object:state-changed:checked") if e[0] == english]
if checked != [(english, 1)] or not focused(english):
    fail("Space on the English flag: checked events %r" % describe(checked))
missing = expected - renamed()
if not renamed_window():
    missing.add((pyatspi.ROLE_FRAME, window_title.pattern))
if missing:
    fail("no name-change event after the switch to English for %r" % sorted(missing))
print("Space on the English flag: checked, and each relabelled control renamed")

# The window closes while the listeners are registered: the program ends (atspi_test.sh
# checks how).
def gone():
    desktop = pyatspi.Registry.getDesktop(0)
    return all(desktop.getChildAtIndex(i) is None or desktop.getChildAtIndex(i).name != "ZVKdemo"
               for i in range(desktop.childCount))


key("alt+F4")
listen(10000, gone)
if not gone():
    fail("the program is still on the bus 10 s after Alt+F4")
print("Alt+F4: the window closed with the listeners registered")
