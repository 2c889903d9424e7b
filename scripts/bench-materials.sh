#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures what each kind of material costs through one or two VST 2.4 modules on every engine
# path and prints a Markdown table of ns per stereo frame with the ratio to stereo noise: a build
# before a change against the build after it, say. Every run is one `morvane-render --bench
# --runs 1` per path and module, the modules and paths taking turns, so that a busy spell of the
# machine falls on all of them alike; each figure is the median of the runs, and each ratio the
# median of the ratios within a run, whose materials are measured seconds apart.
# Usage: scripts/bench-materials.sh [BUILD_DIR] [SECONDS] [BEFORE.so]
# RATE, BLOCK, RUNS (5) and PATHS (scalar sse2 avx2 avx512) in the environment change the settings;
# SETTINGS passes more options to the renderer, parameters say ("--set Size=0").
set -u
build=${1:-build}
seconds=${2:-10}
before=${3:-}
rate=${RATE:-48000}
block=${BLOCK:-512}
runs=${RUNS:-5}
paths=${PATHS:-scalar sse2 avx2 avx512}
read -r -a settings <<< "${SETTINGS:-}"
render=$build/tools/render/morvane-render
after=$build/Morvane.so

if [ ! -x "$render" ] || [ ! -f "$after" ]; then
    echo "bench-materials: build morvane-render and morvane_vst2 in $build first" >&2
    exit 1
fi
if [ -n "$before" ] && [ ! -f "$before" ]; then
    echo "bench-materials: no module $before" >&2
    exit 1
fi

modules=("$after")
labels=("")
if [ -n "$before" ]; then
    modules=("$before" "$after")
    labels=("before, " "after, ")
fi

median() {
    tr ' ' '\n' | sed '/^$/d' | sort -g |
        awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

declare -A times ratios
names=()
for ((run = 0; run < runs; run++)); do
    for path in $paths; do
        for i in "${!modules[@]}"; do
            out=$(MORVANE_ENGINE_PATH=$path "$render" --bench "$seconds" --rate "$rate" \
                --block "$block" --runs 1 --plugin "${modules[$i]}" "${settings[@]}" 2>&1) || {
                echo "bench-materials: ${modules[$i]} on $path failed: $(tail -n 1 <<< "$out")" >&2
                exit 1
            }
            # The rows between the heading and the median line: a name in 32 columns, then
            # the median and the ratio to stereo noise of this run.
            while IFS= read -r line; do
                name=$(sed 's/ *$//' <<< "${line:0:32}")
                read -r ns ratio _ <<< "${line:32}"
                [ "$run$path$i" = "0${paths%% *}0" ] && names+=("$name")
                times[$name,$path,$i]+=" $ns"
                ratios[$name,$path,$i]+=" $ratio"
            done < <(sed -n '/^material /,/^median:/p' <<< "$out" | sed '1d;$d')
        done
    done
done

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo "ns per stereo frame (x stereo noise), $rate Hz in blocks of $block, median of $runs runs" \
    "of $seconds s per steady material, ${SETTINGS:-factory settings}; ${cpu:-unknown CPU}," \
    "$(nproc) cores," \
    "load $(cut -d' ' -f1 /proc/loadavg), $(date -u +%Y-%m-%d)"
echo
header="| material |"
rule="|---|"
for path in $paths; do
    for i in "${!modules[@]}"; do
        header+=" ${labels[$i]}$path |"
        rule+="---:|"
    done
done
echo "$header"
echo "$rule"
for name in "${names[@]}"; do
    row="| $name |"
    for path in $paths; do
        for i in "${!modules[@]}"; do
            ns=$(median <<< "${times[$name,$path,$i]}")
            ratio=$(median <<< "${ratios[$name,$path,$i]}")
            row+=" $(awk -v a="$ns" -v r="$ratio" 'BEGIN { printf "%.1f (%.2f)", a, r }') |"
        done
    done
    echo "$row"
done
