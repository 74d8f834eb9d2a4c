#!/usr/bin/env bash
# Sets up, builds and runs every test: a plain build, then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the transport tests under
# ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
export QT_QPA_PLATFORM=offscreen

"$root/tools/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure)

"$root/tools/build.sh" "$root/build-asan" -DZVK_SANITIZE=ON
(cd "$root/build-asan" && ctest --output-on-failure)

"$root/tools/build.sh" "$root/build-tsan" -DZVK_TSAN=ON -DZVK_TEST_DIRS=net
(cd "$root/build-tsan" && ctest --output-on-failure -L net)

# Fuzzing: each target briefly from the committed seeds (tools/fuzz.sh runs longer).
"$root/tools/fuzz.sh" 15
