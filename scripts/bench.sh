#!/usr/bin/env bash
# Builds the benchmarks and prints the figures the README quotes: time per update cycle,
# whole frame, connect and redraw (Google Benchmark), heap allocations in a cycle and a redraw,
# the instructions per update cycle under valgrind's callgrind, a figure that does not depend on
# the machine's load, the flight simulator's real-time factor with the module linked in and
# with the real module file in the emulated host, what loading and first running the module file
# in the emulated host costs, and a whole run of the gain tuner.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench

./build/bench/bench/module_bench --benchmark_min_time=0.5 "$@"

# Instructions per update cycle: callgrind's inclusive count of update_cycle over N cycles, and
# the part of it spent in the test host's lookup_var and trigger_key_event.
cycles=20000
profile=$(mktemp)
valgrind --tool=callgrind --callgrind-out-file="$profile" ./build/bench/bench/cycle_instructions $cycles >/dev/null 2>&1
inclusive() { callgrind_annotate --inclusive=yes "$profile" 2>/dev/null | grep -E "$1" | head -1 | awk '{gsub(",", "", $1); print $1}'; }
cycle=$(inclusive ':update_cycle\(autopilot_values')
lookups=$(inclusive 'lookup_var\(MODULE_VAR')
events=$(inclusive 'trigger_key_event\(unsigned')
rm -f "$profile"
host=$(( ${lookups:-0} + ${events:-0} ))
echo "instructions per update cycle (callgrind, $cycles cycles): $(( cycle / cycles )) in all," \
     "$(( (cycle - host) / cycles )) in the module, $(( host / cycles )) in the test host's lookup_var and trigger_key_event"

# The flight simulator: a simulated hour of cruise with every hold engaged, in moderate turbulence,
# through the linked module and through the real module file in the emulated host. The processor
# time of one run (user and system, one core), the fastest of five: the machine's other load
# lengthens a run, never shortens it.
tools/mingw/build_module_file >/dev/null
hour() {
    local best="" seconds times
    times=$(mktemp)
    for run in 1 2 3 4 5; do
        /usr/bin/time -o "$times" -f "%U %S" ./build/bench/tools/gaugehost "$@" \
            tools/flightsim/scenarios/benchmark_hour.gh >/dev/null 2>&1
        seconds=$(awk '{ print $1 + $2 }' "$times")
        best=$(awk -v a="$seconds" -v b="${best:-$seconds}" 'BEGIN { print (a < b ? a : b) }')
    done
    rm -f "$times"
    echo "$best"
}
# The update cycle through the module file in the emulated host: instructions and time per cycle,
# the host at 53-bit and at 24-bit x87 precision.
for precision in 53 24; do ./build/bench/bench/emulated_cycle build/windows/BRASK_TORVIK_V1_0.gau $precision; done
# The recorder: its instructions per frame over a whole card, through its real module file.
./build/bench/bench/recorder_frame build/windows/BRASK_TORVIK_REC.gau
# What one input of the emulated_run fuzz target costs, step by step.
./build/bench/bench/emulated_load build/windows/BRASK_TORVIK_V1_0.gau 100

linked=$(hour)
emulated=$(hour --module build/windows/BRASK_TORVIK_V1_0.gau)
awk -v s="$linked" 'BEGIN { printf "flight simulator: 3600 s of flight in %.3f s of processor time (fastest of 5), real-time factor %.0f\n", s, 3600 / s }'
awk -v l="$linked" -v e="$emulated" \
    'BEGIN { printf "the same hour through the module file in the emulated host: %.3f s, %.1f times the linked module\n", e, e / l }'

# The gain tuner: a whole tuning run for the default aircraft on two jobs (exit 3, a miss, still
# counts as a run).
tuned=$(mktemp)
start=$(date +%s.%N)
status=0
./build/bench/tools/flightsim/flightsim tune --out "$tuned" --jobs 2 >/dev/null 2>&1 || status=$?
end=$(date +%s.%N)
rm -f "$tuned"
[ $status -eq 0 ] || [ $status -eq 3 ] || { echo "flightsim tune failed with status $status" >&2; exit 1; }
awk -v s="$start" -v e="$end" 'BEGIN { printf "gain tuner: a whole run for bo105 on two jobs in %.1f s\n", e - s }'
