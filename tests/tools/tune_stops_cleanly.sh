#!/bin/sh
# The tuner stops cleanly: on an aircraft that cannot fly, on an --out it cannot write, and when
# interrupted in the middle of its search (Ctrl-C reaches the whole process group), leaving no
# temporary folder, no file half-written, and the pilot's file as it was.
#   tune_stops_cleanly.sh FLIGHTSIM BO105_AIRCRAFT SAMPLE_CFG
set -u
flightsim=$1 aircraft=$2 sample=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp"
mkdir "$TMPDIR"
fail() { echo "FAIL: $*"; exit 1; }

check_refused() {  # what, expected text, then the arguments
    what=$1 expected=$2
    shift 2
    start=$(date +%s)
    "$flightsim" tune "$@" > "$work/out" 2>&1
    status=$?
    took=$(( $(date +%s) - start ))
    [ "$status" = 2 ] || fail "$what: exit $status, not 2: $(cat "$work/out")"
    grep -q "$expected" "$work/out" || fail "$what: no '$expected' in: $(cat "$work/out")"
    [ "$took" -le 5 ] || fail "$what: took $took s"
    echo "ok: $what: $(cat "$work/out")"
}
sed 's/^shaft_tilt .*/shaft_tilt 3.0/' "$aircraft" > "$work/degrees.aircraft"
sed 's/^mass .*/mass 2096e9/' "$aircraft" > "$work/heavy.aircraft"
check_refused "a shaft tilt typed in degrees" "degrees typed" --aircraft "$work/degrees.aircraft" --out "$work/t.cfg"
check_refused "a mass of 2096e9 kg" "check mass (kg) and rotor_radius (m)" --aircraft "$work/heavy.aircraft" --out "$work/t.cfg"
check_refused "an --out in a missing folder" "does not exist" --out "$work/missing/t.cfg"

# Interrupted while its flights run, with --out the pilot's own file.
cp "$sample" "$work/mine.cfg"
setsid "$flightsim" tune --config "$work/mine.cfg" --out "$work/mine.cfg" > "$work/out" 2>&1 &
leader=$!
# Interrupted 2 s after its first flight has started (which takes longer under a sanitizer and
# beside other tests than alone).
waited=0
until ls "$TMPDIR" | grep -q flightsim-; do
    [ "$waited" -lt 600 ] || fail "no flight running after 60 s"
    sleep 0.1
    waited=$((waited + 1))
done
sleep 2
kill -INT "-$leader"
wait "$leader"
status=$?
[ "$status" = 130 ] || fail "interrupted: exit $status, not 130"
sleep 1
[ -z "$(ls -A "$TMPDIR")" ] || fail "left behind: $(ls "$TMPDIR")"
cmp -s "$sample" "$work/mine.cfg" || fail "the pilot's file changed"
[ "$(ls "$work" | grep -c mine)" = 1 ] || fail "beside the pilot's file: $(ls "$work")"
pgrep -g "$leader" > /dev/null && fail "flights still running"
echo "ok: interrupted in its search: exit 130, nothing left, the pilot's file as it was"
