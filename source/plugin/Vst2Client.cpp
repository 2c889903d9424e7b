// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugin/Vst2Client.h"

#include "plugin/PluginIdentity.h"
#include "plugin/Vst2EditorWindow.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace morvane
{

namespace
{

constexpr double fallbackSampleRate = 44100.0;
constexpr int fallbackBlockSize = 1024;
// Longest text read from a host's zero-terminated string, so that a missing terminator cannot
// send the read through the host's memory.
constexpr std::size_t maxHostTextBytes = 256;

Vst2Client* clientOf(vst2::AEffect* effect) noexcept
{
    return effect != nullptr ? static_cast<Vst2Client*>(effect->object) : nullptr;
}

void writeText(void* destination, const juce::String& text, std::size_t maxBytes)
{
    if (destination != nullptr)
        text.copyToUTF8(static_cast<char*>(destination), maxBytes);
}

juce::String readText(const void* source)
{
    const auto* text = static_cast<const char*>(source);
    return juce::String::fromUTF8(text, static_cast<int>(strnlen(text, maxHostTextBytes)));
}

} // namespace

// The index-based parameter interface is the one a VST 2.4 host speaks.
JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")

Vst2Client::Vst2Client(vst2::HostCallback hostCallback,
                       std::unique_ptr<juce::AudioProcessor> processorToWrap)
    : host(hostCallback), processor(std::move(processorToWrap))
{
    processor->enableAllBuses();
    processor->setPlayConfigDetails(identity::numInputs, identity::numOutputs, 0.0, 0);

    // Allocated here so that not even a host that processes without a resume makes the audio
    // thread allocate.
    scratch.setSize(identity::numInputs, maxPieceLength);
    midiMessages.ensureSize(256);

    effect.magic = vst2::effectMagic;
    effect.dispatcher = dispatcherCallback;
    effect.process = processReplacingCallback;
    effect.setParameter = setParameterCallback;
    effect.getParameter = getParameterCallback;
    effect.numPrograms = juce::jmax(1, processor->getNumPrograms());
    effect.numParams = processor->getNumParameters();
    effect.numInputs = identity::numInputs;
    effect.numOutputs = identity::numOutputs;
    effect.flags = computeFlags();
    effect.initialDelay = processor->getLatencySamples();
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = identity::uniqueId;
    effect.version = identity::versionCode;
    effect.processReplacing = processReplacingCallback;
    effect.processDoubleReplacing = processDoubleReplacingCallback;

    processor->addListener(this);
    if (auto* core = dynamic_cast<OrnCore*>(processor.get()))
        core->setReapplyListener(this);
}

Vst2Client::~Vst2Client()
{
    close();
}

std::int32_t Vst2Client::computeFlags()
{
    std::int32_t flags = vst2::effFlagsCanReplacing | vst2::effFlagsProgramChunks;
    if (processor->hasEditor())
        flags |= vst2::effFlagsHasEditor;
    // Hosts that honour this flag stop calling a plug-in whose input is silent, which is only
    // right when nothing rings on.
    if (processor->getTailLengthSeconds() == 0.0)
        flags |= vst2::effFlagsNoSoundInStop;
    return flags;
}

void Vst2Client::close()
{
    deleteEditorWindow();

    if (processor != nullptr)
    {
        if (auto* core = dynamic_cast<OrnCore*>(processor.get()))
            core->setReapplyListener(nullptr);
        processor->removeListener(this);
        processor.reset();
    }

    const std::lock_guard<std::mutex> guard(chunkLock);
    chunk.reset();
}

//==============================================================================
std::intptr_t Vst2Client::dispatcherCallback(vst2::AEffect* effect, std::int32_t opcode,
                                             std::int32_t index, std::intptr_t value, void* ptr,
                                             float opt)
{
    auto* client = clientOf(effect);
    if (client == nullptr)
        return 0;

    try
    {
        if (opcode == vst2::effClose)
        {
            // The editor and the processor go on the message thread; when this is the last
            // instance, JUCE shuts down on it too.
            const MessageLoop::HostCall call;
            delete client;
            return 1;
        }

        return client->dispatch(opcode, index, value, ptr, opt);
    }
    catch (...)
    {
        return 0;
    }
}

void Vst2Client::processReplacingCallback(vst2::AEffect* effect, float** inputs, float** outputs,
                                          std::int32_t sampleFrames)
{
    if (auto* client = clientOf(effect))
    {
        try
        {
            client->processReplacing(inputs, outputs, sampleFrames);
        }
        catch (...)
        {
        }
    }
}

void Vst2Client::processDoubleReplacingCallback(vst2::AEffect*, double**, double**, std::int32_t) {}

void Vst2Client::setParameterCallback(vst2::AEffect* effect, std::int32_t index, float value)
{
    if (auto* client = clientOf(effect))
        client->processor->setParameter(index, value);
}

float Vst2Client::getParameterCallback(vst2::AEffect* effect, std::int32_t index)
{
    auto* client = clientOf(effect);
    return client != nullptr ? client->processor->getParameter(index) : 0.0f;
}

std::intptr_t Vst2Client::intoHost(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                   void* ptr, float opt)
{
    return host != nullptr ? host(&effect, opcode, index, value, ptr, opt) : 0;
}

//==============================================================================
std::intptr_t Vst2Client::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                   void* ptr, float opt)
{
    using namespace vst2;

    switch (opcode)
    {
        case effOpen:
            effect.flags = processor->hasEditor() ? (effect.flags | effFlagsHasEditor)
                                                  : (effect.flags & ~effFlagsHasEditor);
            return 0;

        case effSetProgram:
            // Hosts send -1 for "no particular program"; with one program that
            // re-applies it, as 0 does. Numbers past the bank are dropped.
            if (value < processor->getNumPrograms())
                processor->setCurrentProgram(0);
            return 0;

        case effGetProgram:
            return processor->getNumPrograms() > 0 ? processor->getCurrentProgram() : 0;

        case effSetProgramName:
            if (ptr != nullptr)
                processor->changeProgramName(processor->getCurrentProgram(), readText(ptr));
            return 0;

        case effGetProgramName:
            writeText(ptr, processor->getProgramName(processor->getCurrentProgram()),
                      programNameBytes);
            return 0;

        case effGetProgramNameIndexed:
            if (ptr == nullptr || index >= processor->getNumPrograms())
                return 0;
            writeText(ptr, processor->getProgramName(index), programNameBytes);
            return 1;

        case effGetParamLabel:
            writeText(ptr, processor->getParameterLabel(index), paramTextBytes);
            return 0;

        case effGetParamDisplay:
            writeText(ptr, processor->getParameterText(index), paramTextBytes);
            return 0;

        case effGetParamName:
            writeText(ptr, processor->getParameterName(index), paramNameBytes);
            return 0;

        case effCanBeAutomated:
            return processor->isParameterAutomatable(index) ? 1 : 0;

        case effSetSampleRate:
            hostSampleRate.store(static_cast<double>(opt), std::memory_order_relaxed);
            return 0;

        case effSetBlockSize:
            hostBlockSize.store(static_cast<int>(juce::jlimit<std::intptr_t>(
                                    0, std::numeric_limits<int>::max(), value)),
                                std::memory_order_relaxed);
            return 0;

        case effMainsChanged:
            if (value != 0)
                resume();
            else
                suspend();
            return 0;

        case effEditGetRect:
            return getEditorRect(ptr);

        case effEditOpen:
            return openEditor(ptr);

        case effEditClose:
            return closeEditor();

        case effEditIdle:
            // Without an open editor anywhere, the shared dispatch thread already does this.
            if (!MessageLoop::isDispatchThreadRunning())
            {
                const MessageLoop::HostCall call;
                MessageLoop::dispatchPending();
            }
            return 0;

        case effIdentify:
            return identifyAnswer;

        case effGetChunk:
            return getChunk(index != 0, ptr);

        case effSetChunk:
            return setChunk(index != 0, value, ptr);

        case effProcessEvents:
            return 0;

        case effGetInputProperties:
            return getPinProperties(true, index, ptr);

        case effGetOutputProperties:
            return getPinProperties(false, index, ptr);

        case effGetPlugCategory:
            return identity::category;

        case effSetSpeakerArrangement:
            return setSpeakerArrangement(value, ptr);

        case effGetSpeakerArrangement:
            if (value != 0)
                *reinterpret_cast<VstSpeakerArrangement**>(value) = nullptr;
            if (ptr != nullptr)
                *static_cast<VstSpeakerArrangement**>(ptr) = nullptr;
            return 0;

        case effSetBypass:
            bypassed.store(value != 0, std::memory_order_relaxed);
            return 1;

        case effGetEffectName:
        case effGetProductString:
            writeText(ptr, identity::pluginName, nameBytes);
            return 1;

        case effGetVendorString:
            writeText(ptr, identity::vendorName, nameBytes);
            return 1;

        case effGetVendorVersion:
            return identity::vendorVersion;

        case effCanDo:
            return canDo(static_cast<const char*>(ptr));

        case effGetTailSize:
            return getTailSize();

        case effGetVstVersion:
            return vstVersion;

        case effGetNumMidiInputChannels:
        case effGetNumMidiOutputChannels:
        default:
            return 0;
    }
}

