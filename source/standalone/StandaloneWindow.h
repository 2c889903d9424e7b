// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_plugin_client/juce_audio_plugin_client.h>
#include <juce_audio_utils/juce_audio_utils.h>

#include <juce_audio_plugin_client/Standalone/juce_StandaloneFilterWindow.h>

namespace morvane
{

/** The standalone application's window: JUCE's, with the editor as every format shows it, whose
    options menu also offers the factory presets.

    Thread rule: message thread. */
class StandaloneWindow : public juce::StandaloneFilterWindow
{
public:
    StandaloneWindow(const juce::String& title, juce::PropertySet* settings);

private:
    // The options button's menu: JUCE's four items, then the factory presets.
    void buttonClicked(juce::Button*) override;
    void menuItemChosen(int itemId);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(StandaloneWindow)
};

} // namespace morvane
