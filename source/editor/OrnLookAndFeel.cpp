// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/OrnLookAndFeel.h"

#include "editor/OrnButtonComponent.h"

#include <cmath>

namespace morvane
{

OrnLookAndFeel::OrnLookAndFeel()
{
    const auto caption = colour(250, 250, 250, 0.8f);
    setColour(OrnButtonComponent::buttonCaptionColourId, caption);
    setColour(juce::Slider::textBoxTextColourId, caption);
}

OrnLookAndFeel::~OrnLookAndFeel() = default;

juce::Colour OrnLookAndFeel::colour(juce::uint8 red, juce::uint8 green, juce::uint8 blue,
                                    float alpha) noexcept
{
    const float held = std::isnan(alpha) ? 0.0f : juce::jlimit(0.0f, 1.0f, alpha);
    return juce::Colour(red, green, blue, static_cast<juce::uint8>(held * 255.996f));
}

const juce::String& OrnLookAndFeel::getTypefaceName()
{
    static const juce::String name = []
    {
        const auto available = juce::Font::findAllTypefaceNames();
        for (const char* candidate : {"Verdana", "DejaVu Sans"})
            if (available.contains(candidate))
                return juce::String(candidate);
        return juce::Font::getDefaultSansSerifFontName();
    }();
    return name;
}

juce::Font OrnLookAndFeel::font(float height, int styleFlags)
{
    return juce::Font(getTypefaceName(), height, styleFlags);
}

juce::Font OrnLookAndFeel::getLabelFont(juce::Label& label)
{
    const auto& requested = label.getFont();
    return font(requested.getHeight(), requested.getStyleFlags());
}

} // namespace morvane
