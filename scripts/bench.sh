#!/usr/bin/env bash
# Builds the benchmarks and prints the figures the README quotes: time per update cycle,
# whole frame, connect and redraw (Google Benchmark), heap allocations in a cycle and a redraw,
# and the instructions per update cycle under valgrind's callgrind, a figure that does not
# depend on the machine's load.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench

./build/bench/bench/module_bench --benchmark_min_time=0.5 "$@"

instructions() {
    local out
    out=$(mktemp)
    valgrind --tool=callgrind --callgrind-out-file="$out" ./build/bench/bench/cycle_instructions "$1" >/dev/null 2>&1
    grep -E '^(summary|totals):' "$out" | head -1 | awk '{print $2}'
    rm -f "$out"
}
cycles=20000
base=$(instructions 0)
loaded=$(instructions $cycles)
echo "instructions per update cycle (callgrind, ${cycles} cycles): $(( (loaded - base) / cycles ))"
if [ -x build/bench/tools/flightsim_bench ]; then ./build/bench/tools/flightsim_bench; fi
