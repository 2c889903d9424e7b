# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for 64-bit ARM Linux on a Debian machine of another architecture, with Debian's
# cross compiler and the arm64 libraries installed beside the native ones through multiarch
# (scripts/setup-arm64.sh installs both):
#
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
#
# Programs built here run under qemu-aarch64 in user mode, which CMake uses for test discovery,
# for ctest and for the build step that writes the LV2 bundle's description.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Multiarch puts the arm64 libraries and their .pc files in the machine's own /usr, so there is no
# separate root to search; this wrapper reads the arm64 .pc files only.
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config for arm64")

# The cross toolchain's C library comes with its own loader; a program started through the
# emulator takes both from there, so that the loader and the C library always belong together.
set(CMAKE_CROSSCOMPILING_EMULATOR
    qemu-aarch64 -L /usr/aarch64-linux-gnu -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib)

# JUCE's build tool (juceaide) runs on the build machine, so the JUCE package is the build
# machine's own; the modules it points to are the same sources on every architecture.
if(NOT DEFINED JUCE_DIR)
    file(GLOB build_machine_juce "/usr/lib/${CMAKE_HOST_SYSTEM_PROCESSOR}-linux-gnu/cmake/JUCE-*")
    if(build_machine_juce)
        list(GET build_machine_juce 0 build_machine_juce)
        set(JUCE_DIR "${build_machine_juce}" CACHE PATH "The build machine's JUCE package")
    endif()
endif()
