#!/bin/sh
# The installer as the batch files run it, on a 2D panel with a virtual cockpit: a read-only file
# is refused untouched; the installed panel passes the checker and holds a gusty hover with every
# hold, the 2D panel closed half way (the virtual cockpit's A_Pilot flies on: without it the hover
# misses every bar); a second install changes
# nothing; uninstall gives the original back byte for byte; the first backup is never overwritten.
#   panel_install_flies.sh GAUGEHOST WORK_DIR
set -eu
gaugehost=$1
rm -rf "$2" && mkdir -p "$2" && cd "$2"
fail() { echo "FAIL: $*"; exit 1; }

printf '// Bell 206\r\n[Window Titles]\r\nWindow00=Main Panel\r\n\r\n[Window00]\r\nsize_mm=1024,768\r\ngauge00=Bell206!Airspeed, 10, 10\r\n\r\n[VCockpit01]\r\nsize_mm=512,512\r\npixel_size=512,512\r\ntexture=$vc1\r\ngauge00=Bell206!Clock, 0, 0\r\n' > panel.cfg
cp panel.cfg original.cfg

chmod 444 panel.cfg
status=0; "$gaugehost" panel-install panel.cfg > refused.txt || status=$?
[ "$status" -eq 1 ] || fail "read-only: exit $status"
grep -q "read-only: nothing changed" refused.txt || fail "read-only: $(cat refused.txt)"
cmp -s panel.cfg original.cfg && [ ! -e panel.cfg.before_brask_torvik ] || fail "read-only: something was written"
chmod 644 panel.cfg

"$gaugehost" panel-install panel.cfg || fail "install"
cmp -s panel.cfg.before_brask_torvik original.cfg || fail "the backup is not the original"
"$gaugehost" panel-check panel.cfg || fail "the checker finds the installed panel wrong"
cat > hover.gh <<'SCENARIO'
panel panel.cfg
joystick 0 present z r
wind 270 20
turbulence moderate seed 7
start hover 30 heading 270
expect bank 2 pitch 2 heading 3 height 2
open
fly 3
click AP_Panel_1 150 50
click AP_Panel_1 40 50
click AP_Panel_1 260 50
click AP_Panel_1 160 180 29
want bank 2.9 pitch captured heading captured height captured   # roll trim 29 x 0.1, the hover's own bank
fly 8
window Window00 close
fly 12
summary
SCENARIO
"$gaugehost" hover.gh > hover.jsonl || fail "the flight stopped"
grep -q '"meets":true' hover.jsonl && ! grep -q '"meets":false' hover.jsonl || fail "the hover misses its bar: $(tail -3 hover.jsonl)"

"$gaugehost" panel-install panel.cfg | grep -q "installed already" || fail "a second install"
"$gaugehost" panel-uninstall panel.cfg || fail "uninstall"
cmp -s panel.cfg original.cfg || fail "uninstall did not give the original back"
echo "; changed by the pilot" >> panel.cfg.before_brask_torvik
"$gaugehost" panel-install panel.cfg | grep -q "the original kept earlier stays in" || fail "install over a kept backup"
tail -1 panel.cfg.before_brask_torvik | grep -q "changed by the pilot" || fail "the backup was overwritten"
echo "panel-install: refused read-only, installed, flown, reinstalled, uninstalled byte for byte"
