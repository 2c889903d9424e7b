// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plugin/MessageLoop.h"
#include "processor/OrnCore.h"
#include "vst2/Vst2Interface.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace morvane
{

class Vst2EditorWindow;

/** One plug-in instance as a VST 2.4 host sees it: owns the processor and the descriptor handed
    to the host, turns each host request into the processor operation it stands for, and tells
    the host about parameter changes and gestures that come from the plug-in's side.

    Thread rule: processReplacing runs on the host's audio thread under the processor's
    callback lock. Editor requests and effClose run inside a MessageLoop::HostCall, which makes
    the calling thread the message thread. Parameter, program and chunk requests may come from
    any thread and take no lock beyond the chunk copy's. */
class Vst2Client : private juce::AudioProcessorListener, private OrnCore::ReapplyListener
{
public:
    Vst2Client(vst2::HostCallback host, std::unique_ptr<juce::AudioProcessor> processor);
    ~Vst2Client() override;

    vst2::AEffect* getEffect() noexcept { return &effect; }

    /** Samples processed in one piece at most, whatever the host's block size; larger host
        blocks are handled in pieces so that nothing is allocated on the audio thread. */
    static constexpr int maxPieceLength = 8192;

private:
    static std::intptr_t dispatcherCallback(vst2::AEffect* effect, std::int32_t opcode,
                                            std::int32_t index, std::intptr_t value, void* ptr,
                                            float opt);
    static void processReplacingCallback(vst2::AEffect* effect, float** inputs, float** outputs,
                                         std::int32_t sampleFrames);
    static void processDoubleReplacingCallback(vst2::AEffect* effect, double** inputs,
                                               double** outputs, std::int32_t sampleFrames);
    static void setParameterCallback(vst2::AEffect* effect, std::int32_t index, float value);
    static float getParameterCallback(vst2::AEffect* effect, std::int32_t index);

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                           float opt);
    std::intptr_t intoHost(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                           float opt);

    void close();
    void resume();
    void suspend();
    void processReplacing(float** inputs, float** outputs, int numFrames);

    std::intptr_t getChunk(bool currentProgramOnly, void* ptr);
    std::intptr_t setChunk(bool currentProgramOnly, std::intptr_t size, const void* data);
    std::intptr_t getPinProperties(bool isInput, std::int32_t index, void* ptr);
    std::intptr_t setSpeakerArrangement(std::intptr_t inputArrangement, void* outputArrangement);
    std::intptr_t getTailSize();
    static std::intptr_t canDo(const char* text);

    std::intptr_t getEditorRect(void* ptr);
    std::intptr_t openEditor(void* parentWindow);
    std::intptr_t closeEditor();
    bool makeEditorWindow();
    void deleteEditorWindow();

    double resumeSampleRate() const noexcept;
    int resumeBlockSize() const noexcept;
    std::int32_t computeFlags();

    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value) override;
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override;
    void audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index) override;
    void programValueReapplied(int index, float value) noexcept override;

    // First member: JUCE must outlive everything else here.
    MessageLoop::Instance messageLoop;

    vst2::HostCallback host;
    std::unique_ptr<juce::AudioProcessor> processor;
    vst2::AEffect effect{};

    std::atomic<double> hostSampleRate{0.0};
    std::atomic<int> hostBlockSize{0};
    std::atomic<bool> resumed{false};
    std::atomic<bool> bypassed{false};

    // Audio thread only, sized at resume.
    juce::AudioBuffer<float> scratch;
    juce::MidiBuffer midiMessages;

    std::atomic<bool> arrangementAccepted{false};
    std::atomic<std::int32_t> inputArrangementType{vst2::kSpeakerArrStereo};
    std::atomic<std::int32_t> outputArrangementType{vst2::kSpeakerArrStereo};

    // The host may read the chunk until it asks for the next one or closes the instance.
    std::mutex chunkLock;
    juce::MemoryBlock chunk;

    std::unique_ptr<Vst2EditorWindow> editorWindow;
    vst2::ERect editorRect{};
    bool editorOpen = false;

    JUCE_DECLARE_NON_COPYABLE(Vst2Client)
};

} // namespace morvane
