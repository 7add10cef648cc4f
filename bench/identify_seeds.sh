#!/usr/bin/env bash
# The fit proved on synthetic recordings in the model class: for each of the three aircraft and
# each seed, its free parameters scaled by random factors from 0.6 to 1.6 (the truth), the
# flight-test card flown on that truth by the test pilot through the recorder (light turbulence or
# TURBULENCE's, noisy and quantised instruments), and identify fitting the aircraft's own unscaled file to the
# recording. Prints per aircraft and seed the mean and largest cost J, the largest error of the
# inertias, gearings and flap inertia against the truth, and in how many of the scaled free
# parameters fitted (of eleven; any the recording does not identify are held, without a bound, or
# drawn toward the start's value where they trade with another, with one) the
# truth lies within twice the reported one-sigma bound, and the largest differences
# of the fitted model's responses from the truth's, 0.5 to 10 rad/s, and the actuator lag fitted
# (the truth has none). Where identify asks for a step to be flown again, the card is flown again
# in calm air, as the guide tells a pilot, and that recording fitted; where a cruise step's control
# still stood at its stop, as identify then tells a pilot, its hover steps alone (--hover). A
# benchmark, never a test.
# Usage: [AIRCRAFT="bo105 ab206"] [TURBULENCE=moderate] [GUSTS=8] bench/identify_seeds.sh [SEEDS]
# (default all three, light turbulence, the card's own gusts (their seed), 10 seeds; needs the
# native-release build). Another GUSTS seed flies the same truths through other gusts: how far the
# proof's per-seed results move with the gusts alone, against which a change to the fit is weighed.
# GUSTS=each flies each truth through gusts and instrument noise of its own (seeds 100 + its seed),
# so that the seeds' counts are not all of one draw. KEEP=1 keeps the work folder, which
# bench/identify_spread.sh reads.
set -euo pipefail
cd "$(dirname "$0")/.."
seeds=${1:-10}
bin=build/native-release/tools
work=$(mktemp -d)
[ -n "${KEEP:-}" ] && echo "work: $work"
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
. bench/identify_parameters.sh

printf "%-8s %4s %8s %8s  %-30s %-16s  %-18s %6s %s\n" aircraft seed "mean J" "max J" "worst identifiable error" \
    "truth in 2 sigma" "against the truth" "lag s" "exit"
