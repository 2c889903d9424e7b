// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

namespace morvane
{

/** The processor's editor as a child window of the host's window: holds the editor, keeps its
    own size equal to the editor's, and embeds itself in the X11 window the host passes at
    effEditOpen. Destroying it removes the window from the host's.

    Thread rule: message thread only (inside a MessageLoop::HostCall). */
class Vst2EditorWindow : public juce::Component
{
public:
    explicit Vst2EditorWindow(std::unique_ptr<juce::AudioProcessorEditor> editor);
    ~Vst2EditorWindow() override;

    /** Whether windows can be made at all: false without an X display (a headless scanner). */
    static bool isWindowSystemAvailable();

    /** Places the window, mapped, at the top left of the host's window. False when the host's
        window cannot be used. */
    bool attachTo(unsigned long hostWindow);

    juce::Rectangle<int> getEditorBounds() const;

    void paint(juce::Graphics& g) override;
    void childBoundsChanged(juce::Component* child) override;

private:
    std::unique_ptr<juce::AudioProcessorEditor> editor;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(Vst2EditorWindow)
};

} // namespace morvane