std::intptr_t Vst2Client::canDo(const char* text)
{
    if (text == nullptr)
        return 0;

    struct Answer
    {
        const char* text;
        std::intptr_t answer;
    };

    static constexpr Answer answers[] = {
        {"receiveVstEvents", -1},  {"receiveVstMidiEvent", -1},  {"receiveVstMidiEvents", -1},
        {"sendVstEvents", -1},     {"sendVstMidiEvent", -1},     {"sendVstMidiEvents", -1},
        {"receiveVstTimeInfo", 1}, {"conformsToWindowRules", 1}, {"bypass", 1},
        {"openCloseAnyThread", -1}};

    for (const auto& entry : answers)
        if (std::strcmp(text, entry.text) == 0)
            return entry.answer;

    return 0;
}

std::intptr_t Vst2Client::getTailSize()
{
    const double seconds = processor->getTailLengthSeconds();
    if (!(seconds > 0.0))
        return 0;

    const double samples = seconds * resumeSampleRate();
    constexpr auto largest = std::numeric_limits<std::int32_t>::max();
    return samples >= static_cast<double>(largest) ? largest : static_cast<std::int32_t>(samples);
}

//==============================================================================
double Vst2Client::resumeSampleRate() const noexcept
{
    const double rate = hostSampleRate.load(std::memory_order_relaxed);
    return std::isfinite(rate) && rate > 0.0 ? rate : fallbackSampleRate;
}

