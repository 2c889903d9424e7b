#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs those of the Debian packages named on the command line that are not installed yet, so
# that repeated runs cost nothing. A name may carry an architecture (libpng-dev:arm64); a name
# without one means the machine's own architecture, or a package for every architecture. Once a
# second architecture is added, a package installed for that one alone does not count for the
# machine's own.
set -euo pipefail

native=$(dpkg --print-architecture)
missing=()
for p in "$@"; do
    name=${p%%:*}
    arch=$native
    if [ "$name" != "$p" ]; then
        arch=${p#*:}
    fi
    if ! dpkg-query -W -f='${Status} ${Architecture}\n' "$name" 2>/dev/null |
        grep -q -E "^install ok installed ($arch|all)\$"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
else
    sudo=
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
