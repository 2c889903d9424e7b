#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Installs Morvane from this folder (bin/, lib/ and share/, as `cmake --install` lays them out)
# into the folders where Linux hosts and desktops look:
#
#   ./install.sh              for you: ~/.vst, ~/.vst3, ~/.lv2, ~/.local/bin, ~/.local/share
#                             (the VST3 presets in ~/.vst3/presets)
#   sudo ./install.sh --system  for everyone: under /usr/local
#   ./install.sh --uninstall  removes exactly what the last install put there (add --system
#                             for a system install)
#
# VST2_DIR, VST3_DIR, VST3_PRESET_DIR, LV2_DIR, BIN_DIR, HELPER_DIR and SHARE_DIR override
# single folders; --from DIR installs another tree of that layout. What was installed is listed
# in MANIFEST (SHARE_DIR/morvane/installed-files.txt): files, and the folders the install created.
set -euo pipefail

from=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mode=install
scope=user
while [ $# -gt 0 ]; do
    case $1 in
        --system) scope=system ;;
        --uninstall) mode=uninstall ;;
        --from)
            [ $# -ge 2 ] || { echo "install.sh: --from needs a folder" >&2; exit 2; }
            from=$(cd "$2" && pwd)
            shift
            ;;
        -h | --help)
            sed -n '3,16p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
            exit 0
            ;;
        *) echo "install.sh: unknown option '$1' (try --help)" >&2; exit 2 ;;
    esac
    shift
done

if [ $scope = system ]; then
    prefix=/usr/local
    : "${VST2_DIR:=$prefix/lib/lxvst}" "${VST3_DIR:=$prefix/lib/vst3}" "${LV2_DIR:=$prefix/lib/lv2}"
    : "${BIN_DIR:=$prefix/bin}" "${SHARE_DIR:=$prefix/share}"
    : "${VST3_PRESET_DIR:=$SHARE_DIR/vst3/presets}"
else
    : "${HOME:?install.sh: HOME is not set}"
    : "${VST2_DIR:=$HOME/.vst}" "${VST3_DIR:=$HOME/.vst3}" "${LV2_DIR:=$HOME/.lv2}"
    : "${BIN_DIR:=$HOME/.local/bin}" "${SHARE_DIR:=${XDG_DATA_HOME:-$HOME/.local/share}}"
    # VST3 hosts look for a user's presets here, wherever the bundles are.
    : "${VST3_PRESET_DIR:=$HOME/.vst3/presets}"
fi
# The renderer looks for its probe in ../lib/morvane from its own folder.
: "${HELPER_DIR:=$(dirname "$BIN_DIR")/lib/morvane}"
: "${MANIFEST:=$SHARE_DIR/morvane/installed-files.txt}"

# Removes what the manifest lists: the files, then the folders the install created, deepest
# first, as far as they are empty. Before a new install (replace), each bundle the new one
# brings goes whole, so that no file of an older version stays behind in it.
uninstall() {
    local files=() folders=() folder bundle
    if [ -f "$MANIFEST" ]; then
        mapfile -t files < <(sed -n 's/^file //p' "$MANIFEST")
        mapfile -t folders < <(sed -n 's/^folder //p' "$MANIFEST" | LC_ALL=C sort -r)
    fi
    rm -f -- "${files[@]}" "$MANIFEST"
    if [ "${1:-}" = replace ]; then
        for bundle in "$from"/lib/vst3/*/ "$from"/lib/lv2/*/; do
            [ ! -d "$bundle" ] || rm -rf -- "$(destination "${bundle#"$from"/}")"
        done
    fi
    for folder in "${folders[@]}"; do
        rmdir -- "$folder" 2> /dev/null || true
    done
}

# Creates a folder and the missing ones above it, noting each one it created.
created=()
make_folder() {
    local folder=$1 missing=()
    while [ ! -d "$folder" ]; do
        missing+=("$folder")
        folder=$(dirname "$folder")
    done
    local i
    for ((i = ${#missing[@]} - 1; i >= 0; i--)); do
        mkdir -- "${missing[$i]}"
        created+=("${missing[$i]}")
    done
}

destination() {
    case $1 in
        lib/lxvst/*) echo "$VST2_DIR/${1#lib/lxvst/}" ;;
        lib/vst3/*) echo "$VST3_DIR/${1#lib/vst3/}" ;;
        lib/lv2/*) echo "$LV2_DIR/${1#lib/lv2/}" ;;
        lib/morvane/*) echo "$HELPER_DIR/${1#lib/morvane/}" ;;
        share/vst3/presets/*) echo "$VST3_PRESET_DIR/${1#share/vst3/presets/}" ;;
        bin/*) echo "$BIN_DIR/${1#bin/}" ;;
        share/*) echo "$SHARE_DIR/${1#share/}" ;;
        *) return 1 ;;
    esac
}

if [ $mode = uninstall ]; then
    if [ ! -f "$MANIFEST" ]; then
        echo "install.sh: nothing to remove: no $MANIFEST" >&2
        exit 1
    fi
    uninstall
    echo "install.sh: removed Morvane"
    exit 0
fi

mapfile -t parts < <(cd "$from" && find bin lib share -type f 2> /dev/null | sort)
if [ ${#parts[@]} -eq 0 ]; then
    echo "install.sh: $from holds nothing to install" >&2
    exit 1
fi
for part in "${parts[@]}"; do
    destination "$part" > /dev/null || { echo "install.sh: no folder for $part" >&2; exit 1; }
done

uninstall replace

make_folder "$(dirname "$MANIFEST")"
installed=()
for part in "${parts[@]}"; do
    target=$(destination "$part")
    make_folder "$(dirname "$target")"
    cp --preserve=mode -- "$from/$part" "$target"
    installed+=("$target")
done
{
    printf 'file %s\n' "${installed[@]}"
    [ ${#created[@]} -eq 0 ] || printf 'folder %s\n' "${created[@]}"
} > "$MANIFEST"

echo "install.sh: installed Morvane: VST 2.4 in $VST2_DIR, VST3 in $VST3_DIR, LV2 in $LV2_DIR," \
    "programs in $BIN_DIR"
if [ $scope = user ] && [[ ":$PATH:" != *":$BIN_DIR:"* ]]; then
    echo "install.sh: $BIN_DIR is not on your PATH; add it to run morvane by name"
fi
