#!/usr/bin/env bash
# Sets up, builds and runs every test: a plain build, then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the transport tests under
# ThreadSanitizer (CMakePresets.json names the three builds), then the fuzz targets, which
# the ASan build has built.
# Each stage prints its wall time when it ends, and a table of all of them closes the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

times=()
stage() { # name command...
    local name=$1 start=$SECONDS rc=0
    shift
    echo "== $name"
    "$@" || rc=$?
    local took=$((SECONDS - start))
    times+=("$(printf '%-22s %3d:%02d' "$name" $((took / 60)) $((took % 60)))")
    printf '== %s: %d:%02d%s\n' "$name" $((took / 60)) $((took % 60)) "$([ $rc -eq 0 ] || echo ", FAILED ($rc)")"
    if [ $rc -ne 0 ]; then
        summary
        exit $rc
    fi
}
summary() {
    local total=$((SECONDS - begin))
    echo "== stage times (wall)"
    printf '%s\n' "${times[@]}"
    printf '%-22s %3d:%02d\n' total $((total / 60)) $((total % 60))
}
begin=$SECONDS

# The tests that start their own X server and desktop run one at a time after the others;
# every other test keeps to its own folder and loopback ports picked by the system.
run_tests() { # build folder, ctest arguments...
    local dir=$1
    shift
    (cd "$dir" && ctest --output-on-failure -j"$jobs" -LE desktop "$@" &&
        ctest --output-on-failure -L desktop "$@")
}

# Gates: the tree is formatted by .clang-format, and clang-tidy (.clang-tidy) finds nothing in
# the program's own sources: the libraries, the programs, the simulator and the benchmarks, and
# the shared test support, each file once, with the project's headers through the header
# filter. The test programs' own files are left out: the sanitizer builds run them, and tidying
# them cost a third of the gate's time, which kept the test command over its 25 minutes.
format_gate() {
    (cd "$root" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror)
}
tidy_gate() {
    run-clang-tidy -p "$root/build" -j "$jobs" -quiet "^$root/(app|core|device|exporter|lang|net|tests/support|tools|ui|zvkread)/" \
        >"$root/build/clang-tidy.log" 2>&1 ||
        { grep -A3 -E "(warning|error):" "$root/build/clang-tidy.log"; echo "clang-tidy: see above"; return 1; }
}

stage setup "$root/tools/setup.sh"
stage "plain build" "$root/tools/build.sh" "$root/build" --preset plain
stage "plain tests" run_tests "$root/build"
stage format format_gate
stage clang-tidy tidy_gate
stage "asan build" "$root/tools/build.sh" "$root/build-asan" --preset asan
stage "asan tests" run_tests "$root/build-asan"
stage "tsan build" "$root/tools/build.sh" "$root/build-tsan" --preset tsan -- --target zvk_tests_net
stage "tsan tests" bash -c "cd '$root/build-tsan' && ctest --output-on-failure -j$jobs -L net"
# Fuzzing: each target briefly from the committed seeds (tools/fuzz.sh runs longer). The
# ASan build is a clang build that also has the fuzz targets, so they are not built again.
stage fuzz env ZVK_FUZZ_BUILD="$root/build-asan" "$root/tools/fuzz.sh" 15
summary
