// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModuleSource.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace morvane
{

namespace
{
constexpr double tempo = 120.0;
constexpr int beatsPerBar = 4;
} // namespace

host::HostAnswers ModuleSource::answers()
{
    host::HostAnswers answers;
    answers.processLevel = vst2::processLevelOffline;
    answers.vendor = "Quillon";
    answers.product = "morvane-render";
    answers.vendorVersion = 1;
    answers.canDo = {"sendVstTimeInfo", "startStopProcess", "supplyIdle"};
    answers.transport = true;
    return answers;
}

std::unique_ptr<ModuleSource> ModuleSource::load(const juce::File& file, const Options& options,
                                                 juce::String& error)
{
    if (options.probeFirst)
        if (auto problem =
                ModuleProbe::probe(file, options.loadTimeoutSeconds, options.probeProgram))
        {
            error = *problem;
            return nullptr;
        }

    if (!file.existsAsFile())
    {
        error = "no module file '" + file.getFullPathName() + "'";
        return nullptr;
    }
    auto module = std::make_unique<host::Module>(file.getFullPathName().toStdString());
    if (!module->isLoaded())
    {
        error = ModuleProbe::withPath(ModuleProbe::describeFailure(*module), file);
        return nullptr;
    }

    host::Instance::Options hostOptions;
    hostOptions.answers = answers();
    hostOptions.seed = options.seed;
    auto instance = std::make_unique<host::Instance>(module->getEntryPoint(), hostOptions);
    if (!instance->hasEffect())
    {
        error = ModuleProbe::withPath(juce::String(instance->getProblem()), file);
        return nullptr;
    }

    instance->open();
    instance->setSampleRate(instance->getSampleRate());
    instance->setBlockSize(instance->getBlockSize());
    return std::unique_ptr<ModuleSource>(new ModuleSource(std::move(module), std::move(instance)));
}

ModuleSource::ModuleSource(std::unique_ptr<host::Module> loaded,
                           std::unique_ptr<host::Instance> made)
    : module(std::move(loaded)), instance(std::move(made))
{
}

ModuleSource::~ModuleSource()
{
    release();
    instance->close();
}

std::uint64_t ModuleSource::getAutomationNotices() const noexcept
{
    return instance->getAutomateCalls() + instance->getEditGestureCalls();
}

juce::String ModuleSource::text(std::int32_t opcode, std::int32_t index) const
{
    return juce::String::fromUTF8(instance->text(opcode, index).c_str()).trim();
}

bool ModuleSource::hasParameter(int index) const noexcept
{
    return index >= 0 && index < instance->getNumParameters();
}

juce::String ModuleSource::getName() const
{
    auto name = text(vst2::effGetEffectName);
    if (name.isEmpty())
        name = text(vst2::effGetProductString);
    if (name.isEmpty())
        name = juce::File(module->getPath()).getFileNameWithoutExtension();
    return name;
}

int ModuleSource::getNumParameters() const
{
    return instance->getNumParameters();
}

juce::String ModuleSource::getParameterName(int index) const
{
    return hasParameter(index) ? text(vst2::effGetParamName, index) : juce::String();
}

int ModuleSource::findParameter(const juce::String& name) const
{
    const auto wanted = name.trim();
    for (int i = 0; i < getNumParameters(); ++i)
        if (getParameterName(i).equalsIgnoreCase(wanted))
            return i;
    return -1;
}

float ModuleSource::getParameter(int index) const
{
    return hasParameter(index) ? instance->getParameter(index) : 0.0f;
}

void ModuleSource::setParameter(int index, float value)
{
    if (hasParameter(index))
        instance->setParameter(index, std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f);
}

juce::String ModuleSource::getParameterText(int index) const
{
    if (!hasParameter(index))
        return {};
    const auto display = text(vst2::effGetParamDisplay, index);
    const auto label = text(vst2::effGetParamLabel, index);
    return label.isEmpty() ? display : display + " " + label;
}

juce::MemoryBlock ModuleSource::getState()
{
    if ((getEffect()->flags & vst2::effFlagsProgramChunks) == 0)
        return {};
    const auto chunk = instance->getChunk();
    if (chunk.empty())
        return {};
    return juce::MemoryBlock(chunk.data(), chunk.size());
}

std::optional<juce::String> ModuleSource::setState(const juce::MemoryBlock& state)
{
    if ((getEffect()->flags & vst2::effFlagsProgramChunks) == 0)
        return juce::String("the module keeps no state chunk");
    if (state.isEmpty())
        return juce::String("the state is empty");
    const auto* bytes = static_cast<const std::uint8_t*>(state.getData());
    instance->setChunk(std::vector<std::uint8_t>(bytes, bytes + state.getSize()));
    return std::nullopt;
}

void ModuleSource::prepare(double rate, int maxBlockSize)
{
    release();
    const int block = std::max(1, maxBlockSize);
    const auto frames = static_cast<size_t>(block);

    inputs.assign(static_cast<size_t>(getNumInputs()), std::vector<float>(frames));
    outputs.assign(static_cast<size_t>(getNumOutputs()), std::vector<float>(frames));
    inputPointers.clear();
    outputPointers.clear();
    for (auto& channel : inputs)
        inputPointers.push_back(channel.data());
    for (auto& channel : outputs)
        outputPointers.push_back(channel.data());
    // Never a null array, even for a module without inputs or outputs.
    inputPointers.push_back(nullptr);
    outputPointers.push_back(nullptr);

    instance->resume(rate, block);
    instance->dispatch(vst2::effStartProcess);
    active = true;

    samplePosition = 0.0;
    instance->getTimeInfo() = {};
    instance->getTimeInfo().flags = vst2::kVstTransportChanged;
}

void ModuleSource::release()
{
    if (!active)
        return;
    instance->dispatch(vst2::effStopProcess);
    instance->suspend();
    active = false;
}

double ModuleSource::getTailSeconds() const
{
    const auto samples = instance->dispatch(vst2::effGetTailSize);
    // 0 means the module does not say, 1 that it has no tail.
    if (samples <= 1)
        return 0.0;
    return static_cast<double>(samples) / instance->getSampleRate();
}

void ModuleSource::process(juce::AudioBuffer<float>& stereo)
{
    if (!active)
        prepare(instance->getSampleRate(), std::max(1, stereo.getNumSamples()));

    const int block = instance->getBlockSize();
    for (int start = 0; start < stereo.getNumSamples(); start += block)
        processChunk(stereo, start, std::min(block, stereo.getNumSamples() - start));
}

void ModuleSource::processChunk(juce::AudioBuffer<float>& stereo, int start, int count)
{
    const auto frames = static_cast<size_t>(count);
    const float* left = stereo.getReadPointer(0, start);
    const float* right = stereo.getReadPointer(std::min(1, stereo.getNumChannels() - 1), start);

    if (inputs.size() == 1)
    {
        for (size_t n = 0; n < frames; ++n)
            inputs[0][n] = 0.5f * (left[n] + right[n]);
    }
    else
    {
        for (size_t channel = 0; channel < inputs.size(); ++channel)
        {
            const float* source = channel == 0 ? left : channel == 1 ? right : nullptr;
            if (source != nullptr)
                std::copy(source, source + count, inputs[channel].begin());
            else
                std::fill(inputs[channel].begin(), inputs[channel].end(), 0.0f);
        }
    }
    for (auto& channel : outputs)
        std::fill(channel.begin(), channel.end(), 0.0f);

    advanceTransport();
    if (instance->canReplace())
        instance->processReplacing(inputPointers.data(), outputPointers.data(), count);
    else
        instance->processAccumulating(inputPointers.data(), outputPointers.data(), count);
    samplePosition += count;
    instance->getTimeInfo().flags &= ~vst2::kVstTransportChanged;

    for (int channel = 0; channel < std::min(2, stereo.getNumChannels()); ++channel)
    {
        float* destination = stereo.getWritePointer(channel, start);
        if (outputs.empty())
            std::fill(destination, destination + count, 0.0f);
        else
        {
            const auto& source =
                outputs[std::min(static_cast<size_t>(channel), outputs.size() - 1)];
            std::copy(source.begin(), source.begin() + count, destination);
        }
    }
}

void ModuleSource::advanceTransport()
{
    auto& timeInfo = instance->getTimeInfo();
    const double rate = instance->getSampleRate();
    const double quarterNotes = samplePosition / rate * tempo / 60.0;
    timeInfo.samplePos = samplePosition;
    timeInfo.sampleRate = rate;
    timeInfo.nanoSeconds =
        static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count());
    timeInfo.ppqPos = quarterNotes;
    timeInfo.tempo = tempo;
    timeInfo.barStartPos = std::floor(quarterNotes / beatsPerBar) * beatsPerBar;
    timeInfo.timeSigNumerator = beatsPerBar;
    timeInfo.timeSigDenominator = 4;
    timeInfo.flags = (timeInfo.flags & vst2::kVstTransportChanged) | vst2::kVstTransportPlaying |
                     vst2::kVstNanosValid | vst2::kVstPpqPosValid | vst2::kVstTempoValid |
                     vst2::kVstBarsValid | vst2::kVstTimeSigValid;
}

} // namespace morvane
