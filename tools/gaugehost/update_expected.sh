#!/usr/bin/env bash
# Rewrites the expected output of every gaugehost script under tests/scripts/ from the native
# build's gaugehost. Read the diff before committing it.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --build --preset native --target gaugehost >/dev/null
for script in tests/scripts/*.gh; do
    cmake -DHOST=build/native/tools/gaugehost -DSCRIPT="$script" -DEXPECTED="${script%.gh}.expected" -DUPDATE=ON \
          -P cmake/run_and_compare.cmake
done
git --no-pager diff --stat -- tests/scripts
