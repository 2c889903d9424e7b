#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The impulse-response report from the command line: the files it writes, the same figures
# through the built module as in-process, and one error line for each misuse.
set -u
render=$1
work=$2
module=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0

fail() {
    echo "FAIL $1"
    failures=$((failures + 1))
}

settings=(--rate 44100 --set Size=0.5 --set Dry=0 --seed 3)

if "$render" --ir "${settings[@]}" -o ir.wav > out.txt 2> err.txt; then
    [ -s err.txt ] && fail "a quiet terminal-less run printed on stderr: $(cat err.txt)"
    header=$(grep -v '^#' impulse-response.csv | head -1)
    [ "$header" = 'band,channel,edt_s,t20_s,t30_s,first_arrival_samples,first_arrival_s,iacc,iacc_early,direct_to_reverberant_db,gap_s' ] ||
        fail "CSV header: $header"
    [ "$(grep -vc '^#' impulse-response.csv)" -eq 17 ] || fail "CSV rows: $(grep -vc '^#' impulse-response.csv)"
    head -1 impulse-response.csv | grep -q '^# ' || fail "no comment on top of the CSV"
    grep -q '^note:' out.txt && fail "a note about the dry path with Dry at 0"
    grep -q '^broadband,left,' impulse-response.csv || fail "no broadband row"
    [ "$(head -c 8 impulse-response.png | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        fail "impulse-response.png is not a PNG"
    [ "$(head -c 4 ir.wav)" = RIFF ] || fail "ir.wav is not a WAV"
    grep -q '^broadband' out.txt || fail "no table on stdout"
    echo "ok   --ir writes the CSV, the PNG and the WAV"
else
    fail "--ir failed: $(cat err.txt)"
fi

# The module boundary changes nothing: same seed, same settings, same figures.
if "$render" --ir "${settings[@]}" --plugin "$module" --csv module.csv --png module.png -q \
    > out.txt 2> err.txt; then
    [ -s out.txt ] && fail "--quiet printed a report"
    cmp -s module.csv impulse-response.csv || fail "figures through the module differ"
    echo "ok   --ir --plugin gives the in-process figures"
else
    fail "--ir --plugin failed: $(cat err.txt)"
fi

# With the dry path on, a note says what EDT then measures; the reverb's figures stay, and
# the broadband T30 and first arrival come out of the CSV by column name.
if "$render" --ir --rate 48000 --set Size=0.3 --csv dry.csv --png dry.png > out.txt 2> err.txt; then
    grep -q '^note: .*EDT includes the direct sound.*--set Dry=0' out.txt ||
        fail "no note about the dry path: $(cat out.txt)"
    broadband=$(grep -v '^#' dry.csv | awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
        $1 == "broadband" && $2 == "left" { print $col["t30_s"], $col["first_arrival_s"] }')
    read -r t30 arrival <<< "$broadband"
    awk -v t="$t30" -v a="$arrival" 'BEGIN { exit !(t > 0.3 && t < 0.7 && a == 0) }' ||
        fail "broadband T30 and first arrival with the dry path on: '$broadband'"
    echo "ok   --ir with the dry path on notes it and still measures the reverb ($broadband)"
else
    fail "--ir with the dry path on failed: $(cat err.txt)"
fi

# A render stopped by --tail before the decay reaches T30's range: the figures it cut off are
# missing because the response ends, which the table, the CSV and a note say; no noise is
# blamed.
if "$render" --ir --rate 44100 --set Size=0.6 --set Dry=0 --seed 3 --tail 0.8 --csv cut.csv \
    --png cut.png > out.txt 2> err.txt; then
    why="not measured, as the response ends before its decay reaches the end of the figure's range:"
    grep -q "^$why.*T30 at every band" out.txt || fail "no reason for the cut-off T30: $(cat out.txt)"
    grep -q "^# $why" cut.csv || fail "the CSV does not say why T30 is missing"
    grep -q '^note: .*stopped at --tail 0.8 s' out.txt || fail "no note about --tail: $(cat out.txt)"
    grep -qi "not measured.*noise" out.txt cut.csv &&
        fail "a response cut by --tail blamed on noise: $(cat out.txt)"
    echo "ok   --ir cut short by --tail says so"
else
    fail "--ir with a short --tail failed: $(cat err.txt)"
fi

expect_error() {
    local label=$1
    shift
    rm -f nothing.csv nothing.png
    "$render" "$@" > out.txt 2> err.txt
    local status=$?
    if [ $status -eq 0 ] || [ $status -ge 128 ]; then
        fail "$label: exit status $status"; return
    fi
    if [ "$(wc -l < err.txt)" -ne 1 ]; then
        fail "$label: expected one error line, got: $(cat err.txt)"; return
    fi
    if ls nothing.csv nothing.png 2>/dev/null | grep -q .; then
        fail "$label: a file was left behind"; return
    fi
    echo "ok   $label: $(cat err.txt)"
}

mkdir -p folder.png
expect_error "input with --ir" --ir some.wav --csv nothing.csv
expect_error "--csv without --ir" --csv nothing.csv
expect_error "--png without a name" --ir --png
expect_error "--ir with --bench" --ir --bench 1 --csv nothing.csv
expect_error "picture onto a folder" --ir --png folder.png --csv nothing.csv
expect_error "missing module" --ir --plugin missing.so --csv nothing.csv --png nothing.png

[ $failures -eq 0 ] && echo "all impulse-response cases passed"
exit $failures
