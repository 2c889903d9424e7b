#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The same renders through the module built here, hosted by the renderer built here (both run
# under the emulator), and through the build machine's own module and renderer: every output
# file must be the same byte for byte. Both sides compute in IEEE single precision in the same
# order, and draw their modulation from the same C library generator, so any difference is a
# fault: a fused multiply-add, a different order of operations, or a different generator.
# Usage: render_matches_native.sh WORK NATIVE_RENDER NATIVE_MODULE MODULE EMULATOR... RENDER
set -u
work=$1
native_render=$2
native_module=$3
module=$4
shift 4
rm -rf "$work" && mkdir -p "$work/native" "$work/emulated" || exit 1

passes=0
failures=0
# Renders one case on both sides and compares the files each wrote.
compare() {
    local label=$1
    shift
    (cd "$work/native" && "$native_render" --plugin "$native_module" "$@" -q -o "$label.wav") ||
        { echo "FAIL $label: the native render failed"; failures=$((failures + 1)); return; }
    # The probe's own program cannot be started from inside the emulator; the renderer then
    # tries the module in a forked copy of itself, which is slower under emulation.
    (cd "$work/emulated" && "${emulated[@]}" --plugin "$module" --load-timeout 120 "$@" -q \
        -o "$label.wav") ||
        { echo "FAIL $label: the emulated render failed"; failures=$((failures + 1)); return; }
    local file
    for file in "$work/native/$label"*.wav; do
        local name
        name=$(basename "$file")
        if cmp -s "$file" "$work/emulated/$name"; then
            echo "ok   $label: $name is the same, $(stat -c %s "$file") bytes"
            passes=$((passes + 1))
        else
            echo "FAIL $label: $name differs in $(cmp -l "$file" "$work/emulated/$name" | wc -l)" \
                "bytes, first at $(cmp "$file" "$work/emulated/$name" | sed 's/.*: //')"
            failures=$((failures + 1))
        fi
    done
}
emulated=("$@")

# The demo phrase as `make demo` renders it, with its dry file; then other blocks and settings,
# and an impulse response at another rate.
compare demo --seed 1 --bits 32
compare settings --seed 7 --bits 32 --block 333 --set Size=1 --set Delay=0.3 --set "High Pass=0.2"
compare impulse --seed 3 --bits 32 --ir --rate 96000 --block 100 --set Size=1 --set Dry=0 \
    --set "Low Pass=0.4"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
