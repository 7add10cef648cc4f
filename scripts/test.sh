#!/usr/bin/env bash
# Builds and runs every test:
#   1. the native debug build and its tests;
#   2. the Windows module file with its test programs (i686 mingw-w64), run under Wine, including
#      the gaugehost scripts against the real module and the profile differential;
#   3. the native tests again with AddressSanitizer and UndefinedBehaviorSanitizer;
#   4. a short run of each fuzz target (scripts/fuzz.sh runs them longer).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j2

cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows

cmake --preset native-asan >/dev/null
cmake --build --preset native-asan
ctest --preset native-asan -j2

scripts/fuzz.sh "${BRASK_FUZZ_SECONDS:-10}"
