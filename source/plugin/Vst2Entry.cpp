// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugin/MessageLoop.h"
#include "plugin/Vst2Client.h"
#include "vst2/Vst2Interface.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

namespace
{

std::unique_ptr<juce::AudioProcessor> createProcessor()
{
    juce::PluginHostType::jucePlugInClientCurrentWrapperType =
        juce::AudioProcessor::wrapperType_VST;
    juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_VST);
    std::unique_ptr<juce::AudioProcessor> processor(createPluginFilter());
    juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_Undefined);
    return processor;
}

morvane::vst2::AEffect* createInstance(morvane::vst2::HostCallback audioMaster)
{
    if (audioMaster == nullptr)
        return nullptr;

    // Nothing may escape into a host written in C.
    try
    {
        if (audioMaster(nullptr, morvane::vst2::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;

        // JUCE has to be running while the processor is made; the client keeps it running.
        const morvane::MessageLoop::Instance juceRunning;

        auto processor = createProcessor();
        if (processor == nullptr)
            return nullptr;

        auto client = std::make_unique<morvane::Vst2Client>(audioMaster, std::move(processor));
        return client.release()->getEffect();
    }
    catch (...)
    {
        return nullptr;
    }
}

} // namespace

// The two names hosts look for; everything else in the module is hidden.
extern "C" __attribute__((visibility("default"))) morvane::vst2::AEffect*
VSTPluginMain(morvane::vst2::HostCallback audioMaster);

extern "C" __attribute__((visibility("default"))) morvane::vst2::AEffect*
morvaneMain(morvane::vst2::HostCallback audioMaster) asm("main");

morvane::vst2::AEffect* VSTPluginMain(morvane::vst2::HostCallback audioMaster)
{
    return createInstance(audioMaster);
}

morvane::vst2::AEffect* morvaneMain(morvane::vst2::HostCallback audioMaster)
{
    return createInstance(audioMaster);
}
