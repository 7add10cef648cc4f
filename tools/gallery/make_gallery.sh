#!/usr/bin/env bash
# Draws the gallery of gauge pictures: runs every tools/gallery/*.gh script with gaugehost inside
# docs/gauges/, where the PNG files that the scripts' render commands name are written, and
# prints each render line. Fails if a render reports an error.
#
#     tools/gallery/make_gallery.sh
#
# Uses the native gaugehost (configured and built with the native preset as needed). GAUGEHOST
# names another host command instead, with absolute paths, e.g. the Windows build under Wine:
#
#     GAUGEHOST="$PWD/tools/wine/run $PWD/build/windows/tools/gaugehost.exe
#                --module $PWD/build/windows/BRASK_TORVIK_V1_0.gau" tools/gallery/make_gallery.sh
set -euo pipefail

repository="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
gallery="$repository/tools/gallery"
pictures="$repository/docs/gauges"

if [ -n "${GAUGEHOST:-}" ]; then
    read -r -a host <<<"$GAUGEHOST"
else
    cd "$repository"
    [ -f build/native/build.ninja ] || cmake --preset native >/dev/null
    cmake --build --preset native --target gaugehost >/dev/null
    host=("$repository/build/native/tools/gaugehost")
fi

mkdir -p "$pictures"
cd "$pictures"
failed=0
for script in "$gallery"/*.gh; do
    output="$("${host[@]}" "$script")"
    renders="$(grep '"render"' <<<"$output" || true)"
    if [ -z "$renders" ]; then
        echo "make_gallery: $(basename "$script") rendered nothing" >&2
        failed=1
        continue
    fi
    echo "$renders"
    if grep -q '"error"' <<<"$renders"; then failed=1; fi
done
exit "$failed"
