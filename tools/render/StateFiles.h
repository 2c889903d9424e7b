#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <optional>

namespace morvane
{

/** Stored states as files: the exact bytes a host keeps in its project.

    The processor itself accepts any bytes (a chunk it cannot read changes
    nothing), which would let a mistyped file name or a file of another
    kind render silently with the factory sound. Reading a file therefore
    insists that it is a state this plug-in can read: it starts with "VC2!"
    and its document has the root "orn".

    Thread rule: message thread only (the processor's state calls). */
class StateFiles
{
public:
    /** Restores the processor from the file; on failure, returns the reason
        and leaves the processor untouched. */
    static std::optional<juce::String> load(const juce::File& file,
                                            juce::AudioProcessor& processor);

    /** Writes the processor's state; the file appears only when it is complete. */
    static std::optional<juce::String> save(juce::AudioProcessor& processor,
                                            const juce::File& file);
};

} // namespace morvane
