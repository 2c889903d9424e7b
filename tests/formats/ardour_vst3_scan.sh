#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Ardour's VST3 scanner loads the bundle headless, the way the DAW does before it offers the
# plug-in, and writes what it found to its cache. It exits 0 even when loading fails, so the
# verdict is the <VST3Info ...> line. Exit code 77 tells CTest the scanner is not installed.
set -euo pipefail

bundle=$1
scanner=/usr/lib/ardour7/ardour-vst3-scanner

if [ ! -x "$scanner" ]; then
    echo "ardour_vst3_scan: $scanner is not installed; skipping" >&2
    exit 77
fi

# The scanner keeps its cache beside the user's settings; give it a home of its own.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$bundle" "$work/Morvane.vst3"

output=$(env -u DISPLAY HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
    LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 "$scanner" -v -f "$work/Morvane.vst3" 2>&1 || true)
echo "$output"

info=$(grep -o '<VST3Info [^>]*>' <<< "$output" | head -n 1 || true)
if [ -z "$info" ]; then
    echo "ardour_vst3_scan: no <VST3Info> line" >&2
    exit 1
fi

status=0
expect() {
    if ! grep -q -- "$1" <<< "$info"; then
        echo "ardour_vst3_scan: expected $1" >&2
        status=1
    fi
}
expect 'name="Morvane Plugin"'
expect 'vendor="Quillon"'
expect 'version="1.0.0"'
expect 'category="Fx|Reverb"'
expect 'n_inputs="2"'
expect 'n_outputs="2"'
expect 'n_aux_inputs="0"'
expect 'n_midi_inputs="0"'
expect 'n_midi_outputs="0"'
exit $status
