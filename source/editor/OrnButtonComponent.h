// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace morvane
{

/** The on/off switch for the On / Off parameter: a toggle button drawn as a small
    hardware switch with a lamp that glows red when on and stays dull brown
    when off, its caption (the component name) under the housing. Hovering
    and pressing do not change its look; only the toggle state does. It
    carries its parameter index in the component property "index".

    Message thread only. */
class OrnButtonComponent : public juce::Button
{
public:
    /** The caption's colour identifier, looked up on the look-and-feel; the
        toolkit defines no colour under this number. */
    static constexpr int buttonCaptionColourId = 0x6E;

    OrnButtonComponent();
    ~OrnButtonComponent() override;

    /** The one-time set-up: caption, clicking toggles the state, the On / Off
        parameter's index, no keyboard focus. */
    void configure(const juce::String& name);

protected:
    void paintButton(juce::Graphics& g, bool isMouseOver, bool isButtonDown) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OrnButtonComponent)
};

} // namespace morvane
