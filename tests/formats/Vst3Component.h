// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_core/juce_core.h>

#include <optional>

namespace Steinberg::Vst
{
class IComponent;
}

namespace morvane::test
{

/** The plug-in's VST3 component, made from the built bundle's module as a VST3 host makes it:
    the module opened and entered, the component created from the module's factory by the class
    ID a preset file or a project names, and initialised. Its state goes in and comes out as
    the bytes a host keeps in a project or a preset file.

    Thread rule: one thread, the test's. */
class Vst3Component
{
public:
    /** classId: the 32 hexadecimal digits of a VST3 preset file's header. */
    Vst3Component(const juce::File& module, const juce::String& classId);
    ~Vst3Component();
    Vst3Component(const Vst3Component&) = delete;
    Vst3Component& operator=(const Vst3Component&) = delete;

    /** Empty when the component is ready; otherwise what went wrong. */
    const juce::String& problem() const { return failure; }

    bool setState(const juce::MemoryBlock& state);
    std::optional<juce::MemoryBlock> getState();

private:
    void* library = nullptr;
    bool entered = false;
    Steinberg::Vst::IComponent* component = nullptr;
    juce::String failure;
};

} // namespace morvane::test
