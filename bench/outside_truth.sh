#!/usr/bin/env bash
# The way from a recording proved on a helicopter outside the flight model: the Lynx flown from
# its published hover derivative table (tools/flightsim/derivative_tables/lynx_hover.aircraft),
# with couplings and an actuator lag of 0.08 s. For each seed (the card's turbulence and the
# instruments' noise), the test pilot flies the card on the Lynx through the recorder; identify
# --hover fits the Bo-105's file to the hover steps (the table holds in the hover only), a file
# that holds in the hover alone; the tuner runs on that file, in the hover; and those gains are
# judged on the Lynx itself beside the gains the tuner finds on the Lynx. Prints per seed the
# fit's mean and largest cost J, worst doublet and fitted actuator lag, the fit-tuned gains' held-out
# RMS on the Lynx as a share of the truth-tuned gains' (the bar: 1.10 at most), their smallest gain
# and phase margins on the Lynx, and what they miss there. A benchmark, never a test.
# Usage: bench/outside_truth.sh [SEEDS]   (default 3; needs the native-release build)
set -euo pipefail
cd "$(dirname "$0")/.."
seeds=${1:-3}
bin=build/native-release/tools
truth=tools/flightsim/derivative_tables/lynx_hover.aircraft
work=$(mktemp -d)
[ -n "${KEEP:-}" ] && echo "work: $work"
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

# The gains tuned on the Lynx itself, and their judgement: the measure of the fit-tuned ones.
status=0
"$bin/flightsim/flightsim" tune --aircraft "$truth" --config config/brask_torvik.cfg --out "$work/truth_tuned.cfg" \
    --jobs 2 > "$work/truth_tune.out" 2>&1 || status=$?
[ $status -eq 0 ] || [ $status -eq 3 ] || { cat "$work/truth_tune.out"; exit 1; }
echo "gains tuned on the Lynx itself: tune exit $status"
"$bin/flightsim/flightsim" tune --judge --aircraft "$truth" --config "$work/truth_tuned.cfg" --jobs 2 \
    > "$work/judged_truth.txt" 2>&1 || true

printf "\n%4s %8s %8s %12s %8s  %-32s %-18s %s\n" seed "mean J" "max J" "worst Theil" "lag s" "held-out RMS / truth-tuned" \
    "smallest margins" "fit-tuned gains on the Lynx"
for seed in $(seq 1 "$seeds"); do
    case="$work/$seed"
    mkdir -p "$case/gauges"
    { echo "exe $case/fs9.exe"; echo "aircraft $truth"
      sed -e "s/^turbulence light seed 7/turbulence light seed $seed/" -e "s/^sensors noise 1 seed 5/sensors noise 1 seed $((seed + 4))/" \
          tools/flightsim/scenarios/flight_test_card.gh; } > "$case/card.gh"
    GAUGEHOST_FLIGHT_DIR="$case" "$bin/gaugehost" --recorder linked "$case/card.gh" > "$case/card.out" 2>&1
    status=0
    "$bin/flightsim/flightsim" identify "$case/gauges/BRASK_REC_001.csv" --hover --aircraft tools/flightsim/bo105.aircraft \
        --out "$case/fitted.aircraft" > "$case/identify.out" 2>&1 || status=$?
    if [ ! -f "$case/fitted.aircraft" ]; then
        printf "%4d  no fit, identify exit %d: %s\n" "$seed" "$status" "$(tail -n 1 "$case/identify.out")"
        continue
    fi
    fit=$(awk '/^[0-9]+ .*SWEEP +[0-9.]+$/ { cost = $NF; sum += cost; ++n; if (cost > most) most = cost }
               / 3211 +[0-9.]+ / { if ($5 > theil) theil = $5 }
               /^actuator_lag / { lag = $3 }
               END { printf "%8.1f %8.1f %12.2f %8.3f", sum / n, most, theil, lag }' "$case/identify.out")
    tune_status=0
    "$bin/flightsim/flightsim" tune --aircraft "$case/fitted.aircraft" --config config/brask_torvik.cfg \
        --out "$case/fit_tuned.cfg" --jobs 2 > "$case/tune.out" 2>&1 || tune_status=$?
    [ $tune_status -eq 0 ] || [ $tune_status -eq 3 ] || { printf "%4d  tune exit %d\n" "$seed" "$tune_status"; continue; }
    judge_status=0
    "$bin/flightsim/flightsim" tune --judge --aircraft "$truth" --config "$case/fit_tuned.cfg" --jobs 2 \
        > "$case/judged_fit.txt" 2>&1 || judge_status=$?
    verdict=$(awk '/^They miss/ { n = $3 + 0 } /^  [0-9a-z]/ && n { if (list) list = list "; "; list = list substr($0, 3) }
                   END { if (!n) print "all met"; else printf "%d missed: %s", n, list }' "$case/judged_fit.txt")
    shares=$(awk -f tools/flightsim/fit_against_truth.awk "$work/judged_truth.txt" "$case/judged_fit.txt" |
             awk '$NF ~ /^[0-9.]+$/ && NF >= 5 { if ($NF > most) { most = $NF; what = $1 " " $2 } }
                  END { printf "%.2f (%s)", most, what }')
    margins=$(awk -f tools/flightsim/fit_against_truth.awk "$work/judged_truth.txt" "$case/judged_fit.txt" |
              awk '$4 == "dB," && $8 == "dB," { if (!n++ || $7 < gain) gain = $7; if (n == 1 || $9 < phase) phase = $9 }
                   END { printf "%.1f dB, %.1f deg", gain, phase }')
    printf "%4d %s  %-32s %-18s %s\n" "$seed" "$fit" "$shares" "$margins" "$verdict"
done
