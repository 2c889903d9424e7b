#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The factory presets as the renderer offers them: --list-presets names one per preset file,
# --preset renders exactly as --load-state of that file does, --set applies on top, and
# --snapshot draws the preset.
#
#   cli_presets.sh RENDER WORK_DIR PRESET_DIR
set -u
render=$1
work=$2
preset_dir=$3
# shellcheck source=tests/support/checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

mapfile -t names < <("$render" --list-presets)
mapfile -t files < <(find "$preset_dir" -name '*.morvane' | LC_ALL=C sort)
if [ ${#names[@]} -eq ${#files[@]} ] && [ ${#names[@]} -gt 0 ]; then
    pass "--list-presets names ${#names[@]} presets, one per file"
else
    fail "--list-presets names ${#names[@]} presets for ${#files[@]} files"
fi

for i in 0 $((${#files[@]} - 1)); do
    name=${names[$i]}
    file=${files[$i]}
    grep -aqF "programname=\"$name\"" "$file" || fail "$(basename "$file") is not named $name"
    "$render" -q --seed 1 --bits 32 --tail 1 --preset "$name" -o preset.wav &&
        "$render" -q --seed 1 --bits 32 --tail 1 --load-state "$file" -o file.wav
    if cmp -s preset.wav file.wav; then
        pass "--preset '$name' renders as --load-state $(basename "$file")"
    else
        fail "--preset '$name' and --load-state $(basename "$file") differ"
    fi
done

lower=$(tr 'A-Z ' 'a-z-' <<< "${names[0]}")
"$render" -q --preset "$lower" --set Size=0.5 --tail 0 -o set.wav --save-state set.state
if grep -aqF "programname=\"${names[0]}\"" set.state && grep -aqF 'effectreverbsize="0.5"' set.state; then
    pass "--preset $lower with --set Size=0.5 keeps the preset's name and the new size"
else
    fail "--preset with --set: $(tr -d '\0' < set.state)"
fi

"$render" -q --snapshot factory.png && "$render" -q --snapshot preset.png --preset "${names[0]}"
if [ -s preset.png ] && ! cmp -s factory.png preset.png; then
    pass "--snapshot draws the preset"
else
    fail "--snapshot with --preset drew the factory settings"
fi

finish cli_presets
