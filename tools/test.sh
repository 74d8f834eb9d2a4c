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

"$root/tools/build.sh" "$root/build-asan" --preset asan
(cd "$root/build-asan" && ctest --output-on-failure)

"$root/tools/build.sh" "$root/build-tsan" --preset tsan -- --target zvk_tests_net
(cd "$root/build-tsan" && ctest --output-on-failure -L net)
