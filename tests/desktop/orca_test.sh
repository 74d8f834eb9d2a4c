#!/usr/bin/env bash
# What a blind user hears: Orca (Debian's, with speech-dispatcher's generic module writing each
# utterance to a file) reads the real program, driven by keys only, on the desktop of
# session.sh (a loopback-only namespace, unshare -n) with its own D-Bus session and
# accessibility bus.
# Each step waits for what Orca should say, never for a fixed time.
#
#   orca_test.sh PROGRAM THERMOSIM LANGUAGE_DIR
#
# Exit code 77 means skipped: no X server, no namespace, or no Orca here.
set -uo pipefail

program=$(readlink -f "$1")
thermosim=$(readlink -f "$2")
languages=$(readlink -f "$3")

# shellcheck source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"
in_loopback_namespace "$@"
make_scratch
start_x_session

command -v orca >/dev/null || skip "orca is not installed"
[ -x /usr/lib/speech-dispatcher-modules/sd_generic ] || skip "speech-dispatcher is not installed"

# Orca, speech-dispatcher and their settings live in the scratch folder.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher/modules" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
speech=$work/speech.txt
touch "$speech"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<CONF
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "file" "sd_generic" "file.conf"
DefaultModule "file"
DefaultLanguage "en"
CONF
cat >"$XDG_CONFIG_HOME/speech-dispatcher/modules/file.conf" <<CONF
GenericExecuteSynth "echo \\'\$DATA\\' >> $speech"
GenericLanguage "en" "en" "utf-8"
AddVoice "en" "MALE1" "en"
CONF

start_accessibility_bus
start_fast_simulator "$thermosim"
start_accessible_program "$program" "$languages"
wait_for 100 xdotool search --onlyvisible --name ZVK >/dev/null || fail "no window"

orca >"$work/orca.log" 2>&1 &
pids+=($!)

heard=0 # lines of the speech file already looked at
# Waits up to $1 tenths of a second for a line after the last match that matches the
# extended regular expression $2; the lines up to it are taken.
hear() {
    local tenths=$1 pattern=$2 line
    for ((i = 0; i < tenths; i++)); do
        line=$(tail -n +"$((heard + 1))" "$speech" | grep -n -m 1 -E -- "$pattern" | cut -d: -f1)
        if [ -n "$line" ]; then
            heard=$((heard + line))
            return 0
        fi
        sleep 0.1
    done
    fail "Orca did not say /$pattern/; it said: $(tail -n +"$((heard + 1))" "$speech" | tr '\n' '|')"
}
# Presses keys, then waits for what Orca should say.
press() {
    xdotool key --delay 100 "${@:2}"
    hear 100 "$1"
}

# Orca greets, then reads the window it finds active.
hear 300 "^Screen reader on"
xdotool search --onlyvisible --name ZVK windowactivate --sync 2>/dev/null
hear 100 "IP adresa zařízení text"
press "^Port 10001 spin button" Tab
press "^10002$" Up
# Typed digits and values are echoed as Orca keeps up; the field is read back on the next Tab.
xdotool key ctrl+a
xdotool type --delay 50 "$port"
press "IP adresa zařízení text" shift+Tab
xdotool key ctrl+a
xdotool type --delay 30 127.0.0.1
press "^Port $port spin button" Tab
press "^Připojit check box not checked" Tab
press "^checked$" space
hear 100 "^notification [+-][0-9]{3}\.[0-9] °C"
# Changing readings (four a second) are not announced: 3 s hold no other notification.
sleep 3
if tail -n +"$((heard + 1))" "$speech" | grep -q "notification"; then
    fail "a changing reading was announced again"
fi
# Orca's title command reads the reading, asked.
press "[+-][0-9]{3}\.[0-9] °C – Ukázka měření teploty na ZVK" KP_Insert+KP_Enter
press "^Čeština" Tab
hear 20 "^selected radio button"
press "^English" Tab
hear 20 "^not selected radio button"
if grep -q "return" "$speech"; then
    fail "a key binding is read as a shortcut: $(grep return "$speech")"
fi
press "^selected$" space
press "^Disconnect check box checked" shift+Tab shift+Tab
press "^not checked$" space
echo "PASS: Orca said each step; what it said:"
sed 's/^/  /' "$speech"
