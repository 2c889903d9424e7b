// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Material.h"
#include "engine/EnginePath.h"

#include <optional>
#include <string>

namespace morvane::bench
{

/** One figure of the material table: a material through the processor on one engine path in
    blocks of one size, at 48 kHz. The benchmark of a path and block size says which in its name
    ("materials/avx2/block:512") and reports each material as a counter named by its key, so the
    table can tell the figures apart.

    Thread rule: plain value. */
struct MaterialCase
{
    static constexpr double sampleRate = 48000.0;

    Material material = Material::stereoNoise;
    EnginePath path = EnginePath::scalar;
    int blockSize = 512;

    static std::string benchmarkName(EnginePath path, int blockSize);

    /** The case a benchmark's counter stands for, if it is one of a material benchmark. */
    static std::optional<MaterialCase> fromCounter(const std::string& benchmarkName,
                                                   const std::string& counterName);

    bool operator<(const MaterialCase& other) const noexcept;
};

} // namespace morvane::bench
