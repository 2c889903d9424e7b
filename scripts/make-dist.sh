#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The release archive for other distributions: everything the install rules place, under a
# folder of the archive's own name, with the licence, an INSTALL text that states what the built
# files need from the system, and install.sh.
#
#   scripts/make-dist.sh BUILD_DIR NAME OUT_DIR     (`make dist` runs it)
set -euo pipefail

build=$1
name=$2
out=$3
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/$name

env -u DESTDIR cmake --install "$build" --prefix "$root" > /dev/null
cp "$source_dir/LICENSE" "$root/LICENSE"
cp "$source_dir/packaging/dist/install.sh" "$root/install.sh"
chmod 755 "$root/install.sh"

mapfile -t elves < <(find "$root" -type f -exec sh -c 'head -c 4 "$1" | grep -q ELF' _ {} \; -print |
    sort)
# The build's own strip, which also knows a cross build's architecture.
strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "$build/CMakeCache.txt")
"${strip:-strip}" --strip-unneeded "${elves[@]}"

# What the built files ask of the system, read from their ELF headers (readelf reads every
# architecture, so a cross build reports its own needs).
highest() {
    readelf -V --wide "${elves[@]}" | grep -o "$1_[0-9.]*" | sed "s/^$1_//" | sort -uV | tail -n 1
}
libraries=$(for elf in "${elves[@]}"; do
    readelf -d --wide "$elf" | sed -n "s|.*(NEEDED).*\[\(.*\)\]|\1 ${elf#"$root"/}|p"
done | grep -v -E '^(ld-linux|libc\.so|libm\.so|libdl\.so|libpthread\.so|librt\.so)' | sort -u |
    awk '$1 != library { if (library) print "    " library " (" users ")"; library = $1; users = $2; next }
         { users = users ", " $2 }
         END { if (library) print "    " library " (" users ")" }')
version=${name#morvane-}
version=${version%%-*}
arch=${name##*-}
# shellcheck source=/dev/null
built_on=$(. /etc/os-release 2> /dev/null && echo "${PRETTY_NAME:-Linux}" || echo Linux)

sed -e "s|@VERSION@|$version|" -e "s|@ARCH@|$arch|" -e "s|@GLIBC@|$(highest GLIBC)|" \
    -e "s|@GLIBCXX@|$(highest GLIBCXX)|" -e "s|@BUILT_ON@|$built_on|" \
    "$source_dir/packaging/dist/INSTALL.in" |
    awk -v libraries="$libraries" '$0 == "@LIBRARIES@" { print libraries; next } { print }' \
        > "$root/INSTALL"

# The same files give the same archive: names in order, no owner, one time for every entry.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct 2> /dev/null || date +%s)}
mkdir -p "$out"
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$epoch" -C "$stage" -cf - "$name" |
    gzip -n -9 > "$out/$name.tar.gz"
echo "$out/$name.tar.gz"
