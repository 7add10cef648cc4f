#!/bin/sh
# The recorder through gaugehost, linked and as the real module file in the emulated host: three
# recordings, stopped by a full disk, refused by a read-only folder, stopped by a vanished file,
# then one flown to the pilot's stop. A recording already in the folder is never overwritten. Both
# hosts must print the same lines and leave the same files, byte for byte.
# usage: recorder_records.sh GAUGEHOST WORK [AUTOPILOT.gau RECORDER.gau]
set -eu
host=$1 work=$2
rm -rf "$work" && mkdir -p "$work"
cat > "$work/faults.gh" <<SCRIPT
exe $work/SIM/sim/fs9.exe
joystick 0 present z r
joystick 0 x=30000 y=32768 z=32768 r=32768 buttons=1
var 61 60 79 2.0 77 1.5 81 90 313 100 551 3.5
open
frame 1
disk space 3000
click Recorder 20 100
frame 60
show Recorder
disk fine
disk read-only
click Recorder 20 100
show Recorder
disk fine
click Recorder 20 100
frame 20
disk vanish
frame 20
show Recorder
disk fine
click Recorder 20 100
frame 5
click Recorder 300 100
frame 5
click Recorder 150 100
frame 5
click Recorder 20 100
show Recorder
close
SCRIPT
run() {  # name, host options...
    name=$1; shift
    mkdir -p "$work/$name/sim/gauges"
    printf 'an earlier recording\n' > "$work/$name/sim/gauges/BRASK_REC_001.csv"
    sed "s|SIM|$name|" "$work/faults.gh" > "$work/$name.gh"
    "$host" "$@" "$work/$name.gh" > "$work/$name.out"
    (cd "$work/$name/sim/gauges" && ls && wc -c BRASK_REC_*.csv && tail -n 1 BRASK_REC_004.csv)
}
run linked --recorder linked
if [ $# -ge 4 ]; then
    run emulated --module "$3" --recorder "$4"
    cmp "$work/linked.out" "$work/emulated.out"
    for f in "$work"/linked/sim/gauges/*.csv; do cmp "$f" "$work/emulated/sim/gauges/$(basename "$f")"; done
    echo "the real recorder file wrote the same files"
fi
grep '"element":3' "$work/linked.out"
