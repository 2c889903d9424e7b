#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The README's factory presets, from the preset files and the analyser, so that the README
# cannot drift from them: the table of each preset's settings, broadband T30 and first arrival
# at 48 kHz, and the names and pictures of the row of editor snapshots.
#
#   scripts/presets-readme.sh BUILD_DIR           prints both parts
#   scripts/presets-readme.sh BUILD_DIR --write   puts them into README.md and draws the
#                                                 snapshots into docs/presets/
#   scripts/presets-readme.sh BUILD_DIR --check   fails when README.md says anything else
#
# Each preset is measured as stored but for the dry path, `morvane-render --ir --rate 48000
# --load-state FILE --set Dry=0`: the reverb alone, so that the first arrival is the reverb's
# and not the direct sound's. The impulse render rings until it is 90 dB below its own peak,
# so the preset's Wet changes none of the figures.
set -euo pipefail

build=$1
mode=${2:-print}
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
render=$build/tools/render/morvane-render
readme=$source_dir/README.md
case $mode in print | --write | --check) ;; *) echo "presets-readme: unknown mode $mode" >&2; exit 2 ;; esac
[ -x "$render" ] || { echo "presets-readme: no $render; build morvane-render first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t presets < <(find "$source_dir/presets" -name '*.morvane' | LC_ALL=C sort)

attribute() {
    grep -ao "$2=\"[^\"]*\"" "$1" | head -n 1 | sed 's/^[^"]*"//; s/"$//'
}

{
    echo "| preset | category | Delay | Size | Low Pass | High Pass | T30 (s) | first arrival (ms) |"
    echo "|---|---|---:|---:|---:|---:|---:|---:|"
    for file in "${presets[@]}"; do
        report=$("$render" --ir --rate 48000 --load-state "$file" --set Dry=0 \
            --csv "$work/ir.csv" --png "$work/ir.png")
        # The values as the editor and the hosts show them.
        settings=$(sed -n 's/^settings: .*Delay \([^,]*\), Size \([^,]*\), Low Pass \([^,]*\), High Pass \(.*\)$/\1 | \2 | \3 | \4/p' <<< "$report")
        # T30: the mean of the two channels; first arrival: the earlier channel's.
        figures=$(grep -v '^#' "$work/ir.csv" | awk -F, '
            NR == 1 { for (i = 1; i <= NF; i++) column[$i] = i; next }
            $1 == "broadband" {
                t30 = $column["t30_s"]; first = $column["first_arrival_s"]
                if (t30 == "") missing = 1; else sum += t30
                if (arrival == "" || first < arrival) arrival = first
            }
            END {
                printf "%s | %.1f", missing ? "-" : sprintf("%.2f", sum / 2), arrival * 1000
            }')
        echo "| $(attribute "$file" programname) | $(attribute "$file" category) | $settings | $figures |"
    done
} > "$work/table.md"

{
    names=() pictures=()
    for file in "${presets[@]}"; do
        names+=("$(attribute "$file" programname)")
        pictures+=("![$(attribute "$file" programname)](docs/presets/$(basename "$file" .morvane).png)")
    done
    # Three a row, each name above its picture; the first names are the table's header.
    for ((row = 0; row < ${#presets[@]}; row += 3)); do
        if [ $row -eq 0 ]; then
            printf '| %s ' "${names[@]:row:3}"
            printf '|\n|---|---|---|\n'
        else
            printf '| **%s** ' "${names[@]:row:3}"
            printf '|\n'
        fi
        printf '| %s ' "${pictures[@]:row:3}"
        printf '|\n'
    done
} > "$work/pictures.md"

if [ "$mode" = print ]; then
    cat "$work/table.md"
    echo
    cat "$work/pictures.md"
    exit 0
fi

# A part of the README lies between its two marker lines, "<!-- NAME: begin ... -->" and
# "<!-- NAME: end -->".
section() {
    awk -v name="$1" '
        index($0, "<!-- " name ": end") == 1 { inside = 0 }
        inside { print }
        index($0, "<!-- " name ": begin") == 1 { inside = 1 }' "$readme"
}

if [ "$mode" = --check ]; then
    status=0
    for part in table pictures; do
        if ! diff -u <(section "preset-$part") "$work/$part.md"; then
            echo "presets-readme: README.md's preset $part is not what the presets give;" \
                "run scripts/presets-readme.sh $build --write" >&2
            status=1
        fi
    done
    for file in "${presets[@]}"; do
        picture=$source_dir/docs/presets/$(basename "$file" .morvane).png
        [ -f "$picture" ] || { echo "presets-readme: no $picture" >&2; status=1; }
    done
    exit $status
fi

awk -v table="$work/table.md" -v pictures="$work/pictures.md" '
    function insert(file,   line) { while ((getline line < file) > 0) print line; close(file) }
    index($0, "<!-- preset-table: end") == 1 || index($0, "<!-- preset-pictures: end") == 1 { skipping = 0 }
    !skipping { print }
    index($0, "<!-- preset-table: begin") == 1 { insert(table); skipping = 1 }
    index($0, "<!-- preset-pictures: begin") == 1 { insert(pictures); skipping = 1 }' \
    "$readme" > "$work/README.md"
cp "$work/README.md" "$readme"

mkdir -p "$source_dir/docs/presets"
rm -f "$source_dir"/docs/presets/*.png
for file in "${presets[@]}"; do
    "$render" -q --snapshot "$source_dir/docs/presets/$(basename "$file" .morvane).png" \
        --scale 0.5 --load-state "$file"
done
echo "presets-readme: wrote README.md's preset table and pictures, and docs/presets/"