int Vst2Client::resumeBlockSize() const noexcept
{
    const int size = hostBlockSize.load(std::memory_order_relaxed);
    return size > 0 ? size : fallbackBlockSize;
}

void Vst2Client::resume()
{
    const double rate = resumeSampleRate();
    const int blockSize = resumeBlockSize();

    const juce::ScopedLock lock(processor->getCallbackLock());
    processor->setPlayConfigDetails(identity::numInputs, identity::numOutputs, rate, blockSize);
    processor->prepareToPlay(rate, blockSize);
    effect.initialDelay = processor->getLatencySamples();
    resumed.store(true, std::memory_order_relaxed);
}

void Vst2Client::suspend()
{
    const juce::ScopedLock lock(processor->getCallbackLock());
    processor->releaseResources();
    resumed.store(false, std::memory_order_relaxed);
}

void Vst2Client::processReplacing(float** inputs, float** outputs, int numFrames)
{
    if (numFrames <= 0 || outputs == nullptr)
        return;

    if (!resumed.load(std::memory_order_relaxed))
        resume();

    const juce::ScopedLock lock(processor->getCallbackLock());

    const auto pieceBytes = [](int n) { return static_cast<std::size_t>(n) * sizeof(float); };

    if (processor->isSuspended())
    {
        for (int channel = 0; channel < identity::numOutputs; ++channel)
            if (outputs[channel] != nullptr)
                std::memset(outputs[channel], 0, pieceBytes(numFrames));
        return;
    }

    // Every piece goes through the scratch channels: the host's inputs are read completely
    // before any output is written, so in-place and crossed channel pointers (output 0 being
    // input 1) come out the same as separate ones.
    for (int offset = 0; offset < numFrames;)
    {
        const int n = juce::jmin(numFrames - offset, scratch.getNumSamples());

        for (int channel = 0; channel < identity::numInputs; ++channel)
        {
            float* destination = scratch.getWritePointer(channel);
            const float* source = inputs != nullptr ? inputs[channel] : nullptr;
            if (source != nullptr)
                std::memcpy(destination, source + offset, pieceBytes(n));
            else
                std::memset(destination, 0, pieceBytes(n));
        }

        juce::AudioBuffer<float> piece(scratch.getArrayOfWritePointers(), identity::numInputs, n);

        if (bypassed.load(std::memory_order_relaxed))
            processor->processBlockBypassed(piece, midiMessages);
        else
            processor->processBlock(piece, midiMessages);

        midiMessages.clear();

        for (int channel = 0; channel < identity::numOutputs; ++channel)
            if (outputs[channel] != nullptr)
                std::memcpy(outputs[channel] + offset, scratch.getReadPointer(channel),
                            pieceBytes(n));

        offset += n;
    }
}

