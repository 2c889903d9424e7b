#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Ardour's own plug-in scanner loads the module headless, the way the DAW does before it offers
# the plug-in. It exits 0 even when loading fails, so the verdict is its <VST2Info ...> line.
# Exit code 77 tells CTest the scanner is not installed.
set -euo pipefail

module=$1
scanner=/usr/lib/ardour7/ardour-vst-scanner

if [ ! -x "$scanner" ]; then
    echo "ardour_scan: $scanner is not installed; skipping" >&2
    exit 77
fi

# The scanner keeps a cache beside the user's settings; give it a home of its own.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$module" "$work/Morvane.so"

output=$(env -u DISPLAY HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
    LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -v -f "$work/Morvane.so" 2>&1 || true)
echo "$output"

info=$(grep -o '<VST2Info [^>]*>' <<< "$output" | head -n 1 || true)
if [ -z "$info" ]; then
    echo "ardour_scan: no <VST2Info> line" >&2
    exit 1
fi

status=0
expect() {
    if ! grep -q -- "$1" <<< "$info"; then
        echo "ardour_scan: expected $1" >&2
        status=1
    fi
}
expect 'name="Morvane Plugin"'
expect 'creator="Quillon"'
expect 'n_inputs="2"'
expect 'n_outputs="2"'
expect 'n_midi_inputs="0"'
expect 'n_midi_outputs="0"'
expect 'has_editor="1"'
exit $status
