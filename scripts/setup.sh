#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build needs (`make demo`, `make`), and with --tests also the
# tools only the test suite and the packaging use (`make test`, `make deb`), and only those that
# are missing, so that repeated runs cost nothing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    juce-modules-source juce-tools
    libflac-dev libpng-dev libjpeg-dev
    # The test and benchmark libraries: configuring the build looks for them.
    libgtest-dev libbenchmark-dev
    fonts-dejavu-core
    libx11-dev binutils
    # The JACK headers the standalone application is built with.
    libjack-jackd2-dev
)

test_packages=(
    xvfb xauth
    # clang with its sanitizer and libFuzzer runtimes, for `make fuzz`.
    clang libclang-rt-14-dev
    # A real host's plug-in scanners for the VST 2.4 and VST3 tests (about 53 MB to download,
    # 207 MB installed).
    ardour
    # Real VST 2.4 reverbs to measure Morvane against (`--plugin` with `--ir` or `--bench`).
    dragonfly-reverb-vst
    # lilv's tools and library, which load the LV2 bundle in its tests; LV2's schemas and
    # sord_validate, which check its description.
    lilv-utils liblilv-dev lv2-dev sordi
    # The Debian packages and their checks (`make deb`, the install tests).
    build-essential debhelper dpkg-dev fakeroot lintian desktop-file-utils appstream man-db
)

case ${1:-} in
    "") ;;
    --tests) packages+=("${test_packages[@]}") ;;
    *) echo "setup: unknown option '$1' (--tests adds the test tools)" >&2; exit 2 ;;
esac

bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"
