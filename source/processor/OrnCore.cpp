// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnCore.h"

#include "editor/OrnComponent.h"
#include "engine/ParameterShaping.h"
#include "presets/FactoryPresets.h"
#include "processor/ParameterTable.h"
#include "state/OrnStateReader.h"
#include "state/OrnStateWriter.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace morvane
{

namespace
{
// A non-finite sample would circulate in the feedback lines for ever, so the
// engine gets silence in its place; the dry path keeps what the host gave.
inline float finiteOrZero(float x) noexcept
{
    return std::isfinite(x) ? x : 0.0f;
}

// The engine runs on copies of the input in chunks of this many frames, kept on the stack.
constexpr int engineChunk = 256;
} // namespace

OrnCore::OrnCore()
    : juce::AudioProcessor(BusesProperties()
                               .withInput("Input", juce::AudioChannelSet::stereo(), true)
                               .withOutput("Output", juce::AudioChannelSet::stereo(), true))
{
    program = std::make_unique<OrnProgram>();

    const auto currentRate = getSampleRate();

    settings = std::make_unique<EngineSettings>();
    frontEnd = std::make_unique<ReverbFrontEnd>(settings.get());
    frontEnd->create(currentRate > 0.0 ? static_cast<float>(currentRate) : 44100.0f);

    setCurrentProgram(0);
}

OrnCore::~OrnCore()
{
    // The front end and the record point into the settings, so the settings go last.
    frontEnd.reset();
    program.reset();
    settings.reset();
}

const juce::String OrnCore::getName() const
{
    return "Morvane";
}

// Every format announces its rate here on the host's thread (VST 2.4 resume, VST3 and LV2
// activation, the standalone player's start), so the engine for a new rate is built here and
// the first block at it only swaps it in.
void OrnCore::prepareToPlay(double sampleRate, int)
{
    frontEnd->prepare(static_cast<float>(sampleRate));
}

void OrnCore::releaseResources()
{
    frontEnd->releaseRetired();
}

void OrnCore::processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    // Subnormal numbers are flushed to zero for the whole block (FTZ and DAZ on x86, FZ on ARM),
    // and the host's own floating-point mode comes back when the block returns. This is the one
    // place where the engine's arithmetic knowingly leaves plain IEEE: a value that would fall
    // below about 1.2e-38, more than 700 dB below full scale, becomes 0 instead of taking the
    // processor's slow path on every operation, which anti-phase material (whose mono sum
    // cancels the dither) used to do all the time. Wherever no subnormal arises the output is
    // the same bit for bit.
    const juce::ScopedNoDenormals noDenormals;

    if (frontEnd->followRate(static_cast<float>(getSampleRate())))
        reapplyProgram();

    const juce::ScopedLock lock(getCallbackLock());

    const int numSamples = buffer.getNumSamples();

    if (getTotalNumOutputChannels() == 2 && buffer.getNumChannels() >= 2)
    {
        float* left = buffer.getWritePointer(0);
        float* right = buffer.getWritePointer(1);

        // On / Off, Wet and Dry are read once per block and the engine's settings once per
        // chunk, so a change made during a block takes effect with the next one.
        if (settings->get(Parameter::onOff) > 0.5)
        {
            std::array<float, engineChunk> wetLeft;
            std::array<float, engineChunk> wetRight;
            const auto wet = static_cast<float>(settings->get(Parameter::wet));
            const auto dry = static_cast<float>(settings->get(Parameter::dry));

            for (int start = 0; start < numSamples; start += engineChunk)
            {
                const int count = juce::jmin(engineChunk, numSamples - start);
                float* const chunkLeft = left + start;
                float* const chunkRight = right + start;
                for (int n = 0; n < count; ++n)
                {
                    const float noise = frontEnd->nextDither();
                    chunkLeft[n] += noise;
                    chunkRight[n] += noise;
                    wetLeft[static_cast<std::size_t>(n)] = finiteOrZero(chunkLeft[n]);
                    wetRight[static_cast<std::size_t>(n)] = finiteOrZero(chunkRight[n]);
                }

                frontEnd->processBlock(wetLeft.data(), wetRight.data(), count);

                for (int n = 0; n < count; ++n)
                {
                    const auto i = static_cast<std::size_t>(n);
                    chunkLeft[n] = chunkLeft[n] * dry + wetLeft[i] * wet;
                    chunkRight[n] = wetRight[i] * wet + dry * chunkRight[n];
                }
            }
        }
    }

    const int lastChannel = juce::jmin(getTotalNumOutputChannels(), buffer.getNumChannels());
    for (int channel = getTotalNumInputChannels(); channel < lastChannel; ++channel)
        buffer.clear(channel, 0, numSamples);
}

