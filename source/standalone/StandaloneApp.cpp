// SPDX-License-Identifier: GPL-3.0-or-later
#include "standalone/StandaloneApp.h"

namespace morvane
{

StandaloneApp::StandaloneApp()
{
    // The same file as JUCE's own application uses, so that settings carry over.
    juce::PropertiesFile::Options options;
    options.applicationName = getApplicationName();
    options.filenameSuffix = ".settings";
    options.folderName = "~/.config";
    appProperties.setStorageParameters(options);
}

const juce::String StandaloneApp::getApplicationName()
{
    return juce::CharPointer_UTF8(JucePlugin_Name);
}

const juce::String StandaloneApp::getApplicationVersion()
{
    return JucePlugin_VersionString;
}

bool StandaloneApp::moreThanOneInstanceAllowed()
{
    return true;
}

void StandaloneApp::anotherInstanceStarted(const juce::String&) {}

void StandaloneApp::initialise(const juce::String&)
{
    mainWindow =
        std::make_unique<StandaloneWindow>(getApplicationName(), appProperties.getUserSettings());
    mainWindow->setVisible(true);
}

void StandaloneApp::shutdown()
{
    mainWindow = nullptr;
    appProperties.saveIfNeeded();
}

void StandaloneApp::systemRequestedQuit()
{
    if (mainWindow != nullptr)
        mainWindow->pluginHolder->savePluginState();

    // A dialog still open (the audio settings, a file chooser) is closed first; the request
    // comes back once it has gone.
    if (juce::ModalComponentManager::getInstance()->cancelAllModalComponents())
    {
        juce::Timer::callAfterDelay(100,
                                    []
                                    {
                                        if (auto* app = juce::JUCEApplicationBase::getInstance())
                                            app->systemRequestedQuit();
                                    });
    }
    else
    {
        quit();
    }
}

} // namespace morvane

juce::JUCEApplicationBase* juce_CreateApplication();
juce::JUCEApplicationBase* juce_CreateApplication()
{
    return new morvane::StandaloneApp();
}
