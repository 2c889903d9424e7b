#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the renderer with bad input and checks each answer: a non-zero exit,
# exactly one line on stderr, no crash, no output file.
set -u
render=$1
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

printf 'this is not audio' > notaudio.wav
failures=0

expect_error() {
    local label=$1
    shift
    "$render" "$@" > out.txt 2> err.txt
    local status=$?
    if [ $status -eq 0 ] || [ $status -ge 128 ]; then
        echo "FAIL $label: exit status $status"; failures=$((failures + 1)); return
    fi
    if [ "$(wc -l < err.txt)" -ne 1 ]; then
        echo "FAIL $label: expected one error line, got:"; cat err.txt; failures=$((failures + 1)); return
    fi
    if ls ./*-morvane.wav result.wav 2>/dev/null | grep -q .; then
        echo "FAIL $label: an output file was left behind"; failures=$((failures + 1)); return
    fi
    echo "ok   $label: $(cat err.txt)"
}

expect_error "missing file" missing.wav
expect_error "not audio" notaudio.wav
expect_error "unknown parameter" --set "Loudness=0.5" -o result.wav
expect_error "value not a number" --set "Size=big" -o result.wav
expect_error "value out of range" --set "Size=1.5" -o result.wav
expect_error "set without value" --set
expect_error "unknown option" --frobnicate
expect_error "bad block size" --block 0 -o result.wav
expect_error "two inputs" a.wav b.wav
expect_error "missing state file" --load-state missing.state -o result.wav
expect_error "not a state file" --load-state notaudio.wav -o result.wav
printf 'VC2!\020\000\000\000<orn><programs>\000' > broken.state
expect_error "broken state file" --load-state broken.state -o result.wav
expect_error "broken state with snapshot" --snapshot result.png --load-state broken.state
expect_error "unknown preset" --preset "Broom Closet" -o result.wav
expect_error "preset without name" --preset
expect_error "preset and state" --preset cathedral --load-state broken.state -o result.wav

[ $failures -eq 0 ] && echo "all renderer error cases passed"
exit $failures