//==============================================================================
std::intptr_t Vst2Client::getChunk(bool currentProgramOnly, void* ptr)
{
    if (ptr == nullptr)
        return 0;

    juce::MemoryBlock state;
    if (currentProgramOnly)
        processor->getCurrentProgramStateInformation(state);
    else
        processor->getStateInformation(state);

    const std::lock_guard<std::mutex> guard(chunkLock);
    chunk = std::move(state);
    *static_cast<void**>(ptr) = chunk.getSize() > 0 ? chunk.getData() : nullptr;
    return static_cast<std::intptr_t>(chunk.getSize());
}

std::intptr_t Vst2Client::setChunk(bool currentProgramOnly, std::intptr_t size, const void* data)
{
    // The copy handed out at the last effGetChunk stays: hosts pass it straight back.
    if (data == nullptr || size <= 0 || size > std::numeric_limits<int>::max())
        return 0;

    if (currentProgramOnly)
        processor->setCurrentProgramStateInformation(data, static_cast<int>(size));
    else
        processor->setStateInformation(data, static_cast<int>(size));
    return 0;
}

std::intptr_t Vst2Client::getPinProperties(bool isInput, std::int32_t index, void* ptr)
{
    if (ptr == nullptr || index < 0 ||
        index >= (isInput ? identity::numInputs : identity::numOutputs))
        return 0;

    auto& pin = *static_cast<vst2::VstPinProperties*>(ptr);
    const auto name =
        isInput ? processor->getInputChannelName(index) : processor->getOutputChannelName(index);
    writeText(pin.label, name, vst2::pinLabelBytes);
    writeText(pin.shortLabel, name, vst2::pinShortLabelBytes);

    if (arrangementAccepted.load(std::memory_order_relaxed))
    {
        pin.flags = vst2::kVstPinUseSpeaker;
        pin.arrangementType = isInput ? inputArrangementType.load(std::memory_order_relaxed)
                                      : outputArrangementType.load(std::memory_order_relaxed);
    }
    else
    {
        const bool stereo = isInput ? processor->isInputChannelStereoPair(index)
                                    : processor->isOutputChannelStereoPair(index);
        pin.flags = vst2::kVstPinIsActive | (stereo ? vst2::kVstPinIsStereo : 0);
        pin.arrangementType = vst2::kSpeakerArrMono;
    }
    return 1;
}

