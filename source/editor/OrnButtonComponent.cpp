// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/OrnButtonComponent.h"

#include "editor/OrnLookAndFeel.h"
#include "engine/Parameters.h"

namespace morvane
{

OrnButtonComponent::OrnButtonComponent() : juce::Button("Default") {}

OrnButtonComponent::~OrnButtonComponent() = default;

void OrnButtonComponent::configure(const juce::String& name)
{
    setName(name);
    setClickingTogglesState(true);
    getProperties().set("index", indexOf(Parameter::onOff));
    setWantsKeyboardFocus(false);
}

void OrnButtonComponent::paintButton(juce::Graphics& g, bool, bool)
{
    const auto rgba = &OrnLookAndFeel::colour;

    const int w = getWidth();
    const int h = getHeight();
    const int halfW = w / 2;
    const int halfH = h / 2;
    const auto width = static_cast<float>(w);
    const bool on = getToggleState();

    g.setColour(findColour(buttonCaptionColourId, false));
    g.setFont(OrnLookAndFeel::font(14.0f));
    g.drawText(getName(), 0, h - 16, w, 10, juce::Justification::horizontallyCentred, false);

    // How far the lamp sits above the middle.
    const int lift = 7;

    const int bx = halfW - 17;
    const int by = halfH - 19;
    const auto left = static_cast<float>(bx);
    const auto top = static_cast<float>(by);

    // Off, the switch stands proud: its shadow is darker and reaches further.
    const float shadowNear = (on ? 0.01f : 0.015f) * width;
    const float shadowFar = (on ? 0.32f : 0.35f) * width;
    g.setGradientFill(juce::ColourGradient(
        rgba(0, 0, 0, on ? 0.2f : 0.3f), static_cast<float>(halfW) + shadowNear,
        static_cast<float>(halfH) + shadowNear, rgba(0, 0, 0, 0.0f),
        static_cast<float>(halfW) + shadowFar, static_cast<float>(halfH) + shadowFar, true));
    g.fillRect(getLocalBounds());

    g.setColour(rgba(0, 0, 0, 1.0f));
    g.fillRoundedRectangle(left, top, 34.0f, 25.0f, 2.0f);

    const auto light = rgba(70, 70, 70, 1.0f);
    const auto dark = rgba(50, 50, 50, 1.0f);
    g.setGradientFill(juce::ColourGradient(on ? dark : light, left, top, on ? light : dark,
                                           left + 34.0f, top + 25.0f, false));
    g.fillRoundedRectangle(left + 1.0f, top + 1.0f, 32.0f, 23.0f, 2.0f);

    g.setGradientFill(juce::ColourGradient(dark, left, top, rgba(60, 60, 60, 1.0f), left + 34.0f,
                                           top + 25.0f, false));
    g.fillRoundedRectangle(left + 3.0f, top + 3.0f, 28.0f, 19.0f, 2.0f);

    const int lx = halfW - 7;
    const int ly = static_cast<int>(static_cast<double>(halfH - lift - 3) - 0.3 * lift);

    g.setColour(on ? rgba(200, 60, 50, 1.0f) : rgba(80, 60, 50, 1.0f));
    g.fillRect(lx, ly, 14, 6);
    g.setColour(rgba(0, 0, 0, 0.2f));
    g.drawRect(lx + 1, ly + 1, 12, 4, 1);
    g.setColour(rgba(0, 0, 0, 1.0f));
    g.drawRect(lx, ly, 14, 6, 1);

    if (on)
    {
        const auto glowX = static_cast<float>(halfW);
        const auto glowY = static_cast<float>(static_cast<double>(halfH - lift) - 0.3 * lift);
        g.setGradientFill(juce::ColourGradient(rgba(255, 100, 0, 0.6f), glowX, glowY,
                                               rgba(255, 100, 0, 0.0f), glowX + 10.0f, glowY,
                                               true));
        g.fillRect(getLocalBounds());
    }
}

} // namespace morvane
