#!/usr/bin/env bash
# Installs the Debian packages the build and the test suite need, and only
# those that are missing, so that repeated runs cost nothing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    juce-modules-source juce-tools
    libflac-dev libpng-dev libjpeg-dev
    libgtest-dev libbenchmark-dev
    xvfb xauth fonts-dejavu-core
    libx11-dev binutils
    # clang with its sanitizer and libFuzzer runtimes, for `make fuzz`.
    clang libclang-rt-14-dev
    # A real host's plug-in scanner for the VST 2.4 module's tests (about 53 MB to
    # download, 207 MB installed).
    ardour
    # Real VST 2.4 reverbs to measure Morvane against (`--plugin` with `--ir` or `--bench`).
    dragonfly-reverb-vst
    # lilv's tools and library, which load the LV2 bundle in its tests, and the JACK headers the
    # standalone application is built with.
    lilv-utils liblilv-dev libjack-jackd2-dev
)

bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"