for aircraft in ${AIRCRAFT:-bo105 ab206 uh60a}; do
    for seed in $(seq 1 "$seeds"); do
        case="$work/${aircraft}_$seed"
        mkdir -p "$case/gauges"
        awk -v seed="$seed" -v which="$aircraft" -v free="$free" '
            BEGIN { srand(seed * 7919 + length(which)); n = split(free, names, " ")
                    for (i = 1; i <= n; ++i) factor[names[i]] = 0.6 + rand() }
            ($1 in factor) { $2 = $2 * factor[$1] }
            { print }' "tools/flightsim/$aircraft.aircraft" > "$case/truth.aircraft"
        # Flies the card on the truth in TURBULENCE into FOLDER/gauges and fits it (FOLDER/identify.out);
        # returns identify's exit, or 10 where the card could not be flown, 11 where the pilot lost it.
        fly_and_fit() {
            local turbulence=$1 folder=$2 status=0 gusts=${GUSTS:-} noise_seed=
            if [ "$gusts" = each ]; then gusts=$((100 + seed)) noise_seed="s/^\(sensors .* seed \)[0-9]*/\1$((100 + seed))/"; fi
            mkdir -p "$folder/gauges"
            { echo "exe $folder/fs9.exe"; echo "aircraft $case/truth.aircraft"
              sed -e "s/^turbulence light seed \([0-9]*\)/turbulence $turbulence seed ${gusts:-\1}/" -e "$noise_seed" \
                  tools/flightsim/scenarios/flight_test_card.gh; } > "$folder/card.gh"
            if ! GAUGEHOST_FLIGHT_DIR="$folder" "$bin/gaugehost" --recorder linked "$folder/card.gh" > "$folder/card.out" 2>&1 ||
                [ ! -f "$folder/gauges/BRASK_REC_001.csv" ]; then
                return 10
            fi
            # A truth the test pilot could not hold (rolled or pitched past 90 degrees) was not flown the card.
            lost=$(awk -F, '/^#/ { next } NR == 1 { for (i = 1; i <= NF; ++i) column[$i] = i; next }
                            $column["bank_deg"] > 90 || $column["bank_deg"] < -90 || $column["pitch_deg"] > 90 || $column["pitch_deg"] < -90 {
                                print $column["time_s"]; exit }' "$folder/gauges/BRASK_REC_001.csv")
            [ -z "$lost" ] || return 11
            "$bin/flightsim/flightsim" identify "$folder/gauges/BRASK_REC_001.csv" --aircraft "tools/flightsim/$aircraft.aircraft" \
                --truth "$case/truth.aircraft" > "$folder/identify.out" 2>&1 || status=$?
            return "$status"
        }
        status=0
        fitted="$case"
        fly_and_fit "${TURBULENCE:-light}" "$case" || status=$?
        if [ "$status" -eq 10 ]; then
            printf "%-8s %4d %s\n" "$aircraft" "$seed" "the card could not be flown on this truth"
            continue
        elif [ "$status" -eq 11 ]; then
            printf "%-8s %4d  the test pilot lost it at %.0f s: the card was not flown on this truth\n" "$aircraft" "$seed" "$lost"
            continue
        elif [ "$status" -eq 3 ] && grep -q "fly step" "$case/identify.out"; then
            # As the guide tells a pilot whose recording identify asks to fly again: the card again, in calm air.
            printf "%-8s %4d  exit 3: %s; flown again in calm air:\n" "$aircraft" "$seed" "$(grep "fly step" "$case/identify.out")"
            status=0
            fitted="$case/calm"
            fly_and_fit off "$fitted" || status=$?
            if [ "$status" -ge 10 ]; then
                printf "%-8s %4d  in calm air too the card was not flown through (%s)\n" "$aircraft" "$seed" "$status"
                continue
            fi
            if [ "$status" -eq 3 ] && grep -q -- "--hover" "$fitted/identify.out"; then
                # A cruise step whose control stood at its stop: as identify then tells a pilot, the hover alone.
                printf "%-8s %4d  in calm air too: %s; the hover alone fitted:\n" "$aircraft" "$seed" \
                    "$(grep "stood at its stop" "$fitted/identify.out" | tr '\n' ' ')"
                status=0
                "$bin/flightsim/flightsim" identify "$fitted/gauges/BRASK_REC_001.csv" --hover \
                    --aircraft "tools/flightsim/$aircraft.aircraft" --truth "$case/truth.aircraft" > "$fitted/identify.out" 2>&1 ||
                    status=$?
            fi
        fi
        awk -v identifiable="$identifiable" -v which="$aircraft" -v seed="$seed" -v status="$status" '
            BEGIN { split(identifiable, names, " "); for (i in names) counted[names[i]] = 1 }
            FNR == NR { truth[$1] = $2; next }
            /^parameter/ { table = 1; next }
            table && NF == 0 { table = 0 }
            table && ($1 in truth) {
                error = ($3 - truth[$1]) / truth[$1]; if (error < 0) error = -error
                if (($1 in counted) && error > worst) { worst = error; worst_name = $1 }
                if ($4 == "-") next  # held, not identified: no bound to hold the truth
                if (error * 100 <= 2 * $4) ++inside; ++parameters
            }
            /^[0-9]+ .*SWEEP +[0-9.]+$/ { cost = $NF; sum += cost; ++costs; if (cost > most) most = cost }
            /^against the truth:/ { against = sprintf("%.2f dB, %.1f deg", $6, $9) }
            /^actuator_lag / { lag = $3 }
            { last = $0 }
            END {
                if (costs == 0) { printf "%-8s %4d  no fit, exit %s: %s\n", which, seed, status, last; exit }
                printf "%-8s %4d %8.1f %8.1f  %4.0f %% %-23s %4d of %-8d  %-18s %6.3f %s\n", which, seed, sum / costs, most,
                       100 * worst, worst_name, inside, parameters, against, lag, status
            }' "$case/truth.aircraft" "$fitted/identify.out"
    done
done
