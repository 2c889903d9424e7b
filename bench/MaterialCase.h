// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Material.h"
#include "engine/EnginePath.h"

#include <optional>
#include <string>

namespace morvane::bench
{

/** One material benchmark: a material through the processor on one engine path in blocks of one
    size, at 48 kHz. Its benchmark name says which ("material/anti-phase/avx2/block:512"), so the
    material table can tell the runs apart.

    Thread rule: plain value. */
struct MaterialCase
{
    static constexpr double sampleRate = 48000.0;

    Material material = Material::stereoNoise;
    EnginePath path = EnginePath::scalar;
    int blockSize = 512;

    std::string benchmarkName() const;
    static std::optional<MaterialCase> fromBenchmarkName(const std::string& name);

    bool operator<(const MaterialCase& other) const noexcept;
};

} // namespace morvane::bench
