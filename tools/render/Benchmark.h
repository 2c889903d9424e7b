// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RenderSource.h"

#include "Material.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace morvane
{

/** How fast a render source processes each kind of material (Material) at a given rate, in
    blocks of a given size, timed over several runs.

    Every material plays through a source of its own, made and prepared once, so that its
    states hold what that material makes of them and nothing another one left behind. A steady
    material first plays Materials::settleSeconds untimed, then each run times the next `seconds`
    of it; the two that end in a minute of silence are timed whole in every run, from their
    sound to the end of the minute. The runs take the materials in turn, each run starting one
    further along the list, so that whatever disturbs the machine falls on all of them alike; the
    median of a material's runs is its figure, and stereo noise in the same run the yardstick.
    The material is made a second at a time outside the timing; only the processing is timed,
    with what a host does around it (copying the block in and out).

    Thread rule: one thread at a time, the sources'. */
class Benchmark
{
public:
    struct MaterialResult
    {
        Material material = Material::stereoNoise;
        std::vector<double> nsPerFrame; // one per run, in the order run
        double medianNsPerFrame = 0.0;
        /** The median of its runs against stereo noise in the same run. */
        double ratioToNoise = 0.0;
    };

    struct Result
    {
        double sampleRate = 0.0;
        int blockSize = 0;
        double seconds = 0.0;
        int runs = 0;
        /** In the order of allMaterials, stereo noise first. */
        std::vector<MaterialResult> materials;
        /** Stereo noise's median, and the seconds of it processed per second from that. */
        double medianNsPerFrame = 0.0;
        double realTimeFactor = 0.0;
    };

    /** A fresh source, set up as the command asks; null when it cannot be made. */
    using SourceMaker = std::function<std::unique_ptr<RenderSource>()>;

    static double median(std::vector<double> values);

    /** Empty when a source could not be made. */
    static std::optional<Result> run(const SourceMaker& makeSource, double sampleRate,
                                     int blockSize, double seconds, int runs);
};

} // namespace morvane
