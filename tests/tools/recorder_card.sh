#!/bin/sh
# The flight simulator's test pilot flies the first 150 s of the flight-test card with the
# recorder beside the autopilot: linked, and as both real module files in the emulated host. The
# two recordings must be the same bytes, with a row for every frame (150 s at 18 frames a second).
# usage: recorder_card.sh GAUGEHOST SCENARIO WORK AUTOPILOT.gau RECORDER.gau
set -eu
host=$1 scenario=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
for name in linked emulated; do
    mkdir -p "$work/$name/gauges"
    { echo "exe $work/$name/fs9.exe"; sed 's/^fly 1480$/fly 150/' "$scenario"; } > "$work/$name.gh"
done
GAUGEHOST_FLIGHT_DIR="$work/linked" "$host" --recorder linked "$work/linked.gh" > "$work/linked.out" 2>/dev/null
GAUGEHOST_FLIGHT_DIR="$work/emulated" "$host" --module "$4" --recorder "$5" "$work/emulated.gh" > "$work/emulated.out" 2>/dev/null
cmp "$work/linked.out" "$work/emulated.out"
cmp "$work/linked/gauges/BRASK_REC_001.csv" "$work/emulated/gauges/BRASK_REC_001.csv"
echo "rows: $(grep -c '^[0-9]' "$work/linked/gauges/BRASK_REC_001.csv"), the same bytes through the real files"
