#!/usr/bin/env bash
# Runs every INI file of this folder through our own profile reader (native profile_probe) and
# through Windows' GetPrivateProfileStringA (the Windows profile_probe under Wine) and requires
# the same answers. Then saves a key into two copies of each file, one with our writer and one
# with WritePrivateProfileStringA, and requires that both readers read both results alike.
# (Windows rewrites the whole file in its own layout where ours keeps every other line byte for
# byte, so the files are compared by what they say, not byte by byte.)
#   differential.sh NATIVE_PROBE WINE_RUNNER WINDOWS_PROBE
set -euo pipefail
native=$1
wine_run=$2
windows=$3
if [ ! -x "$native" ]; then
    echo "differential: needs the native build: $native is missing (cmake --build --preset native)"
    exit 1
fi
corpus=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

queries=(a_pilot kurs_kp A_PILOT KURS_KP " a_pilot " " kurs_kp " a_pilot kren_kp a_pilot tang_kp a_pilot vys_kp
         a_pilot speed_kp a_pilot speed_kd joy_kanal ap_kren_kanal JOY_KANAL ap_tang_kanal a_pilot missing
         missing kurs_kp - kurs_kp - ap_kren_kanal)
writes=("joy_kanal ap_kren_kanal 5" "a_pilot kurs_kp 7" "a_pilot new_key 8" "new_section ap_kurs_kanal 1"
        "A_PILOT KREN_KP 2")

read_native() { "$native" read "$1" "$2" "${queries[@]}" "${@:3}"; }
read_windows() { "$wine_run" "$windows" read "Z:$1" "$2" "${queries[@]}" "${@:3}" | tr -d '\r'; }

failures=0
compare() {
    if ! diff -u "$2" "$3" >"$work/diff"; then
        echo "differential: $1 differs (ours, then Windows'):"
        cat "$work/diff"
        failures=$((failures + 1))
    fi
}

for file in "$corpus"/*.ini; do
    name=$(basename "$file")
    for size in 20 5; do
        read_native "$file" "$size" >"$work/ours"
        read_windows "$file" "$size" >"$work/theirs"
        compare "reading $name with a buffer of $size" "$work/ours" "$work/theirs"
    done
    for write in "${writes[@]}"; do
        read -r section key value <<<"$write"
        cp "$file" "$work/ours.ini"
        cp "$file" "$work/theirs.ini"
        "$native" write "$work/ours.ini" "$section" "$key" "$value" >/dev/null
        "$wine_run" "$windows" write "Z:$work/theirs.ini" "$section" "$key" "$value" >/dev/null
        for reader in native windows; do
            "read_$reader" "$work/ours.ini" 20 "$section" "$key" >"$work/after_ours"
            "read_$reader" "$work/theirs.ini" 20 "$section" "$key" >"$work/after_theirs"
            compare "$name after saving [$section] $key=$value, read by the $reader reader" \
                    "$work/after_ours" "$work/after_theirs"
        done
    done
done
echo "differential: $(ls "$corpus"/*.ini | wc -l) files, ${#writes[@]} saves each, $failures differences"
[ "$failures" -eq 0 ]
