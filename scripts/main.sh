#!/usr/bin/env bash
# Builds the release configuration and runs the main job: a short scripted flight through the
# test host that prints the four axis commands before and after engaging.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset native-release >/dev/null
cmake --build --preset native-release
./build/native-release/tools/demo_flight
