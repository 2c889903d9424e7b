// SPDX-License-Identifier: GPL-3.0-or-later
#include "StateFiles.h"

#include <limits>

namespace morvane
{

std::optional<juce::String> StateFiles::load(const juce::File& file, RenderSource& source)
{
    const auto path = "'" + file.getFullPathName() + "'";
    if (!file.existsAsFile())
        return "no state file " + path;

    juce::MemoryBlock chunk;
    if (!file.loadFileAsData(chunk))
        return "cannot read the state file " + path;

    if (chunk.getSize() > static_cast<size_t>(std::numeric_limits<int>::max()))
        return path + " is far too large for a state";

    if (auto refusal = source.setState(chunk))
        return path + ": " + *refusal;
    return std::nullopt;
}

std::optional<juce::String> StateFiles::save(RenderSource& source, const juce::File& file)
{
    const auto chunk = source.getState();
    if (chunk.isEmpty())
        return "the processor keeps no state to write to '" + file.getFullPathName() + "'";

    if (!file.getParentDirectory().createDirectory() ||
        !file.replaceWithData(chunk.getData(), chunk.getSize()))
        return "cannot write the state file '" + file.getFullPathName() + "'";
    return std::nullopt;
}

} // namespace morvane
