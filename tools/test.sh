#!/usr/bin/env bash
# Sets up, builds and runs every test: a plain build, then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the transport tests under
# ThreadSanitizer (CMakePresets.json names the three builds).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
export QT_QPA_PLATFORM=offscreen

"$root/tools/build.sh" "$root/build" --preset plain
(cd "$root/build" && ctest --output-on-failure)

# Gates: the tree is formatted by .clang-format, and clang-tidy (.clang-tidy) finds nothing in
# the project's own sources (one pass over compile_commands.json, two jobs).
(cd "$root" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror)
run-clang-tidy -p "$root/build" -j 2 -quiet "^$root/(app|core|lang|net|tests|tools|ui|zvkread)/" \
    >"$root/build/clang-tidy.log" 2>&1 ||
    { grep -A3 -E "(warning|error):" "$root/build/clang-tidy.log"; echo "clang-tidy: see above"; exit 1; }

"$root/tools/build.sh" "$root/build-asan" --preset asan
(cd "$root/build-asan" && ctest --output-on-failure)

"$root/tools/build.sh" "$root/build-tsan" --preset tsan -- --target zvk_tests_net
(cd "$root/build-tsan" && ctest --output-on-failure -L net)

# Fuzzing: each target briefly from the committed seeds (tools/fuzz.sh runs longer).
"$root/tools/fuzz.sh" 15
