// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/OrnButtonComponent.h"
#include "editor/OrnKnobComponent.h"
#include "editor/OrnLookAndFeel.h"

#include <juce_audio_processors/juce_audio_processors.h>

namespace morvane
{

class OrnCore;

/** The plug-in's editor: a fixed 400 x 110 window with the on/off switch and
    six knobs on a framed dark panel. Control gestures become parameter
    changes that the host is told about; change messages from the processor
    make it re-read every parameter and set the controls silently, so a
    refresh never travels back to the host.

    Message thread only: construction, destruction, painting and every
    callback. The processor may send its change messages from any thread; the
    broadcaster delivers them here on the message thread. */
class OrnComponent : public juce::AudioProcessorEditor,
                     public juce::ChangeListener,
                     public juce::Slider::Listener,
                     public juce::Button::Listener
{
public:
    explicit OrnComponent(OrnCore& processor);
    ~OrnComponent() override;

    void paint(juce::Graphics& g) override;
    void resized() override;

    void changeListenerCallback(juce::ChangeBroadcaster* source) override;
    void sliderValueChanged(juce::Slider* slider) override;
    void sliderDragStarted(juce::Slider* slider) override;
    void sliderDragEnded(juce::Slider* slider) override;
    void buttonClicked(juce::Button* button) override;

    /** Brings every control to the processor's current values without
        notifying anyone. The values are read together under the processor's
        callback lock, which is released before any control is touched. */
    void updateControls();

    /** A rounded panel outlined 2 pixels wide, with an optional title bar in
        the outline colour carrying the title in dark bold text. */
    static void drawPanel(juce::Graphics& g, const juce::String& title, float x, float y,
                          float width, float height, int titleWidth, juce::Colour outline,
                          juce::Colour fill = juce::Colours::transparentBlack);

private:
    OrnCore& getCore() noexcept;

    // Declared first so that it outlives every control drawn with it.
    OrnLookAndFeel lookAndFeel;

    OrnButtonComponent onOffButton;
    OrnKnobComponent wetKnob;
    OrnKnobComponent dryKnob;
    OrnKnobComponent delayKnob;
    OrnKnobComponent sizeKnob;
    OrnKnobComponent hiCutKnob;
    OrnKnobComponent loCutKnob;
    juce::Label versionLabel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OrnComponent)
};

} // namespace morvane
