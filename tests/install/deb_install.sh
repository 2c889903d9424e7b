#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The Debian packages installed for real with dpkg, and checked from the system's own folders
# alone, with no variable pointing at the build: Ardour's scanners load the plug-ins from
# /usr/lib/lxvst and /usr/lib/vst3, the VST3 presets are in /usr/share/vst3/presets, lilv lists
# the LV2 bundle from /usr/lib/lv2, the installed renderer renders the demo bit for bit as the
# build's module does, the manual pages and the desktop files are in place, lintian has nothing
# to say against the packages, and removing them leaves no file behind. Whatever happens, the
# packages are purged again at the end.
#
# Exit code 77 (skipped) when not root, when dpkg or the scanners are missing, or when the
# packages are not built yet (`make deb`).
#
#   deb_install.sh DEB_DIR BUILD_DIR
set -uo pipefail

debs=$1
build=$(cd "$2" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
packages=(morvane morvane-vst morvane-vst3 morvane-lv2 morvane-standalone morvane-tools)

skip() {
    echo "deb_install: $*; skipping" >&2
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "installing packages needs root"
for tool in dpkg dpkg-deb man lv2ls desktop-file-validate /usr/lib/ardour7/ardour-vst-scanner \
    /usr/lib/ardour7/ardour-vst3-scanner; do
    command -v "$tool" > /dev/null 2>&1 || skip "$tool is not installed"
done
# The plug-in's URI as the build's own bundle declares it.
uri=$(cat "$build"/Morvane_artefacts/*/LV2/Morvane.lv2/manifest.ttl 2> /dev/null |
    grep -B1 -x $'\ta lv2:Plugin ;' | sed -n 's/^<\(.*\)>$/\1/p' | head -n 1)
[ -n "$uri" ] || skip "no LV2 bundle in $build"
files=()
for package in "${packages[@]}"; do
    deb=$(find "$debs" -maxdepth 1 -name "${package}_*.deb" | head -n 1)
    [ -n "$deb" ] || skip "no ${package}_*.deb in $debs (make deb builds them)"
    files+=("$deb")
done
for package in "${packages[@]}"; do
    if dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok'; then
        echo "deb_install: $package is installed already; remove it first" >&2
        exit 1
    fi
done

work=$(mktemp -d)
purge() {
    dpkg --purge "${packages[@]}" > /dev/null 2>&1
    rm -rf "$work"
}
trap purge EXIT

# shellcheck source=tests/support/checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
# shellcheck source=tests/install/vst3_presets.sh
source "$(dirname "${BASH_SOURCE[0]}")/vst3_presets.sh"

# Lintian, run as Debian runs it on uploads, finds no error and no warning.
changes=$(find "$debs" -maxdepth 1 -name 'morvane_*.changes' | head -n 1)
if ! command -v lintian > /dev/null; then
    echo "skip lintian is not installed"
elif [ -z "$changes" ]; then
    fail "no morvane_*.changes in $debs"
elif report=$(lintian --fail-on error,warning "$changes" 2>&1); then
    report=$(grep -v 'root privileges' <<< "$report" || true)
    pass "lintian: no error, no warning${report:+ ($report)}"
else
    echo "$report"
    fail "lintian"
fi

# What the packages own, and which of it was there before (the shared folders).
for deb in "${files[@]}"; do
    dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^\.\?$'
done | sort -u > "$work/owned"
while IFS= read -r path; do
    [ -e "$path" ] || echo "$path"
done < "$work/owned" > "$work/new"

if ! dpkg -i "${files[@]}" > "$work/dpkg.log" 2>&1; then
    cat "$work/dpkg.log"
    fail "dpkg -i"
    exit 1
fi
pass "dpkg -i installs ${packages[*]}"

home=$work/home
mkdir -p "$home"
system() { env -i PATH=/usr/bin:/bin HOME="$home" "$@"; }

scan() {
    local label=$1 scanner=$2 path=$3 pattern=$4 output
    output=$(system env XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
        LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 60 "$scanner" -v -f "$path" 2>&1)
    if grep -o "$pattern" <<< "$output" | grep -q 'name="Morvane Plugin"'; then
        pass "$label"
    else
        echo "$output"
        fail "$label"
    fi
}
scan "Ardour's VST 2.4 scanner loads /usr/lib/lxvst/Morvane.so" \
    /usr/lib/ardour7/ardour-vst-scanner /usr/lib/lxvst/Morvane.so '<VST2Info [^>]*>'
scan "Ardour's VST3 scanner loads /usr/lib/vst3/Morvane.vst3" \
    /usr/lib/ardour7/ardour-vst3-scanner /usr/lib/vst3/Morvane.vst3 '<VST3Info [^>]*>'

expect_vst3_presets "morvane-vst3" "/usr/share/vst3/presets/Quillon/Morvane Plugin" "$source_dir" \
    "$build"
if system lv2ls | grep -qxF "$uri"; then
    pass "lv2ls lists $uri from /usr/lib/lv2"
else
    fail "lv2ls does not list $uri"
fi
if [ -x /usr/bin/morvane ] && system morvane-validate --help | grep -qF "here /usr/lib/lxvst/Morvane.so)"; then
    pass "morvane is installed, morvane-validate checks /usr/lib/lxvst/Morvane.so"
else
    fail "the standalone application or the validator's default module"
fi

mkdir "$work/render"
(cd "$work/render" && system morvane-render --plugin /usr/lib/lxvst/Morvane.so -q -o installed.wav &&
    "$build/tools/render/morvane-render" --plugin "$build/Morvane.so" -q -o built.wav) ||
    fail "rendering the demo"
if cmp -s "$work/render/installed.wav" "$work/render/built.wav"; then
    pass "the installed module renders the demo bit for bit as the build's"
else
    fail "the installed module renders the demo differently from the build's"
fi

for page in morvane morvane-render morvane-validate; do
    if system env MANPAGER=cat MANWIDTH=100 man "$page" 2> /dev/null | grep -q "^NAME"; then
        pass "man $page"
    else
        fail "man $page shows nothing"
    fi
done
if out=$(desktop-file-validate /usr/share/applications/example.quillon.morvane.desktop 2>&1) &&
    [ -z "$out" ]; then
    pass "desktop-file-validate accepts the installed entry"
else
    fail "desktop-file-validate: $out"
fi
if bash "$source_dir/tests/formats/lv2_validate.sh" /usr/lib/lv2/Morvane.lv2 > "$work/lv2.log" 2>&1; then
    pass "lv2_validate accepts the installed bundle"
elif [ $? -ne 77 ]; then
    cat "$work/lv2.log"
    fail "lv2_validate on the installed bundle"
fi

# Removing every package, the metapackage first, takes every file it brought.
if ! dpkg -r "${packages[@]}" > "$work/remove.log" 2>&1; then
    cat "$work/remove.log"
    fail "dpkg -r"
fi
left=()
while IFS= read -r path; do
    [ ! -e "$path" ] || left+=("$path")
done < "$work/new"
if [ ${#left[@]} -eq 0 ]; then
    pass "dpkg -r leaves none of the $(wc -l < "$work/new") files and folders it brought"
else
    fail "dpkg -r left ${left[*]}"
fi

finish "deb_install"
