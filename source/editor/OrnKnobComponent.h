// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Parameters.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace morvane
{

/** The rotary knob for one continuous parameter: a slider that keeps all of
    the toolkit's value and mouse handling and draws itself with vector
    graphics, its caption (the component name) under the knob. It knows
    nothing of the processor; it carries its parameter index in the component
    property "index", which the editor reads in its listener callbacks.

    Message thread only. */
class OrnKnobComponent : public juce::Slider
{
public:
    /** Half the travel, in radians either side of 12 o'clock. */
    static constexpr float halfTravel = 2.355f;

    OrnKnobComponent();
    ~OrnKnobComponent() override;

    /** The one-time set-up: caption, parameter (kept as its host index), a
        0..1 range in steps of 1e-7, vertical drag over 200 pixels for the whole
        range, no text box and no keyboard focus. */
    void configure(const juce::String& name, Parameter parameter);

    void paint(juce::Graphics& g) override;

    /** The pointer angle for a value, 0 at 12 o'clock and clockwise positive:
        -2.355 at 0, +2.355 at 1. Values outside 0..1 are drawn at the nearer
        end and NaN at 0, so whatever reaches the slider draws on the travel. */
    static float angleForValue(double value) noexcept;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OrnKnobComponent)
};

} // namespace morvane
