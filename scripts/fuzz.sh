#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time (default 10 seconds; pass a
# longer time for a real search), starting from the seed corpora in fuzz/corpus/. New inputs
# the fuzzer finds stay in build/fuzz/corpus/; a crash stops the run with its reproducer.
#   scripts/fuzz.sh [SECONDS] [profile|script|module|aircraft|pe|loader|emulated_run|panel|recording ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(profile script module aircraft pe loader emulated_run panel recording)

# AddressSanitizer's quarantine keeps freed memory from use again so that a use after free shows;
# 16 MB holds what many inputs free (one input of any target frees well under 1 MB) without the
# default 256 MB's cost: every allocation on fresh pages, the loader target 40 % slower.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    mkdir -p "$corpus" build/fuzz/crashes
    seeds=$target
    [ "$target" = emulated_run ] && seeds=loader  # the same module files, run
    cp -n fuzz/corpus/"$seeds"/* "$corpus"/ 2>/dev/null || true
    log=build/fuzz/$target.log
    dictionary=()
    [ -f fuzz/"$target".dict ] && dictionary=(-dict=fuzz/"$target".dict)
    if ! ./build/fuzz/fuzz/"${target}"_fuzzer "$corpus" "${dictionary[@]}" -max_total_time="$seconds" -print_final_stats=1 \
           -artifact_prefix=build/fuzz/crashes/"$target"- >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzz: $target found a fault; reproducer in build/fuzz/crashes/" >&2
        exit 1
    fi
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$')
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')
    echo "fuzz: $target: $runs runs in ${seconds}s ($(( runs / seconds )) a second), coverage ${coverage:-?} edges, no fault"
done
