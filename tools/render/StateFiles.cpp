#include "StateFiles.h"

#include "processor/OrnStateReader.h"

#include <cstring>
#include <limits>

namespace morvane
{

std::optional<juce::String> StateFiles::load(const juce::File& file,
                                             juce::AudioProcessor& processor)
{
    const auto path = "'" + file.getFullPathName() + "'";
    if (!file.existsAsFile())
        return "no state file " + path;

    juce::MemoryBlock chunk;
    if (!file.loadFileAsData(chunk))
        return "cannot read the state file " + path;

    if (chunk.getSize() > static_cast<size_t>(std::numeric_limits<int>::max()))
        return path + " is far too large for a Morvane state";

    const auto size = static_cast<int>(chunk.getSize());
    if (size <= 8 || std::memcmp(chunk.getData(), "VC2!", 4) != 0)
        return path + " is not a Morvane state (it does not start with VC2!)";

    if (!OrnStateReader(chunk.getData(), size).hasStateDocument())
        return path + " starts like a Morvane state but holds no readable <orn> document";

    processor.setStateInformation(chunk.getData(), size);
    return std::nullopt;
}

std::optional<juce::String> StateFiles::save(juce::AudioProcessor& processor,
                                             const juce::File& file)
{
    juce::MemoryBlock chunk;
    processor.getStateInformation(chunk);

    if (!file.getParentDirectory().createDirectory() ||
        !file.replaceWithData(chunk.getData(), chunk.getSize()))
        return "cannot write the state file '" + file.getFullPathName() + "'";
    return std::nullopt;
}

} // namespace morvane
