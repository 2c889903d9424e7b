// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/OrnKnobComponent.h"

#include "editor/OrnLookAndFeel.h"

#include <cmath>

namespace morvane
{

namespace
{
constexpr float travel = 4.71f;
} // namespace

OrnKnobComponent::OrnKnobComponent() = default;

OrnKnobComponent::~OrnKnobComponent() = default;

void OrnKnobComponent::configure(const juce::String& name, Parameter parameter)
{
    // The index goes first: the editor's callbacks look for it as soon as
    // anything about the slider changes.
    getProperties().set("index", indexOf(parameter));
    setName(name);
    setTextBoxStyle(juce::Slider::NoTextBox, false, 0, 0);
    setSliderStyle(juce::Slider::RotaryVerticalDrag);
    setRange(0.0, 1.0, 0.0000001);
    setMouseDragSensitivity(200);
    setWantsKeyboardFocus(false);
}

float OrnKnobComponent::angleForValue(double value) noexcept
{
    const double held = std::isnan(value) ? 0.0 : juce::jlimit(0.0, 1.0, value);
    return static_cast<float>(held * static_cast<double>(travel) - static_cast<double>(halfTravel));
}

void OrnKnobComponent::paint(juce::Graphics& g)
{
    const auto rgba = &OrnLookAndFeel::colour;

    const int w = getWidth();
    const int h = getHeight();
    const double width = w;

    // The caption box is 10 pixels high and the text 14: with no vertical
    // justification the text hangs from the box's top edge.
    g.setColour(findColour(juce::Slider::textBoxTextColourId));
    g.setFont(OrnLookAndFeel::font(14.0f));
    g.drawText(getName(), 0, h - 13, w, 10, juce::Justification::horizontallyCentred, false);

    const int cx = w / 2;
    const int cy = static_cast<int>(width * 0.37142857142857144);
    const double ringRadius = width * 0.36;
    const auto ringLeft = static_cast<float>(cx - ringRadius);
    const auto ringTop = static_cast<float>(cy - ringRadius);
    const auto ringSide = static_cast<float>(2.0 * width * 0.36);
    const float angle = angleForValue(getValue());

    juce::Path track;
    track.addPieSegment(ringLeft, ringTop, ringSide, ringSide, -halfTravel, halfTravel, 0.2f);
    g.setColour(rgba(100, 100, 100, 0.7f));
    g.fillPath(track);

    juce::Path arc;
    arc.addPieSegment(ringLeft, ringTop, ringSide, ringSide, -halfTravel, angle, 0.2f);
    g.setColour(rgba(160, 22, 20, 0.7f));
    g.fillPath(arc);

    // The shadow sits on the component's vertical middle, not on the knob, and
    // falls over the ring as well.
    const auto halfW = static_cast<float>(w / 2);
    const auto halfH = static_cast<float>(h / 2);
    const auto shadowNear = static_cast<float>(0.1 * width);
    const auto shadowFar = static_cast<float>(0.31 * width);
    g.setGradientFill(juce::ColourGradient(rgba(0, 0, 0, 0.7f), halfW + shadowNear,
                                           halfH + shadowNear, rgba(0, 0, 0, 0.0f),
                                           halfW + shadowFar, halfH + shadowFar, true));
    g.fillRect(getLocalBounds());

    const auto centreX = static_cast<float>(cx);
    const auto centreY = static_cast<float>(cy);

    const auto bodyRadius = static_cast<float>(width * 0.26);
    g.setColour(rgba(5, 5, 5, 1.0f));
    g.fillEllipse(centreX - bodyRadius, centreY - bodyRadius, 2.0f * bodyRadius, 2.0f * bodyRadius);

    const int q = static_cast<int>(width * 0.25);
    const juce::Rectangle<float> face(static_cast<float>(cx - q), static_cast<float>(cy - q),
                                      static_cast<float>(2 * q), static_cast<float>(2 * q));
    g.setGradientFill(juce::ColourGradient(rgba(220, 220, 220, 1.0f), 0.0f, 0.0f,
                                           rgba(50, 50, 50, 1.0f), 1.1f * centreX, 1.1f * centreY,
                                           true));
    g.fillEllipse(face);
    g.setColour(rgba(0, 0, 0, 0.5f));
    g.drawEllipse(face, 1.0f);

    const int q2 = static_cast<int>(width * 0.22);
    const juce::Rectangle<float> cap(static_cast<float>(cx - q2), static_cast<float>(cy - q2),
                                     static_cast<float>(2 * q2), static_cast<float>(2 * q2));
    g.setGradientFill(juce::ColourGradient(rgba(30, 30, 30, 1.0f), static_cast<float>(cx / 2),
                                           static_cast<float>(cy / 2), rgba(50, 50, 50, 1.0f),
                                           centreX + 20.0f, centreY + 20.0f, false));
    g.fillEllipse(cap);
    g.setColour(rgba(0, 0, 0, 0.1f));
    g.drawEllipse(cap, 1.0f);

    // The pointer runs from 30 % of the cap's radius to its edge. B is taken
    // as a positive root, so its sign is chosen by which half the angle is in.
    const auto capRadius = static_cast<float>(q2);
    const float a = std::sin(angle) * capRadius;
    const float b = std::sqrt(juce::jmax(0.0f, capRadius * capRadius - a * a));
    const float up = (angle > -1.57f && angle < 1.57f) ? -1.0f : 1.0f;
    g.setColour(rgba(255, 255, 255, 0.8f));
    g.drawLine(centreX + 0.3f * a, centreY + up * 0.3f * b, centreX + a, centreY + up * b, 4.0f);
}

} // namespace morvane
