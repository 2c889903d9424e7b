// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialCase.h"

#include <cstdlib>
#include <sstream>
#include <tuple>

namespace morvane::bench
{

namespace
{
constexpr const char* prefix = "materials/";
constexpr const char* blockWord = "block:";
} // namespace

std::string MaterialCase::benchmarkName(EnginePath path, int blockSize)
{
    return std::string(prefix) + EnginePaths::name(path) + "/" + blockWord +
           std::to_string(blockSize);
}

std::optional<MaterialCase> MaterialCase::fromCounter(const std::string& benchmarkName,
                                                      const std::string& counterName)
{
    if (benchmarkName.rfind(prefix, 0) != 0)
        return std::nullopt;
    std::istringstream parts(benchmarkName.substr(std::string(prefix).size()));
    std::string pathName, block;
    if (!std::getline(parts, pathName, '/') || !std::getline(parts, block, '/') ||
        block.rfind(blockWord, 0) != 0)
        return std::nullopt;

    MaterialCase found;
    found.path = EnginePaths::parse(pathName.c_str());
    found.blockSize = std::atoi(block.c_str() + std::string(blockWord).size());
    if (found.path == EnginePath::automatic || found.blockSize <= 0)
        return std::nullopt;
    for (const Material material : allMaterials)
        if (counterName == Materials::key(material))
        {
            found.material = material;
            return found;
        }
    return std::nullopt;
}

bool MaterialCase::operator<(const MaterialCase& other) const noexcept
{
    return std::make_tuple(material, path, blockSize) <
           std::make_tuple(other.material, other.path, other.blockSize);
}

} // namespace morvane::bench
