# SPDX-License-Identifier: GPL-3.0-or-later
#
# Sourced by the install tests, after tests/support/checks.sh: the names of the factory presets,
# and the check that a folder holds exactly the build's VST3 preset file of each.

# preset_names SOURCE_DIR: one name a line, in the order of the preset files.
preset_names() {
    local file
    for file in "$1"/presets/*.morvane; do
        grep -ao 'programname="[^"]*"' "$file" | sed 's/^programname="//; s/"$//'
    done
}

# expect_vst3_presets LABEL FOLDER SOURCE_DIR BUILD_DIR
expect_vst3_presets() {
    local label=$1 folder=$2 source_dir=$3 build=$4 name found=0 ok=1
    while IFS= read -r name; do
        found=$((found + 1))
        cmp -s "$folder/$name.vstpreset" "$build/presets/vst3/$name.vstpreset" ||
            { fail "$label: $folder/$name.vstpreset is missing or not the build's"; ok=0; }
    done < <(preset_names "$source_dir")
    [ "$(find "$folder" -name '*.vstpreset' 2> /dev/null | wc -l)" -eq $found ] ||
        { fail "$label: $folder holds other preset files too"; ok=0; }
    [ $ok -eq 0 ] || pass "$label: the $found VST3 presets in $folder"
}
