// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RenderSource.h"

#include <optional>

namespace morvane
{

/** Stored states as files: the exact bytes a host keeps in its project.

    What counts as a readable state is the source's business: Morvane in
    this process refuses a file that is not its own state (not starting with
    "VC2!", or without an "orn" document), rather than rendering silently
    with the factory sound; a module is handed the bytes as they are.

    Thread rule: the source's thread (one at a time). */
class StateFiles
{
public:
    /** Restores the source from the file; on failure, returns the reason
        and leaves the source untouched. */
    static std::optional<juce::String> load(const juce::File& file, RenderSource& source);

    /** Writes the source's state; the file appears only when it is complete. A source
        that keeps no state is an error, not an empty file. */
    static std::optional<juce::String> save(RenderSource& source, const juce::File& file);
};

} // namespace morvane
