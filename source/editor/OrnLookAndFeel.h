// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace morvane
{

/** The editor's own look-and-feel. It carries the two caption colours that the
    knobs and the switch look up, so setting them never touches the shared
    default look-and-feel that other plug-ins in the same host process use.
    It also decides which face stands in for "Verdana", the one typeface the
    editor draws with, so that a machine without it still draws the same
    pixels every time.

    Message thread only, like the components that use it; `colour` alone is a
    pure function that any thread may call. */
class OrnLookAndFeel : public juce::LookAndFeel_V4
{
public:
    OrnLookAndFeel();
    ~OrnLookAndFeel() override;

    /** A colour from RGB bytes and a float alpha whose byte is alpha x 255.996,
        truncated: 0.3 gives 76 and 0.7 gives 179, where the toolkit's own
        float constructor would round them to 77 and 178. Alphas outside 0..1,
        NaN included, are held to that range. */
    static juce::Colour colour(juce::uint8 red, juce::uint8 green, juce::uint8 blue,
                               float alpha) noexcept;

    /** "Verdana" where the machine has it, else DejaVu Sans (installed with the
        build's packages), else the toolkit's default sans-serif face. Read once. */
    static const juce::String& getTypefaceName();

    /** The editor's typeface at the given height and style flags. */
    static juce::Font font(float height, int styleFlags = juce::Font::plain);

    /** Labels keep their height and style but draw in the editor's typeface, so
        that the version line does not depend on which other faces are installed. */
    juce::Font getLabelFont(juce::Label& label) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OrnLookAndFeel)
};

} // namespace morvane
