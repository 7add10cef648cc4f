#!/usr/bin/env bash
# Builds and runs every test:
#   1. the native debug build and its tests, among them every script and flight through the real
#      module file in the emulated host (gaugehost --module), which runs on any machine;
#   2. the Windows module file with its test programs (i686 mingw-w64), run under Wine, including
#      the gaugehost scripts against the real module, the profile differential and a flight
#      compared frame by frame with the native build's. Wine's loader is a 32-bit program: on a
#      machine that runs 64-bit code only, the Windows build is still made but its Wine stage is
#      skipped, with the reason in one line (BRASK_NO_32BIT=1 takes that path anywhere); on every
#      machine the pilots' package is built, unpacked and checked (no Wine needed);
#   3. the pilot's Windows tools (flightsim.exe, x86_64 mingw-w64, NLopt built from Debian's
#      source), run under wine64 on every machine, against the native build: the same margins,
#      judgement and fit, line by line and file by file;
#   4. the native tests again with AddressSanitizer and UndefinedBehaviorSanitizer;
#   5. a short run of each fuzz target (scripts/fuzz.sh runs them longer).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

stage() { printf '\n== test: %s\n' "$*"; }

stage "native suite, with the real module file in the emulated host (emulated_script_*, emulated_flight_*, ModuleFile.*)"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j2

stage "the pilot's Windows tools (x86_64, under wine64): flightsim.exe against the native build"
cmake --preset windows-tools >/dev/null
cmake --build --preset windows-tools
ctest --preset windows-tools

stage "Windows build: the module file, its test programs and the pilots' package"
cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --build --preset windows --target brask_torvik_package_check
if reason=$(tools/wine/can_run_32bit); then
    stage "Wine: the Windows test programs, scripts and a flight through the module file under Wine"
    ctest --preset windows
else
    echo "test: Wine stage SKIPPED, $reason; not run: the Windows test programs, the gaugehost scripts and the flight under Wine, the profile differential"
fi

stage "native suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan
ctest --preset native-asan -j2

stage "fuzz targets, ${BRASK_FUZZ_SECONDS:-10} s each"
scripts/fuzz.sh "${BRASK_FUZZ_SECONDS:-10}"
