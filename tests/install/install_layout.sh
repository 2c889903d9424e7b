#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# `cmake --install` as a packager and a user meet it: under a prefix and staged under DESTDIR,
# every part lands where hosts and desktops look, nothing else is installed, the installed
# programs find their companions from wherever the prefix is, the manual pages show and list
# every option the programs know, and the desktop files validate.
#
#   install_layout.sh BUILD_DIR SOURCE_DIR FORMATS(ON|OFF) VERSION
set -uo pipefail

build=$1
source_dir=$2
formats=$3
version=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=tests/support/checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
# shellcheck source=tests/install/vst3_presets.sh
source "$(dirname "${BASH_SOURCE[0]}")/vst3_presets.sh"

expected=(
    bin/morvane-render
    bin/morvane-validate
    lib/lxvst/Morvane.so
    lib/morvane/morvane-probe
    share/man/man1/morvane-render.1
    share/man/man1/morvane-validate.1
)
if [ "$formats" = ON ]; then
    expected+=(
        bin/morvane
        lib/lv2/Morvane.lv2/dsp.ttl
        lib/lv2/Morvane.lv2/libMorvane.so
        lib/lv2/Morvane.lv2/manifest.ttl
        lib/lv2/Morvane.lv2/ui.ttl
        'lib/vst3/Morvane.vst3/Contents/*-linux/Morvane.so'
        share/applications/example.quillon.morvane.desktop
        share/icons/hicolor/scalable/apps/example.quillon.morvane.svg
        share/man/man1/morvane.1
        share/metainfo/example.quillon.morvane.metainfo.xml
    )
    # The factory presets where VST3 hosts look for a plug-in's shared presets.
    while IFS= read -r name; do
        expected+=("share/vst3/presets/Quillon/Morvane Plugin/$name.vstpreset")
    done < <(preset_names "$source_dir")
fi

# Every expected part once, and nothing besides.
check_layout() {
    local label=$1 root=$2 files file pattern matches ok=1
    mapfile -t files < <(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
    for pattern in "${expected[@]}"; do
        matches=0
        for file in "${files[@]}"; do
            # shellcheck disable=SC2053
            [[ $file == $pattern ]] && matches=$((matches + 1))
        done
        [ $matches -eq 1 ] || { fail "$label: $matches files for $pattern"; ok=0; }
    done
    for file in "${files[@]}"; do
        matches=0
        for pattern in "${expected[@]}"; do
            # shellcheck disable=SC2053
            [[ $file == $pattern ]] && matches=1
        done
        [ $matches -eq 1 ] || { fail "$label: unexpected $file"; ok=0; }
    done
    for file in "${files[@]}"; do
        case $file in
            bin/* | lib/morvane/*) [ -x "$root/$file" ] || { fail "$label: $file is not executable"; ok=0; } ;;
            share/* | *.ttl) [ ! -x "$root/$file" ] || { fail "$label: $file is executable"; ok=0; } ;;
        esac
    done
    [ $ok -eq 0 ] || pass "$label: ${#files[@]} files where they belong"
}

prefix=$work/prefix
if ! cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1; then
    cat "$work/install.log"
    fail "cmake --install --prefix failed"
    exit 1
fi
check_layout "--prefix" "$prefix"

stage=$work/stage
if DESTDIR=$stage cmake --install "$build" --prefix /usr > "$work/stage.log" 2>&1; then
    check_layout "DESTDIR with /usr" "$stage/usr"
    outside=$(cd "$stage" && find . -mindepth 1 -maxdepth 1 ! -name usr)
    [ -z "$outside" ] || fail "DESTDIR: installed outside the prefix: $outside"
else
    cat "$work/stage.log"
    fail "cmake --install with DESTDIR failed"
fi

# The installed validator checks the module of its own installation, and says so.
help=$(env HOME="$work/home" "$prefix/bin/morvane-validate" --help)
if grep -qF "here $prefix/lib/lxvst/Morvane.so)" <<< "$help"; then
    pass "morvane-validate --help names the installed module"
else
    fail "morvane-validate --help does not name $prefix/lib/lxvst/Morvane.so:"
    echo "$help"
fi

# The installed renderer runs the installed probe: a stand-in notes the call and hands on.
probe=$prefix/lib/morvane/morvane-probe
mv "$probe" "$probe.real"
printf '#!/bin/sh\ntouch "%s"\nexec "%s" "$@"\n' "$work/probe-ran" "$probe.real" > "$probe"
chmod 755 "$probe"
mkdir -p "$work/render"
if (cd "$work/render" && "$prefix/bin/morvane-render" --plugin "$prefix/lib/lxvst/Morvane.so" \
    --tail 1 -q -o out.wav) && [ -s "$work/render/out.wav" ] && [ -e "$work/probe-ran" ]; then
    pass "morvane-render renders through the installed module after the installed probe"
else
    fail "morvane-render did not render through the installed probe"
fi

# The manual pages show without warnings and know every long option of --help.
show_page() {
    MANWIDTH=250 man --warnings --nh --nj -l "$1" 2> "$work/man-warnings" | col -b
}
declare -A programs=([morvane-render]="$prefix/bin/morvane-render"
    [morvane-validate]="$prefix/bin/morvane-validate")
for name in "${!programs[@]}"; do
    page=$prefix/share/man/man1/$name.1
    text=$(show_page "$page")
    if [ -s "$work/man-warnings" ] || ! grep -q "^NAME" <<< "$text"; then
        fail "man $name: $(cat "$work/man-warnings")"
        continue
    fi
    missing=()
    for option in $(env HOME="$work/home" "${programs[$name]}" --help | grep -oE -- '--[a-z][a-z-]+' |
        sort -u); do
        grep -qF -- "$option" <<< "$text" || missing+=("$option")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        pass "man $name shows and describes every option"
    else
        fail "man $name does not describe ${missing[*]}"
    fi
    grep -qF "Morvane $version" <<< "$text" || fail "man $name does not name version $version"
done

if [ "$formats" = ON ]; then
    text=$(show_page "$prefix/share/man/man1/morvane.1")
    if [ -s "$work/man-warnings" ] || ! grep -q "^NAME" <<< "$text"; then
        fail "man morvane: $(cat "$work/man-warnings")"
    fi

    desktop=$prefix/share/applications/example.quillon.morvane.desktop
    if command -v desktop-file-validate > /dev/null; then
        if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
            pass "desktop-file-validate accepts the desktop entry"
        else
            fail "desktop-file-validate: $out"
        fi
    else
        echo "skip desktop-file-validate is not installed"
    fi
    # The entry starts the installed program and shows the installed icon.
    grep -qx 'Exec=morvane' "$desktop" || fail "the desktop entry does not run morvane"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon named $icon"

    metainfo=$prefix/share/metainfo/example.quillon.morvane.metainfo.xml
    if command -v appstreamcli > /dev/null; then
        if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
            pass "appstreamcli accepts the metainfo"
        else
            fail "appstreamcli: $out"
        fi
    else
        echo "skip appstreamcli is not installed"
    fi
    grep -qF "<release version=\"$version\"" "$metainfo" || fail "the metainfo names no release $version"
fi

# The Debian packages carry the same version as the build.
if command -v dpkg-parsechangelog > /dev/null; then
    packaged=$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)
    [ "$packaged" = "$version" ] || fail "debian/changelog is at $packaged, the build at $version"
fi

finish install_layout
