#!/usr/bin/env bash
# Sets up, builds, starts the thermometer simulator on 127.0.0.1:10001 and the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh" "$root/build"

"$root/build/tools/thermosim/thermosim" --address 127.0.0.1 --port 10001 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
echo "Simulator on 127.0.0.1:10001. Type 127.0.0.1 into the address field and press the connect button."
cd "$root/build"
./ZVKdemo
