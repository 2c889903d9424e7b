// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/EngineSettings.h"
#include "engine/ReverbFrontEnd.h"
#include "processor/OrnProgram.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <cstddef>
#include <memory>

namespace morvane
{

/** The audio processor: owns the program record, the engine settings and the
    engine's front end, answers the host's parameter, program and state
    requests, and runs the reverb sample by sample in its audio callback.

    Thread rules: processBlock runs on the audio thread, which alone touches
    the current engine and the dither state. prepareToPlay and
    releaseResources run on the host's thread; they hand engines to the audio
    thread and take back the ones it replaced without a lock (see
    ReverbFrontEnd). Parameter, program and state calls may come from any
    thread; they share values with the audio thread only through atomics,
    never through a lock. */
class OrnCore : public juce::AudioProcessor, public juce::ChangeBroadcaster
{
public:
    /** Hears, on the audio thread, of each value the first block at a new rate re-applies. */
    class ReapplyListener
    {
    public:
        virtual void programValueReapplied(int index, float value) noexcept = 0;

    protected:
        ~ReapplyListener() = default;
    };

    OrnCore();
    ~OrnCore() override;

    /** Host thread, before the blocks: a client that tells its host of the re-applied values
        itself sets one, and they no longer go through JUCE's listeners, which take a lock of
        their own on the audio thread. Null gives them back to the listeners. */
    void setReapplyListener(ReapplyListener* listener) noexcept;

    const juce::String getName() const override;
    void prepareToPlay(double sampleRate, int estimatedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;
    bool isBusesLayoutSupported(const BusesLayout& layouts) const override;

    const juce::String getInputChannelName(int channelIndex) const override;
    const juce::String getOutputChannelName(int channelIndex) const override;
    bool isInputChannelStereoPair(int index) const override;
    bool isOutputChannelStereoPair(int index) const override;
    bool silenceInProducesSilenceOut() const override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumParameters() override;
    using juce::AudioProcessor::getParameterName;
    using juce::AudioProcessor::getParameterText;
    const juce::String getParameterName(int index) override;
    juce::String getParameterID(int index) override;
    float getParameter(int index) override;
    const juce::String getParameterText(int index) override;
    float getParameterDefaultValue(int index) override;
    void setParameter(int index, float newValue) override;
    bool isMetaParameter(int index) const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    void changeProgramName(int index, const juce::String& newName) override;

    void getStateInformation(juce::MemoryBlock& destData) override;
    void setStateInformation(const void* data, int sizeInBytes) override;
    void getCurrentProgramStateInformation(juce::MemoryBlock& destData) override;
    void setCurrentProgramStateInformation(const void* data, int sizeInBytes) override;

    /** Gives the program the factory preset's name, category and character (Delay, Size, Low
        Pass, High Pass) and applies it; On / Off, Wet and Dry stay. An index outside the list
        changes nothing. Any thread, like the host's program calls. */
    void loadFactoryPreset(int presetIndex);

    /** The program record, for the stored state and for tests. */
    OrnProgram& getProgram() noexcept { return *program; }

    /** The shaped settings the engine and the mixer read. */
    const EngineSettings& getEngineSettings() const noexcept { return *settings; }

    /** How many subnormal numbers the engine holds, for checks; only while
        no block runs. */
    std::size_t countEngineSubnormals() const noexcept { return frontEnd->countSubnormals(); }

    /** Formats a normalised value the way the host displays it: two decimals. */
    static juce::String formatValue(float value);

private:
    int numFactoryPrograms() const;
    void reapplyProgram();

    std::unique_ptr<OrnProgram> program;
    std::unique_ptr<ReverbFrontEnd> frontEnd;
    std::unique_ptr<EngineSettings> settings;
    std::atomic<ReapplyListener*> reapplyListener{nullptr};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(OrnCore)
};

} // namespace morvane
