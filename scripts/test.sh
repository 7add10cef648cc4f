#!/usr/bin/env bash
# Builds the native debug configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j2
