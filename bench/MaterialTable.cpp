// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialTable.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <limits>
#include <set>
#include <sstream>
#include <string>

namespace morvane::bench
{

namespace
{
constexpr int blockSizes[] = {32, 64, 512};

std::string fixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return "-";
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

/** The worst figure against one target, and where it was. */
struct Worst
{
    double value = 0.0;
    std::string where;

    void consider(double candidate, const std::string& place)
    {
        if (std::isfinite(candidate) && candidate > value)
        {
            value = candidate;
            where = place;
        }
    }

    std::string verdict(double limit, int decimals) const
    {
        if (where.empty())
            return "not measured";
        return "worst " + fixed(value, decimals) + " (" + where +
               "): " + (value <= limit ? "met" : "MISSED");
    }
};
} // namespace

void MaterialTable::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs)
    {
        if (run.error_occurred)
            continue;
        for (const auto& [name, counter] : run.counters)
        {
            const auto which = MaterialCase::fromCounter(run.run_name.function_name, name);
            if (!which)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medianNs[*which] = counter.value;
            else if (run.run_type == Run::RT_Iteration)
                runsNs[*which].push_back(counter.value);
        }
    }
    benchmark::ConsoleReporter::ReportRuns(runs);
}

void MaterialTable::Finalize()
{
    benchmark::ConsoleReporter::Finalize();
    print(GetOutputStream());
}

double MaterialTable::nsPerFrame(const MaterialCase& which) const
{
    if (const auto median = medianNs.find(which); median != medianNs.end())
        return median->second;
    const auto runs = runsNs.find(which);
    if (runs == runsNs.end() || runs->second.empty())
        return std::numeric_limits<double>::quiet_NaN();
    auto sorted = runs->second;
    std::sort(sorted.begin(), sorted.end());
    const auto middle = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[middle] : 0.5 * (sorted[middle - 1] + sorted[middle]);
}

void MaterialTable::print(std::ostream& out) const
{
    std::set<EnginePath> paths;
    for (const auto& [which, ns] : medianNs)
        paths.insert(which.path);
    for (const auto& [which, ns] : runsNs)
        paths.insert(which.path);
    if (paths.empty())
        return;

    out << "\nMaterial at 48000 Hz, ns per stereo frame and x stereo noise on the same path and"
           " block size:\n\n"
        << "| material | path | 32 | 64 | 512 | x noise, 32 | x noise, 64 | x noise, 512 |\n"
        << "|---|---|---:|---:|---:|---:|---:|---:|\n";

    Worst material, avx2, smallBlocks;
    for (const Material m : allMaterials)
        for (const EnginePath path : paths)
        {
            const auto measured = [&](int block) {
                return std::isfinite(nsPerFrame({m, path, block}));
            };
            if (!measured(32) && !measured(64) && !measured(512))
                continue;
            out << "| " << Materials::name(m) << " | " << EnginePaths::name(path);
            std::string ratios;
            for (const int block : blockSizes)
            {
                const double ns = nsPerFrame({m, path, block});
                const double ratio = ns / nsPerFrame({Material::stereoNoise, path, block});
                out << " | " << fixed(ns, 1);
                ratios += " | " + fixed(ratio, 2);
                const std::string place = std::string(Materials::name(m)) + ", " +
                                          EnginePaths::name(path) + ", " + std::to_string(block);
                material.consider(ratio, place);
                if (path == EnginePath::avx2 && block == 512)
                    avx2.consider(ns, place);
            }
            smallBlocks.consider(nsPerFrame({m, path, 32}) / nsPerFrame({m, path, 512}),
                                 std::string(Materials::name(m)) + ", " + EnginePaths::name(path));
            out << ratios << " |\n";
        }

    out << "\nEvery material <= " << fixed(materialLimit, 2)
        << " x stereo noise: " << material.verdict(materialLimit, 2) << "\n"
        << "AVX2 in blocks of 512 <= " << fixed(avx2Limit, 0)
        << " ns per frame: " << avx2.verdict(avx2Limit, 1) << "\n"
        << "Blocks of 32 <= " << fixed(smallBlockLimit, 1)
        << " x blocks of 512: " << smallBlocks.verdict(smallBlockLimit, 2) << "\n";
}

} // namespace morvane::bench
