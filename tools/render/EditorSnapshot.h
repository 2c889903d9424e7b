// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

namespace morvane
{

class OrnCore;

/** Draws the plug-in's editor, showing given parameter values, with the
    software renderer, so that a picture of it needs no display.

    Message thread only (the thread that runs the tool's main). */
class EditorSnapshot
{
public:
    /** The processor's editor, showing its current values, drawn at the given
        scale (1 gives 400 x 110 pixels). */
    static juce::Image draw(OrnCore& processor, float scale);

    /** Writes the picture as a PNG. The file appears whole or not at all; on
        failure the one-line reason is returned. */
    static std::optional<juce::String> writePng(const juce::Image& image, const juce::File& file);
};

} // namespace morvane
