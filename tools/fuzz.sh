#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz and runs each of them for the given
# number of seconds (default 60), starting from the committed seeds in fuzz/corpus. New
# inputs go to build-fuzz/corpus (the committed seeds stay as they are); a crash leaves its
# input in build-fuzz/crashes and makes the script fail. ZVK_FUZZ_BUILD names another build
# folder (tools/test.sh uses build-asan, whose preset builds the fuzz targets too).
#   tools/fuzz.sh [seconds] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift
build=${ZVK_FUZZ_BUILD:-$root/build-fuzz}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(reading_frame lng_ini xml properties apply)

launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DZVK_FUZZ=ON -DZVK_TEST_DIRS= "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target zvk_fuzz

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/crashes"
run() { # name binary [environment...]
    local name=$1 binary=$2
    shift 2
    mkdir -p "$build/corpus/$name"
    echo "== $name: ${seconds}s"
    local rc=0
    env "$@" "$build/fuzz/$binary" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=1024 -malloc_limit_mb=512 -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$name-" \
        "$build/corpus/$name" "$root/fuzz/corpus/${binary#fuzz_}" >"$build/$name.log" 2>&1 || rc=$?
    grep -E '^(#[0-9]+ *DONE|stat::number_of_executed_units|stat::peak_rss_mb|SUMMARY|property violated)|ERROR' \
        "$build/$name.log" || true
    [ $rc -eq 0 ] || echo "$name failed (exit $rc): see $build/$name.log"
    return $rc
}
# The runs go two at a time (one a core); each one's summary is printed when all have ended.
runs=()
for t in "${targets[@]}"; do
    case $t in
    properties) runs+=("properties-C fuzz_properties LC_ALL=C" "properties-cs fuzz_properties LC_ALL=cs_CZ.UTF-8") ;;
    apply) runs+=("apply fuzz_apply ASAN_OPTIONS=detect_leaks=0") ;;
    *) runs+=("$t fuzz_$t") ;;
    esac
done
parallel=$(nproc)
for job in "${runs[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
    read -r -a words <<<"$job"
    (rc=0; run "${words[@]}" >"$build/${words[0]}.summary" 2>&1 || rc=$?; echo $rc >"$build/${words[0]}.rc") &
done
wait
status=0
for job in "${runs[@]}"; do
    name=${job%% *}
    cat "$build/$name.summary"
    [ "$(cat "$build/$name.rc")" = 0 ] || status=1
done
exit $status
