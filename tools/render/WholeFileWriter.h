// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <optional>

namespace morvane
{

// Writes a file through a temporary file beside it and renames it into place, so a failure at
// any point leaves either the old file or none, never a partial one.
// Thread rule: any thread.
class WholeFileWriter
{
public:
    // `write` fills the stream and returns an error text, or nothing on success. `what` names the
    // content in the error when the destination is a folder ("the picture", "the figures").
    using Content = std::function<std::optional<juce::String>(juce::OutputStream&)>;

    static std::optional<juce::String> write(const juce::File& file, const juce::String& what,
                                             const Content& content);
};

} // namespace morvane
