// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "standalone/StandaloneWindow.h"

#include <memory>

namespace morvane
{

/** The standalone application: JUCE's, keeping its settings where JUCE's own keeps them, with
    a window whose options menu offers the factory presets (StandaloneWindow).

    Thread rule: message thread. */
class StandaloneApp : public juce::JUCEApplication
{
public:
    StandaloneApp();

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void anotherInstanceStarted(const juce::String&) override;

    void initialise(const juce::String&) override;
    void shutdown() override;
    void systemRequestedQuit() override;

private:
    juce::ApplicationProperties appProperties;
    std::unique_ptr<StandaloneWindow> mainWindow;
};

} // namespace morvane
