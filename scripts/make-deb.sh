#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Builds the Debian packages from a copy of the source tree, so that neither the checkout nor
# the folder above it gets the package build's files: the packages, .buildinfo and .changes end
# up in OUT_DIR (`make deb` uses build/deb). To keep the build short, the test suite is not
# built (nocheck), and neither debug information nor its packages are made (noddebs, and -g
# taken out of Debian's compiler flags); DEB_BUILD_OPTIONS adds to that.
#
#   scripts/make-deb.sh OUT_DIR [JOBS]
set -euo pipefail

out=$1
jobs=${2:-$(nproc)}
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

for tool in dpkg-buildpackage dh; do
    if ! command -v $tool > /dev/null; then
        echo "make-deb: $tool is missing: bash scripts/setup.sh --tests installs it" >&2
        exit 1
    fi
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -rf "$out/source" "$out"/*.deb "$out"/*.buildinfo "$out"/*.changes
mkdir "$out/source"

# The files of the checkout as they are now, committed or not; without git, the tree less its
# build folders.
if git -C "$source_dir" rev-parse --is-inside-work-tree > /dev/null 2>&1; then
    (cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' file; do [ ! -e "$file" ] || printf '%s\0' "$file"; done |
        tar --null -T - -cf -) | tar -xf - -C "$out/source"
else
    tar -C "$source_dir" --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$out/source"
fi

start=$(date +%s)
(cd "$out/source" && DEB_BUILD_OPTIONS="nocheck noddebs ${DEB_BUILD_OPTIONS:-}" \
    DEB_CFLAGS_STRIP=-g DEB_CXXFLAGS_STRIP=-g dpkg-buildpackage -us -uc -b -j"$jobs")
echo "make-deb: built in $(($(date +%s) - start)) s:"
ls -l "$out"/*.deb
