#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures Morvane (built in and as the built module) and every VST 2.4 module installed under
# /usr/lib/lxvst in one run, with the same noise, rate and block size, and prints a Markdown
# table of the medians. Usage: scripts/bench-peers.sh [BUILD_DIR] [SECONDS]
# RATE, BLOCK, RUNS and MODULE_DIR in the environment change the other settings.
set -u
build=${1:-build}
seconds=${2:-10}
rate=${RATE:-48000}
block=${BLOCK:-512}
runs=${RUNS:-5}
module_dir=${MODULE_DIR:-/usr/lib/lxvst}
render=$build/tools/render/morvane-render

if [ ! -x "$render" ] || [ ! -f "$build/Morvane.so" ]; then
    echo "bench-peers: build morvane-render and morvane_vst2 in $build first" >&2
    exit 1
fi

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo "$seconds s of stereo noise at $rate Hz in blocks of $block, median of $runs runs;" \
    "${cpu:-unknown CPU}, $(nproc) cores, $(date -u +%Y-%m-%d)"
echo
echo "| processor | module | ns per stereo frame | real-time factor |"
echo "|---|---|---:|---:|"

row() {
    local label=$1 file=$2
    shift 2
    local out
    if out=$("$render" --bench "$seconds" --rate "$rate" --block "$block" --runs "$runs" "$@" 2>&1); then
        local name ns factor
        name=$(sed -n 's/^processor: \(.*\) (.*)$/\1/p' <<< "$out")
        ns=$(sed -n 's/^median: *\([0-9.]*\) ns per stereo frame.*/\1/p' <<< "$out")
        factor=$(sed -n 's/.*, \([0-9.]*\) x real time$/\1/p' <<< "$out")
        echo "| ${name:-$label} | $file | $ns | $factor |"
    else
        echo "| $label | $file | failed: $(tail -n 1 <<< "$out") | |"
    fi
}

row "Morvane" "(built in)"
row "Morvane" "Morvane.so" --plugin "$build/Morvane.so"
while IFS= read -r module; do
    row "$(basename "$module" .so)" "${module#"$module_dir"/}" --plugin "$module"
done < <(find "$module_dir" -name '*.so' -type f 2>/dev/null | sort)
