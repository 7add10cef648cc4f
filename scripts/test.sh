#!/usr/bin/env bash
# Builds the native debug configuration and runs every test; then builds the Windows module file
# with its test programs (i686 mingw-w64) and runs those under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j2

cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
