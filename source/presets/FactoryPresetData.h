// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace morvane
{

/** One preset file of presets/, built into the program byte for byte (the build writes the
    definitions with cmake/MorvanePresetData.cmake). Any thread: constant data. */
struct EmbeddedPresetFile
{
    const char* fileName;
    const unsigned char* bytes;
    std::size_t size;
};

/** In the order of their file names. */
extern const EmbeddedPresetFile embeddedPresetFiles[];
extern const std::size_t embeddedPresetFileCount;

} // namespace morvane