std::intptr_t Vst2Client::setSpeakerArrangement(std::intptr_t inputArrangement,
                                                void* outputArrangement)
{
    const auto* in = reinterpret_cast<const vst2::VstSpeakerArrangement*>(inputArrangement);
    const auto* out = static_cast<const vst2::VstSpeakerArrangement*>(outputArrangement);

    if (in == nullptr || out == nullptr || in->numChannels != identity::numInputs ||
        out->numChannels != identity::numOutputs)
        return 0;

    {
        const juce::ScopedLock lock(processor->getCallbackLock());
        processor->setPlayConfigDetails(identity::numInputs, identity::numOutputs,
                                        processor->getSampleRate(), processor->getBlockSize());
    }

    inputArrangementType.store(in->type, std::memory_order_relaxed);
    outputArrangementType.store(out->type, std::memory_order_relaxed);
    arrangementAccepted.store(true, std::memory_order_relaxed);
    return 1;
}

//==============================================================================
bool Vst2Client::makeEditorWindow()
{
    if (editorWindow != nullptr)
        return true;

    if (!processor->hasEditor() || !Vst2EditorWindow::isWindowSystemAvailable())
        return false;

    std::unique_ptr<juce::AudioProcessorEditor> editor(processor->createEditorIfNeeded());
    if (editor == nullptr)
        return false;

    editorWindow = std::make_unique<Vst2EditorWindow>(std::move(editor));
    return true;
}

void Vst2Client::deleteEditorWindow()
{
    if (editorOpen)
    {
        editorOpen = false;
        MessageLoop::editorClosed();
    }
    editorWindow.reset();
}

std::intptr_t Vst2Client::getEditorRect(void* ptr)
{
    if (ptr == nullptr)
        return 0;

    const MessageLoop::HostCall call;
    if (!makeEditorWindow())
        return 0;

    const auto bounds = editorWindow->getEditorBounds();
    editorRect = {0, 0, static_cast<std::int16_t>(bounds.getHeight()),
                  static_cast<std::int16_t>(bounds.getWidth())};
    *static_cast<vst2::ERect**>(ptr) = &editorRect;
    return 1;
}

std::intptr_t Vst2Client::openEditor(void* parentWindow)
{
    const MessageLoop::HostCall call;

    // A second open without a close moves the editor to the new parent.
    if (editorOpen)
        deleteEditorWindow();

    if (!makeEditorWindow())
        return 0;

    if (!editorWindow->attachTo(reinterpret_cast<unsigned long>(parentWindow)))
    {
        deleteEditorWindow();
        return 0;
    }

    editorOpen = true;
    MessageLoop::editorOpened();
    return 1;
}

std::intptr_t Vst2Client::closeEditor()
{
    const MessageLoop::HostCall call;
    deleteEditorWindow();
    return 0;
}

//==============================================================================
void Vst2Client::audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value)
{
    intoHost(vst2::audioMasterAutomate, index, 0, nullptr, value);
}

// The program re-applied at a new rate reaches the host as the listeners' notices do, from the
// audio thread, without the lock the listeners take.
void Vst2Client::programValueReapplied(int index, float value) noexcept
{
    intoHost(vst2::audioMasterAutomate, index, 0, nullptr, value);
}

void Vst2Client::audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) {}

void Vst2Client::audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index)
{
    intoHost(vst2::audioMasterBeginEdit, index, 0, nullptr, 0.0f);
}

void Vst2Client::audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index)
{
    intoHost(vst2::audioMasterEndEdit, index, 0, nullptr, 0.0f);
}

JUCE_END_IGNORE_WARNINGS_GCC_LIKE

} // namespace morvane
