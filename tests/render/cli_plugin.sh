#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The renderer hosting VST 2.4 modules, as a user meets it: modules that cannot be loaded are
# one error line and a failure exit (never a crash or a hang of the renderer, never an output
# file); a render through the built module is the built-in render bit for bit; parameters by the
# module's names, state through its chunk; the benchmark; --quiet.
set -u
render=$1
work=$2
module=$3
modules=$4
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

expect_error() {
    local label=$1 expected=$2
    shift 2
    timeout 60 "$render" "$@" > out.txt 2> err.txt
    local status=$?
    if [ $status -eq 0 ] || [ $status -ge 124 ]; then
        fail "$label: exit status $status"; return
    fi
    if [ "$(wc -l < err.txt)" -ne 1 ]; then
        fail "$label: expected one error line, got:"; cat err.txt; return
    fi
    if ! grep -q -- "$expected" err.txt; then
        fail "$label: expected '$expected' in: $(cat err.txt)"; return
    fi
    if ls result*.wav 2>/dev/null | grep -q .; then
        fail "$label: an output file was left behind"; rm -f result*.wav; return
    fi
    echo "ok   $label: $(cat err.txt)"
}

printf 'not a library' > fake.so
printf 'this is not audio' > notaudio.wav

expect_error "missing module" "no module file" --plugin missing.so -o result.wav
expect_error "not a library" "cannot load" --plugin fake.so -o result.wav
expect_error "no entry point" "no entry point" --plugin "$modules/no_entry.so" -o result.wav
expect_error "null effect" "returned no effect" --plugin "$modules/null_effect.so" -o result.wav
expect_error "wrong magic" "wrong magic" --plugin "$modules/wrong_magic.so" -o result.wav
expect_error "crash while loading" "crashed while loading" --plugin "$modules/crash.so" -o result.wav
expect_error "hang while loading" "did not finish loading within 0.5 s" \
    --plugin "$modules/hang.so" --load-timeout 0.5 -o result.wav
expect_error "bad module in a benchmark" "crashed while loading" --plugin "$modules/crash.so" --bench 0.1
expect_error "plugin without a path" "needs the path" --plugin
expect_error "unknown parameter of a module" "unknown parameter 'Size' of Test Gain" \
    --plugin "$modules/gain.so" --set Size=0.5 -o result.wav
expect_error "parameter index out of range" "unknown parameter '2'" \
    --plugin "$modules/gain.so" --set 2=0.5 -o result.wav
expect_error "unreadable audio through a module" "notaudio.wav" --plugin "$module" notaudio.wav -o result.wav

# The same render in this process and through the module, with the same seed and settings.
"$render" --seed 11 --set Size=0.4 --set "low pass=0.5" --bits 32 -o inproc.wav > /dev/null &&
    "$render" --plugin "$module" --seed 11 --set Size=0.4 --set "low pass=0.5" --bits 32 \
        -o module.wav > /dev/null || fail "renders of the demo phrase"
if cmp -s inproc.wav module.wav && cmp -s inproc-dry.wav module-dry.wav; then
    echo "ok   the render through the module is the built-in render, bit for bit"
else
    fail "the render through the module differs from the built-in one"
fi
"$render" inproc-dry.wav --block 333 --seed 3 --set 4=0.9 -o a.wav > /dev/null &&
    "$render" inproc-dry.wav --block 333 --seed 3 --plugin "$module" --set " SIZE =0.9" \
        -o b.wav > /dev/null || fail "renders of a file"
cmp -s a.wav b.wav && echo "ok   the same for a file, odd blocks, a parameter by index" ||
    fail "a file rendered through the module differs"
"$render" inproc-dry.wav --seed 4 --set Size=0.9 -o c.wav > /dev/null
cmp -s a.wav c.wav && fail "another seed made no difference"
# Without --seed the generator is left unseeded, which is seed 1, through a module too.
"$render" --plugin "$module" --bits 32 -o unseeded.wav > /dev/null &&
    "$render" --seed 1 --bits 32 -o seed1.wav > /dev/null || fail "renders without a seed"
cmp -s unseeded.wav seed1.wav && echo "ok   no --seed renders as --seed 1" ||
    fail "a render without --seed is not that of --seed 1"

# The module's chunk is a state the built-in processor reads, and the other way round.
"$render" --plugin "$module" --set Size=0.9 --set Wet=0.3 --save-state module.state \
    -o d.wav > /dev/null || fail "saving a module's state"
"$render" --load-state module.state --save-state inproc.state -o e.wav > /dev/null ||
    fail "loading a module's state in-process"
cmp -s module.state inproc.state && echo "ok   state saved through the module reads back in-process" ||
    fail "state through the module and in-process differ"
"$render" --plugin "$module" --load-state inproc.state --save-state again.state -o f.wav \
    > /dev/null || fail "loading a state into the module"
cmp -s again.state inproc.state && echo "ok   state loaded into the module" ||
    fail "state loaded into the module did not hold"

# The test module's chunk reports what its host answered.
"$render" --plugin "$modules/gain.so" --set "output gain level=0.25" \
    --save-state gain.state -o g.wav > /dev/null || fail "render through the test module"
grep -q "version=2400 rate=48000" gain.state && echo "ok   host answers: $(head -c 60 gain.state)" ||
    fail "host answers: $(cat gain.state)"

# Benchmarks, built in and through modules; their figures go to stdout.
for target in "" "--plugin $module" "--plugin $modules/gain.so"; do
    # shellcheck disable=SC2086
    "$render" --bench 0.05 --runs 3 --rate 44100 --block 128 $target > bench.txt 2> err.txt ||
        fail "bench $target"
    if grep -q "^median: .* ns per stereo frame, .* x real time" bench.txt && [ ! -s err.txt ]; then
        echo "ok   bench ${target:-built in}: $(grep median bench.txt)"
    else
        fail "bench ${target:-built in}:"; cat bench.txt err.txt
    fi
done

# Quiet means no report; a render too short for a progress bar writes nothing to stderr,
# on a terminal or not.
"$render" -q --plugin "$module" -o h.wav > out.txt 2> err.txt || fail "quiet render"
[ -s out.txt ] || [ -s err.txt ] && fail "--quiet still wrote: $(cat out.txt err.txt)"
[ -f h.wav ] && echo "ok   --quiet writes the file and nothing else" || fail "--quiet wrote no file"
if command -v script > /dev/null; then
    script -qec "'$render' -o i.wav 2> tty-err.txt > /dev/null" /dev/null > /dev/null
    [ -f i.wav ] && [ ! -s tty-err.txt ] && echo "ok   no progress bar for a short render" ||
        fail "a short render on a terminal wrote: $(cat tty-err.txt)"
fi

[ $failures -eq 0 ] && echo "all module cases passed"
exit $failures
