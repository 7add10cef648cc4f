#!/usr/bin/env bash
# Draws every picture of the pilot's guide (docs/pilot-guide.md):
#   - the gauges, by the gallery (tools/gallery/make_gallery.sh: gaugehost's render command, from
#     the module's own records and bitmaps) into docs/gauges/;
#   - the worked example's windows (docs/panel_example.cfg) as gaugehost panel-render draws them,
#     into docs/panel/;
#   - the Recorder gauge at each kind of step of the flight-test card, flown by the flight
#     simulator's test pilot with the recorder linked in, into docs/gauges/recorder_*.png;
#   - two flight plots from the scenario tour, an engage and hold in a gusty hover
#     (01_hover_gusts) and a hand-back in cruise (06_handback), flown through gaugehost and drawn
#     by tools/guide/flight_plots.gp (gnuplot) into docs/flights/;
#   - a sweep of the flight-test card, measured and fitted by flightsim identify, into docs/identify/.
#
#     tools/guide/make_guide_pictures.sh
#
# Uses the native gaugehost (built with the native preset as needed). GAUGEHOST names another
# host command, with absolute paths, as for the gallery (the Windows build under Wine, say).
set -euo pipefail

repository="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$repository"

tools/gallery/make_gallery.sh

if [ -n "${GAUGEHOST:-}" ]; then
    read -r -a host <<<"$GAUGEHOST"
else
    host=("$repository/build/native/tools/gaugehost")   # built by the gallery above
fi

rendered="$(mktemp -d)"
"${host[@]}" panel-render "$repository/docs/panel_example.cfg" "$rendered" >/dev/null
mkdir -p docs/panel
for window in Window01 Window02; do   # the autopilot and the channel panel (Window00 holds only A_Pilot)
    lower="$(echo "$window" | tr 'A-Z' 'a-z')"
    cp "$rendered/$window.png" "docs/panel/$lower.png"
    echo "docs/panel/$lower.png"
done
rm -rf "$rendered"

flights="$(mktemp -d)"
trap 'rm -rf "$flights"' EXIT

# The Recorder: ready, a trim held, a sweep, a doublet, then the disk full.
mkdir -p "$flights/sim/gauges"
cat > "$flights/recorder.gh" <<SCRIPT
exe $flights/sim/fs9.exe
joystick 0 present z r
start hover 30
open
frame 2
render Recorder $repository/docs/gauges/recorder_ready.png 1
pilot card
fly 5
render Recorder $repository/docs/gauges/recorder_trim.png 1
fly 75
render Recorder $repository/docs/gauges/recorder_sweep.png 1
fly 101.5
render Recorder $repository/docs/gauges/recorder_doublet.png 1
disk space 0
fly 2
render Recorder $repository/docs/gauges/recorder_disk_full.png 1
SCRIPT
(cd "$flights" && "$repository/build/native/tools/gaugehost" --recorder linked "$flights/recorder.gh" >/dev/null 2>&1) ||
    { echo "make_guide_pictures: the recorder's flight failed" >&2; exit 1; }
for kind in ready trim sweep doublet disk_full; do echo "docs/gauges/recorder_$kind.png"; done
for scenario in 01_hover_gusts 06_handback; do
    # The flights write their CSV logs into the current folder.
    (cd "$flights" && "${host[@]}" "$repository/tools/flightsim/scenarios/$scenario.gh" >/dev/null 2>&1) ||
        { echo "make_guide_pictures: the flight $scenario failed" >&2; exit 1; }
done

# The engage and the disengage, from the logs' engaged column (the fifth).
hover_on=$(awk -F, 'NR > 1 && $5 == 1 { print $1; exit }' "$flights/hover_gusts.csv")
handback_at=$(awk -F, 'NR > 1 { if ($5 == 1) engaged = 1; else if (engaged) { print $1; exit } }' "$flights/handback.csv")
mkdir -p docs/flights
(cd "$flights" && gnuplot -e "out='$repository/docs/flights'; hover_on=$hover_on; handback_at=$handback_at" \
    "$repository/tools/guide/flight_plots.gp")
echo "docs/flights/hover_gusts_engage.png (engaged at $hover_on s)"
echo "docs/flights/handback.png (disengaged at $handback_at s)"

# A sweep measured and fitted: the flight-test card flown by the test pilot with the recorder, the
# Bo-105's file fitted to the recording by flightsim identify, the hover roll sweep drawn.
mkdir -p "$flights/card/gauges" docs/identify
{ echo "exe $flights/card/fs9.exe"; cat tools/flightsim/scenarios/flight_test_card.gh; } > "$flights/card.gh"
(cd "$flights" && GAUGEHOST_FLIGHT_DIR="$flights/card" "$repository/build/native/tools/gaugehost" --recorder linked \
    "$flights/card.gh" >/dev/null 2>&1) || { echo "make_guide_pictures: the flight-test card failed" >&2; exit 1; }
"$repository/build/native/tools/flightsim/flightsim" identify "$flights/card/gauges/BRASK_REC_001.csv" \
    --plots "$flights/identify" >/dev/null || true   # exit 3, a response above its bar, still draws
(cd "$flights/identify" && gnuplot step_2.gp) && cp "$flights/identify/step_2.png" docs/identify/step_2.png
echo "docs/identify/step_2.png"
