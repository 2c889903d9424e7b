// SPDX-License-Identifier: GPL-3.0-or-later
#include "DefaultModule.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace morvane::validate
{

namespace
{
std::string inFolder(const std::string& folder, const char* relative)
{
    return (std::filesystem::path(folder) / relative).lexically_normal().string();
}
} // namespace

std::vector<std::string> DefaultModule::candidates(const std::string& programFolder,
                                                   const std::string& home)
{
    std::vector<std::string> places{inFolder(programFolder, MORVANE_INSTALLED_MODULE),
                                    inFolder(programFolder, MORVANE_BUILT_MODULE)};
    if (!home.empty())
        places.push_back(inFolder(home, ".vst/Morvane.so"));
    return places;
}

std::string DefaultModule::choose(const std::vector<std::string>& candidates)
{
    for (const auto& place : candidates)
    {
        std::error_code error;
        if (std::filesystem::is_regular_file(place, error))
            return place;
    }
    return candidates.empty() ? std::string() : candidates.front();
}

std::string DefaultModule::forThisProgram()
{
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto folder = error ? std::filesystem::current_path(error) : program.parent_path();
    const char* home = std::getenv("HOME");
    return choose(candidates(folder.string(), home != nullptr ? home : ""));
}

} // namespace morvane::validate
