#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the 64-bit ARM cross build and its tests under emulation need, and only what is
# missing: Debian's cross compiler and user-mode emulator for this machine, and the arm64
# libraries the build links, beside the machine's own through multiarch. The machine's own
# set-up (scripts/setup.sh) comes first: the cross build uses its CMake, JUCE and tools.
set -euo pipefail

native=$(dpkg --print-architecture)
if [ "$native" = arm64 ]; then
    echo "setup-arm64: this machine is arm64 already; build it with 'make demo' and 'make test'" >&2
    exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    echo "setup-arm64: adding the arm64 architecture to dpkg"
    if [ "$(id -u)" -ne 0 ]; then
        sudo dpkg --add-architecture arm64
    else
        dpkg --add-architecture arm64
    fi
fi

packages=(
    # The cross compiler, its binutils (objdump for the object checks) and the emulator.
    g++-aarch64-linux-gnu binutils-aarch64-linux-gnu qemu-user
    # pkg-config's arm64 wrapper, and what JUCE's modules and the project link.
    pkgconf:arm64
    libfreetype-dev:arm64 libasound2-dev:arm64 libjack-jackd2-dev:arm64
    libflac-dev:arm64 libpng-dev:arm64 libjpeg-dev:arm64 zlib1g-dev:arm64 libx11-dev:arm64
    # The test programs, the benchmarks and the LV2 host test.
    libgtest-dev:arm64 libbenchmark-dev:arm64 liblilv-dev:arm64
)

bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"
