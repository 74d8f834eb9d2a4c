#!/usr/bin/env bash
# Runs every test program of a build many times while both cores are kept busy by other
# work, and prints the failures per test. A test that fails here waits for time to pass
# where it should wait for an event.
#   tools/stress.sh [runs] [build folder] [ctest -R pattern]
# Defaults: 20 runs of every test in build-asan. The output of each failed run is kept in
# BUILD/stress/NAME.N.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20}
build=${2:-$root/build-asan}
pattern=${3:-.}
[ -f "$build/CTestTestfile.cmake" ] || { echo "stress.sh: no tests in $build (build it first)"; exit 2; }
build=$(cd "$build" && pwd)
export QT_QPA_PLATFORM=offscreen
logs=$build/stress
rm -rf "$logs"
mkdir -p "$logs"

# The load: one busy loop per core, niced like nothing, so the tests get less than their share.
load=()
for _ in $(seq "$(nproc)"); do
    yes >/dev/null &
    load+=($!)
done
stop_load() { for pid in "${load[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap stop_load EXIT

mapfile -t tests < <(cd "$build" && ctest -N -R "$pattern" | sed -n 's/^ *Test *#[0-9]*: //p')
declare -A failed
for t in "${tests[@]}"; do failed[$t]=0; done
start=$SECONDS
for ((i = 1; i <= runs; ++i)); do
    for t in "${tests[@]}"; do
        if ! (cd "$build" && ctest -R "^$t\$" --output-on-failure >"$logs/$t.$i.log" 2>&1); then
            failed[$t]=$((failed[$t] + 1))
        else
            rm -f "$logs/$t.$i.log"
        fi
    done
    echo "run $i of $runs done ($((SECONDS - start)) s)" >&2
done
stop_load

printf '%-28s %s\n' test "failed of $runs"
total=0
for t in "${tests[@]}"; do
    printf '%-28s %d\n' "$t" "${failed[$t]}"
    total=$((total + failed[$t]))
done
[ "$total" -eq 0 ]
