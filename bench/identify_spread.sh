#!/usr/bin/env bash
# How much of the proof's parameter errors is the gusts': reads the work folders of two or more
# runs of bench/identify_seeds.sh (KEEP=1) that flew the same truths through different gusts
# (GUSTS=8, GUSTS=9, ...), and prints per aircraft and identifiable parameter, over the truths
# fitted from their whole card in every run, the RMS over the truths of each truth's mean error
# (what the draws share: the fit's own error) and of its standard deviation over the draws (the
# gusts'), beside the mean of the bound identify reported (one sigma). A benchmark, never a test.
# Usage: bench/identify_spread.sh WORK WORK [WORK...]
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: bench/identify_spread.sh WORK WORK [WORK...]  (identify_seeds.sh work folders, KEEP=1)" >&2
    exit 2
fi
. "$(dirname "$0")/identify_parameters.sh"
draws=$#
for work in "$@"; do
    for case in "$work"/*_*; do
        # A truth flown again in calm air is not of this run's gusts.
        [ -f "$case/identify.out" ] && [ ! -d "$case/calm" ] || continue
        name=$(basename "$case")
        awk -v identifiable="$identifiable" -v case="${name%_*} ${name##*_}" '
            BEGIN { split(identifiable, names, " "); for (i in names) counted[names[i]] = 1 }
            FNR == NR { truth[$1] = $2; next }
            /^parameter/ { table = 1; next }
            table && NF == 0 { table = 0 }
            table && ($1 in counted) && ($1 in truth) && $4 != "-" {
                print case, $1, 100 * ($3 - truth[$1]) / truth[$1], $4 }' "$case/truth.aircraft" "$case/identify.out"
    done
done | awk -v draws="$draws" -v identifiable="$identifiable" '
    { key = $1 " " $2 " " $3; if (!(key in n)) keys[++key_count] = key; ++n[key]; sum[key] += $4; squares[key] += $4 * $4; bound[key] += $5 }
    END {
        split(identifiable, names, " ")
        printf "%-8s %-20s %6s  %-22s %-22s %s\n", "aircraft", "parameter", "truths", "RMS of the mean error", "RMS of the gusts sd", "mean bound"
        for (j = 1; j <= key_count; ++j) {
            key = keys[j]
            if (n[key] < draws) continue
            split(key, k, " "); which = k[1] " " k[3]
            mean = sum[key] / draws
            truths[which]++; shared[which] += mean * mean
            spread[which] += (squares[key] - draws * mean * mean) / (draws - 1); bounds[which] += bound[key] / draws
            if (!(k[1] in seen)) { seen[k[1]] = 1; order[++aircraft_count] = k[1] }
        }
        for (a = 1; a <= aircraft_count; ++a)
            for (i = 1; i in names; ++i) {
                aircraft = order[a]
                which = aircraft " " names[i]
                if (!(which in truths)) continue
                printf "%-8s %-20s %6d  %19.1f %% %19.1f %% %9.1f %%\n", aircraft, names[i], truths[which],
                       sqrt(shared[which] / truths[which]), sqrt(spread[which] / truths[which]), bounds[which] / truths[which]
            }
    }'