bool OrnCore::isBusesLayoutSupported(const BusesLayout& layouts) const
{
    return layouts.getMainInputChannelSet() == juce::AudioChannelSet::stereo() &&
           layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

const juce::String OrnCore::getInputChannelName(int channelIndex) const
{
    return juce::String(channelIndex + 1);
}

const juce::String OrnCore::getOutputChannelName(int channelIndex) const
{
    return juce::String(channelIndex + 1);
}

bool OrnCore::isInputChannelStereoPair(int) const
{
    return true;
}

bool OrnCore::isOutputChannelStereoPair(int) const
{
    return true;
}

bool OrnCore::silenceInProducesSilenceOut() const
{
    return false;
}

// The real ring-out at the current settings: hosts stop calling a plug-in, or end an export,
// once its tail has passed, and a tail of 0 would cut the reverb off there.
double OrnCore::getTailLengthSeconds() const
{
    return ReverbFrontEnd::decaySeconds(*settings, static_cast<float>(getSampleRate()));
}

bool OrnCore::acceptsMidi() const
{
    return false;
}

bool OrnCore::producesMidi() const
{
    return false;
}

juce::AudioProcessorEditor* OrnCore::createEditor()
{
    return new OrnComponent(*this);
}

bool OrnCore::hasEditor() const
{
    return true;
}

int OrnCore::getNumParameters()
{
    return parameterCount;
}

const juce::String OrnCore::getParameterName(int index)
{
    const auto parameter = parameterAt(index);
    return parameter ? juce::String(ParameterTable::get(*parameter).name) : juce::String();
}

// What VST3 and LV2 hosts key automation and stored sessions on, so it may never change: the
// names the stored state already keeps the values under. An index would not do, since LV2 needs
// a name that starts with a letter.
juce::String OrnCore::getParameterID(int index)
{
    const auto parameter = parameterAt(index);
    return parameter ? juce::String(ParameterTable::get(*parameter).attribute)
                     : juce::String(index);
}

float OrnCore::getParameter(int index)
{
    const auto parameter = parameterAt(index);
    return parameter ? program->getValue(*parameter) : 0.0f;
}

const juce::String OrnCore::getParameterText(int index)
{
    const auto parameter = parameterAt(index);
    return parameter ? formatValue(program->getValue(*parameter)) : juce::String();
}

juce::String OrnCore::formatValue(float value)
{
    if (std::isnan(value))
        return "nan";

    // Two decimals by rounding |value| x 100 to a whole number; magnitudes that
    // do not fit a 64-bit count (infinities included) show as the largest that does.
    const double scaled = std::fabs(static_cast<double>(value)) * 100.0 + 0.5;
    const auto hundredths = scaled < 9.2e18 ? static_cast<std::int64_t>(scaled)
                                            : std::numeric_limits<std::int64_t>::max();

    auto digits = juce::String(hundredths).paddedLeft('0', 3);
    auto text = digits.dropLastCharacters(2) + "." + digits.getLastCharacters(2);
    return value < 0.0f ? "-" + text : text;
}

float OrnCore::getParameterDefaultValue(int index)
{
    return getParameter(index);
}

void OrnCore::setParameter(int index, float newValue)
{
    const auto parameter = parameterAt(index);
    if (!parameter)
        return;

    program->setValue(*parameter, newValue);
    mapParameter(*parameter, *settings, newValue);
    sendChangeMessage();
}

bool OrnCore::isMetaParameter(int) const
{
    return false;
}

// LV2 hosts offer the bundle's presets, which JUCE's LV2 client describes as one per program and
// restores by program number. There, programs 1 and up are the factory presets, so that choosing
// one changes the reverb's character and leaves the mix as the user set it; program 0 and every
// other format keep the one program.
int OrnCore::numFactoryPrograms() const
{
    return wrapperType == wrapperType_LV2 ? static_cast<int>(FactoryPresets::all().size()) : 0;
}

int OrnCore::getNumPrograms()
{
    return 1 + numFactoryPrograms();
}

int OrnCore::getCurrentProgram()
{
    return 0;
}

void OrnCore::setCurrentProgram(int index)
{
    if (index >= 1 && index <= numFactoryPrograms())
    {
        loadFactoryPreset(index - 1);
        return;
    }

    for (const Parameter parameter : allParameters)
    {
        const float value = program->getValue(parameter);
        setParameter(indexOf(parameter), value);
        JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wdeprecated-declarations")
        setParameterNotifyingHost(indexOf(parameter), value);
        JUCE_END_IGNORE_WARNINGS_GCC_LIKE
    }
    sendChangeMessage();
}

void OrnCore::setReapplyListener(ReapplyListener* listener) noexcept
{
    reapplyListener.store(listener, std::memory_order_relaxed);
}

// The program again after a change of engine, with the host told of each value as
// setCurrentProgram tells it, but without what would make the audio thread lock or allocate: the
// values are the ones the record already holds, so no change message goes to the editor (posting
// one locks the message queue), and a client with a listener of its own hears of them there
// rather than through JUCE's listeners and their lock.
void OrnCore::reapplyProgram()
{
    ReapplyListener* const listener = reapplyListener.load(std::memory_order_relaxed);
    for (const Parameter parameter : allParameters)
    {
        const float value = program->getValue(parameter);
        mapParameter(parameter, *settings, value);
        if (listener != nullptr)
            listener->programValueReapplied(indexOf(parameter), value);
        else
            sendParamChangeMessageToListeners(indexOf(parameter), value);
    }
}

void OrnCore::loadFactoryPreset(int presetIndex)
{
    const auto& presets = FactoryPresets::all();
    if (presetIndex < 0 || presetIndex >= static_cast<int>(presets.size()))
        return;
    FactoryPresets::applyCharacter(presets[static_cast<std::size_t>(presetIndex)], *program);
    setCurrentProgram(0);
}

const juce::String OrnCore::getProgramName(int index)
{
    if (index >= 1 && index <= numFactoryPrograms())
        return FactoryPresets::all()[static_cast<std::size_t>(index - 1)].name;
    return "default";
}

void OrnCore::changeProgramName(int, const juce::String& newName)
{
    program->name = newName;
}

void OrnCore::getStateInformation(juce::MemoryBlock& destData)
{
    OrnStateWriter::write(*program, destData);
}

void OrnCore::setStateInformation(const void* data, int sizeInBytes)
{
    const OrnStateReader state(data, sizeInBytes);

    state.applyProgram(*program);
    if (state.reappliesProgram())
        setCurrentProgram(0);
    state.applyControllerMap(*program);

    if (state.sendsChangeMessage())
        sendChangeMessage();
}

void OrnCore::getCurrentProgramStateInformation(juce::MemoryBlock& destData)
{
    getStateInformation(destData);
}

void OrnCore::setCurrentProgramStateInformation(const void* data, int sizeInBytes)
{
    setStateInformation(data, sizeInBytes);
}

} // namespace morvane
