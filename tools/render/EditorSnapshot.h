#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>
#include <utility>
#include <vector>

namespace morvane
{

/** Draws the plug-in's editor, showing given parameter values, with the
    software renderer, so that a picture of it needs no display.

    Message thread only (the thread that runs the tool's main). */
class EditorSnapshot
{
public:
    /** The editor of a fresh processor with the settings applied, drawn at the
        given scale (1 gives 400 x 110 pixels). */
    static juce::Image draw(const std::vector<std::pair<int, float>>& settings, float scale);

    /** Writes the picture as a PNG. The file appears whole or not at all; on
        failure the one-line reason is returned. */
    static std::optional<juce::String> writePng(const juce::Image& image, const juce::File& file);
};

} // namespace morvane
