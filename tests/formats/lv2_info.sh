#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# lilv's lv2info finds the bundle the way LV2 hosts do, through LV2_PATH, and reads its
# description: who the plug-in is, its ports, the seven parameters under their stable names, and
# the presets a host's menu offers: "default" and one per preset file.
# Exit code 77 tells CTest that lilv-utils is not installed.
#
#   lv2_info.sh BUNDLE_DIR URI PRESET_DIR
set -euo pipefail

bundle_dir=$1
uri=$2
preset_dir=$3

if ! command -v lv2info > /dev/null 2>&1; then
    echo "lv2_info: lv2info (lilv-utils) is not installed; skipping" >&2
    exit 77
fi

info=$(LV2_PATH="$bundle_dir" lv2info "$uri" 2>&1)
echo "$info"

status=0
expect() {
    if ! grep -qF -- "$2" <<< "$1"; then
        echo "lv2_info: expected $2" >&2
        status=1
    fi
}
count() {
    local found
    found=$(grep -cF -- "$2" <<< "$1" || true)
    if [ "$found" -ne "$3" ]; then
        echo "lv2_info: expected $3 x '$2', found $found" >&2
        status=1
    fi
}

expect "$info" "Name:              Morvane Plugin"
expect "$info" "Author:            Quillon"
count "$info" "lv2core#AudioPort" 4
for name in "Audio In 1" "Audio In 2" "Audio Out 1" "Audio Out 2"; do
    expect "$info" "Name:        $name"
done
count "$info" "lv2core#ControlPort" 3
# Bypass, latency and free-wheeling are the host's ports, not parameters of ours.
expect "$info" "Designation: http://lv2plug.in/ns/lv2core#enabled"
expect "$info" "Designation: http://lv2plug.in/ns/lv2core#latency"
expect "$info" "Has latency:       yes, reported by port"

# The presets, as lv2info lists them: one a line under "Presets:".
presets=$(sed -n '/^\tPresets:/,/^$/p' <<< "$info" | sed 's/^\tPresets: *//; s/^[[:space:]]*//' |
    grep -v '^$' | sort)
expected=$( (echo default
    for file in "$preset_dir"/*.morvane; do
        grep -ao 'programname="[^"]*"' "$file" | sed 's/^programname="//; s/"$//'
    done) | sort)
if [ "$presets" != "$expected" ]; then
    echo "lv2_info: expected the presets" >&2
    echo "$expected" >&2
    status=1
fi

# lv2info does not list message parameters; the description it read does.
description=$(cat "$bundle_dir"/Morvane.lv2/dsp.ttl)
count "$description" "a lv2:Parameter ;" 7
labels=("On / Off" Wet Dry Delay Size "Low Pass" "High Pass")
ids=(effectreverbon effectreverbamount effectreverbsignalamount effectreverbdelay effectreverbsize
    effectreverblow effectreverbhigh)
for i in "${!ids[@]}"; do
    block=$(grep -A2 "^plug:${ids[$i]}\$" <<< "$description" || true)
    expect "$block" "rdfs:label \"${labels[$i]}\""
done
exit $status
