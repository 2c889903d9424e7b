// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/OrnComponent.h"

#include "engine/Parameters.h"
#include "processor/OrnCore.h"

#include <array>
#include <cmath>
#include <optional>

namespace morvane
{

namespace
{
constexpr int editorWidth = 400;
constexpr int editorHeight = 110;

// The parameter a control drives, from the host index it carries.
std::optional<Parameter> parameterOf(const juce::Component& control)
{
    if (const auto* index = control.getProperties().getVarPointer("index"))
        return parameterAt(static_cast<int>(*index));
    return std::nullopt;
}

// A NaN kept by a slider would turn every later drag into NaN as well, so it
// shows as 0. Values outside 0..1 the slider itself holds at the nearer end.
double shownValue(float parameterValue) noexcept
{
    return std::isnan(parameterValue) ? 0.0 : static_cast<double>(parameterValue);
}
} // namespace

OrnComponent::OrnComponent(OrnCore& core) : juce::AudioProcessorEditor(core)
{
    setLookAndFeel(&lookAndFeel);
    setSize(editorWidth, editorHeight);

    onOffButton.configure("On");
    onOffButton.setBounds(3, 28, 60, 57);
    onOffButton.addListener(this);
    addAndMakeVisible(onOffButton);

    // "Lo-Cut" drives the input high-pass and stands left of "Hi-Cut", which
    // drives the low-pass; later knobs lie on top where neighbours overlap.
    struct Placement
    {
        OrnKnobComponent* knob;
        const char* caption;
        Parameter parameter;
        int x;
    };
    const Placement placements[] = {
        {&wetKnob, "Wet", Parameter::wet, 58},
        {&dryKnob, "Dry", Parameter::dry, 108},
        {&delayKnob, "Delay", Parameter::delay, 178},
        {&sizeKnob, "Size", Parameter::size, 228},
        {&loCutKnob, "Lo-Cut", Parameter::highPass, 278},
        {&hiCutKnob, "Hi-Cut", Parameter::lowPass, 328},
    };
    for (const auto& placement : placements)
    {
        placement.knob->configure(placement.caption, placement.parameter);
        placement.knob->setBounds(placement.x, 28, 60, 54);
        placement.knob->addListener(this);
        addAndMakeVisible(*placement.knob);
    }

    versionLabel.setText("Morvane " MORVANE_VERSION_STRING, juce::dontSendNotification);
    versionLabel.setBounds(0, getHeight() - 27, getWidth(), 20);
    versionLabel.setJustificationType(juce::Justification::centred);
    versionLabel.setColour(juce::Label::textColourId, OrnLookAndFeel::colour(250, 250, 250, 0.5f));
    versionLabel.setColour(juce::Label::outlineColourId, OrnLookAndFeel::colour(0, 0, 0, 0.0f));
    versionLabel.setColour(juce::Label::backgroundColourId, OrnLookAndFeel::colour(0, 0, 0, 0.0f));
    versionLabel.setEditable(false);
    addAndMakeVisible(versionLabel);

    getCore().addChangeListener(this);
    updateControls();
}

OrnComponent::~OrnComponent()
{
    // First, so that a change message still pending cannot reach a half-destroyed editor.
    getCore().removeChangeListener(this);
    setLookAndFeel(nullptr);
}

OrnCore& OrnComponent::getCore() noexcept
{
    // The only constructor takes an OrnCore.
    return static_cast<OrnCore&>(processor);
}

void OrnComponent::paint(juce::Graphics& g)
{
    g.fillAll(OrnLookAndFeel::colour(30, 20, 5, 1.0f));

    const int w = getWidth();
    const int h = getHeight();
    drawPanel(g, "MORVANE", 6.0f, 4.0f, static_cast<float>(w - 8), static_cast<float>(h - 8),
              w - 14, OrnLookAndFeel::colour(200, 200, 200, 1.0f),
              OrnLookAndFeel::colour(0, 0, 0, 0.0f));
}

void OrnComponent::drawPanel(juce::Graphics& g, const juce::String& title, float x, float y,
                             float width, float height, int titleWidth, juce::Colour outline,
                             juce::Colour fill)
{
    const juce::Rectangle<float> frame(x + 1.0f, y + 1.0f, width - 6.0f, height - 2.0f);

    g.setColour(fill);
    g.fillRoundedRectangle(frame, 4.0f);
    g.setColour(outline);
    g.drawRoundedRectangle(frame, 4.0f, 2.0f);

    if (title.isEmpty())
        return;

    g.fillRoundedRectangle(x + 1.0f, y + 1.0f, static_cast<float>(titleWidth), 15.0f, 4.0f);
    g.setColour(OrnLookAndFeel::colour(5, 5, 5, 1.0f));
    g.setFont(OrnLookAndFeel::font(14.0f, juce::Font::bold));
    // The title's box starts at x 4 wherever the panel is; for the editor's
    // panel at x 6 that centres the title over its bar.
    g.drawText(title, 4, static_cast<int>(y + 1.0f), titleWidth, 12, juce::Justification::centred,
               false);
}

void OrnComponent::resized()
{
    repaint();
}

void OrnComponent::changeListenerCallback(juce::ChangeBroadcaster*)
{
    updateControls();
}

void OrnComponent::updateControls()
{
    std::array<float, parameterCount> values{};
    {
        const juce::ScopedLock lock(processor.getCallbackLock());
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
        for (const Parameter parameter : allParameters)
            values[static_cast<size_t>(indexOf(parameter))] =
                processor.getParameter(indexOf(parameter));
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    }
    const auto valueOf = [&values](Parameter parameter)
    { return values[static_cast<size_t>(indexOf(parameter))]; };

    onOffButton.setToggleState(valueOf(Parameter::onOff) > 0.5f, juce::dontSendNotification);

    for (auto* knob : {&wetKnob, &dryKnob, &delayKnob, &sizeKnob, &hiCutKnob, &loCutKnob})
        if (const auto parameter = parameterOf(*knob))
            knob->setValue(shownValue(valueOf(*parameter)), juce::dontSendNotification);
}

void OrnComponent::sliderValueChanged(juce::Slider* slider)
{
    if (const auto parameter = parameterOf(*slider))
    {
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
        processor.setParameterNotifyingHost(indexOf(*parameter),
                                            static_cast<float>(slider->getValue()));
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    }
}

void OrnComponent::sliderDragStarted(juce::Slider* slider)
{
    if (const auto parameter = parameterOf(*slider))
    {
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
        processor.beginParameterChangeGesture(indexOf(*parameter));
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    }
}

void OrnComponent::sliderDragEnded(juce::Slider* slider)
{
    if (const auto parameter = parameterOf(*slider))
    {
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
        processor.endParameterChangeGesture(indexOf(*parameter));
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    }
}

void OrnComponent::buttonClicked(juce::Button* button)
{
    if (const auto parameter = parameterOf(*button))
    {
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
        processor.setParameterNotifyingHost(indexOf(*parameter),
                                            button->getToggleState() ? 1.0f : 0.0f);
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    }
}

} // namespace morvane
