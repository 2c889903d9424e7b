#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The release archive as a user of another distribution meets it: it holds the licence, the
# INSTALL text and install.sh beside the files, and install.sh puts every format where hosts
# look (a fresh HOME stands in for the user's), where Ardour's scanners load the plug-ins and
# lilv finds the LV2 bundle by itself; the installed renderer renders as the build does; a
# second install replaces the bundles whole, and --uninstall leaves the HOME as it found it.
# Exit code 77 tells CTest that the scanners (ardour, lilv-utils) are not installed.
#
#   archive.sh BUILD_DIR SOURCE_DIR NAME LV2_URI
set -uo pipefail

build=$1
source_dir=$2
name=$3
uri=$4

for tool in /usr/lib/ardour7/ardour-vst-scanner /usr/lib/ardour7/ardour-vst3-scanner \
    "$(command -v lv2ls || echo lv2ls)"; do
    if [ ! -x "$tool" ]; then
        echo "archive: $tool is not installed; skipping" >&2
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/support/checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
# shellcheck source=tests/install/vst3_presets.sh
source "$(dirname "${BASH_SOURCE[0]}")/vst3_presets.sh"

if ! bash "$source_dir/scripts/make-dist.sh" "$build" "$name" "$work" > "$work/dist.log" 2>&1; then
    cat "$work/dist.log"
    echo "archive: make-dist failed" >&2
    exit 1
fi
tar -xzf "$work/$name.tar.gz" -C "$work"
tree=$work/$name
for part in LICENSE INSTALL install.sh bin/morvane bin/morvane-render bin/morvane-validate \
    lib/morvane/morvane-probe lib/lxvst/Morvane.so lib/vst3/Morvane.vst3 lib/lv2/Morvane.lv2; do
    [ -e "$tree/$part" ] || fail "the archive has no $part"
done
cmp -s "$tree/LICENSE" "$source_dir/LICENSE" || fail "the archive's LICENSE is not the project's"
if grep -qE '^The plug-ins and programs need glibc [0-9]+\.[0-9]+ or later' "$tree/INSTALL" &&
    ! grep -q '@' "$tree/INSTALL"; then
    pass "INSTALL states the glibc the files need"
else
    fail "INSTALL does not state what the files need"
fi

home=$work/home
mkdir "$home"
user() { env -i PATH=/usr/bin:/bin HOME="$home" "$@"; }
if ! user bash "$tree/install.sh" > "$work/install.log" 2>&1; then
    cat "$work/install.log"
    fail "install.sh failed"
fi

# Every format where the scanners look, and loadable there.
if bash "$source_dir/tests/plugin/ardour_scan.sh" "$home/.vst/Morvane.so" > "$work/scan.log" 2>&1; then
    pass "Ardour's VST 2.4 scanner loads ~/.vst/Morvane.so"
else
    cat "$work/scan.log"
    fail "Ardour's VST 2.4 scanner"
fi
if bash "$source_dir/tests/formats/ardour_vst3_scan.sh" "$home/.vst3/Morvane.vst3" \
    > "$work/scan3.log" 2>&1; then
    pass "Ardour's VST3 scanner loads ~/.vst3/Morvane.vst3"
else
    cat "$work/scan3.log"
    fail "Ardour's VST3 scanner"
fi
expect_vst3_presets "install.sh" "$home/.vst3/presets/Quillon/Morvane Plugin" "$source_dir" "$build"
# No LV2_PATH: lilv looks in ~/.lv2 of its own accord.
if user env -u LV2_PATH lv2ls | grep -qxF "$uri"; then
    pass "lv2ls finds $uri in ~/.lv2"
else
    fail "lv2ls does not list $uri"
fi
for part in .local/bin/morvane .local/bin/morvane-render .local/bin/morvane-validate \
    .local/lib/morvane/morvane-probe; do
    [ -x "$home/$part" ] || fail "$part is not installed as a program in HOME"
done
[ -f "$home/.local/share/applications/example.quillon.morvane.desktop" ] ||
    fail "no desktop entry in ~/.local/share/applications"
[ -f "$home/.local/share/man/man1/morvane-render.1" ] || fail "no manual page in ~/.local/share/man"

# The tools in the user's folder use the user's module; it renders as the build's does.
if user "$home/.local/bin/morvane-validate" --help | grep -qF "here $home/.vst/Morvane.so)"; then
    pass "the installed validator checks ~/.vst/Morvane.so"
else
    fail "the installed validator does not default to ~/.vst/Morvane.so"
fi
mkdir "$work/render"
(cd "$work/render" && user "$home/.local/bin/morvane-render" --plugin "$home/.vst/Morvane.so" \
    -q -o installed.wav && "$build/tools/render/morvane-render" --plugin "$build/Morvane.so" -q \
    -o built.wav) || fail "rendering the demo"
if cmp -s "$work/render/installed.wav" "$work/render/built.wav"; then
    pass "the installed module renders the demo bit for bit as the built one"
else
    fail "the installed module renders differently"
fi

# A second install replaces each bundle whole.
touch "$home/.lv2/Morvane.lv2/left-over.ttl" "$home/.vst3/Morvane.vst3/left-over"
user bash "$tree/install.sh" > /dev/null 2>&1 || fail "the second install.sh failed"
if [ -e "$home/.lv2/Morvane.lv2/left-over.ttl" ] || [ -e "$home/.vst3/Morvane.vst3/left-over" ]; then
    fail "a second install kept a file of the old bundle"
else
    pass "a second install replaces the bundles whole"
fi

user bash "$tree/install.sh" --uninstall > /dev/null 2>&1 || fail "install.sh --uninstall failed"
left=$(cd "$home" && find . -mindepth 1)
if [ -z "$left" ]; then
    pass "install.sh --uninstall removes everything it installed"
else
    fail "install.sh --uninstall left: $left"
fi

finish "archive"
