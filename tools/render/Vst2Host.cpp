#include "Vst2Host.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace morvane
{

namespace
{
constexpr double tempo = 120.0;
constexpr int beatsPerBar = 4;

// The effect whose entry point is running: its calls come before the host can know it.
thread_local Vst2Host* hostBeingMade = nullptr;

// What this host can do, by the names modules ask about.
bool hostCanDo(const char* what)
{
    static const char* const yes[] = {"sendVstTimeInfo", "startStopProcess", "supplyIdle"};
    if (what == nullptr)
        return false;
    for (const char* name : yes)
        if (std::strcmp(what, name) == 0)
            return true;
    return false;
}

void copyText(void* destination, const char* text)
{
    // Hosts give as little as 64 bytes for these strings; ours are shorter.
    std::strncpy(static_cast<char*>(destination), text, 63);
    static_cast<char*>(destination)[63] = 0;
}
} // namespace

std::unique_ptr<Vst2Host> Vst2Host::load(const juce::File& file, const Options& options,
                                         juce::String& error)
{
    if (options.probeFirst)
        if (auto problem =
                Vst2Module::probe(file, options.loadTimeoutSeconds, options.probeProgram))
        {
            error = *problem;
            return nullptr;
        }

    auto module = Vst2Module::load(file, error);
    if (module == nullptr)
        return nullptr;

    const auto entry = module->getEntryPoint();
    std::unique_ptr<Vst2Host> host(new Vst2Host(std::move(module)));

    if (options.seed)
        std::srand(*options.seed);
    hostBeingMade = host.get();
    auto* made = entry(&Vst2Host::callback);
    hostBeingMade = nullptr;

    if (auto problem = Vst2Module::checkEffect(made))
    {
        // An effect that fails the check cannot be trusted with effClose; it is left alone.
        error = *problem + " (" + file.getFullPathName() + ")";
        return nullptr;
    }

    host->effect = made;
    made->resvd1 = reinterpret_cast<std::intptr_t>(host.get());
    host->dispatch(vst2::effOpen);
    host->dispatch(vst2::effSetSampleRate, 0, 0, nullptr,
                   static_cast<float>(host->sampleRate.load(std::memory_order_relaxed)));
    host->dispatch(vst2::effSetBlockSize, 0, host->blockSize.load(std::memory_order_relaxed));
    return host;
}

Vst2Host::Vst2Host(std::unique_ptr<Vst2Module> loaded) : module(std::move(loaded)) {}

Vst2Host::~Vst2Host()
{
    if (effect == nullptr)
        return;
    release();
    dispatch(vst2::effClose);
    effect = nullptr;
}

std::intptr_t Vst2Host::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                 void* ptr, float opt) const
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

// Modules write past the documented limits often enough that the buffer is generous, and the
// last byte is forced to zero whatever they do.
juce::String Vst2Host::text(std::int32_t opcode, std::int32_t index) const
{
    char buffer[512] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = 0;
    return juce::String::fromUTF8(buffer).trim();
}

juce::String Vst2Host::getName() const
{
    auto name = text(vst2::effGetEffectName);
    if (name.isEmpty())
        name = text(vst2::effGetProductString);
    if (name.isEmpty())
        name = module->getFile().getFileNameWithoutExtension();
    return name;
}

int Vst2Host::getNumParameters() const
{
    return effect->numParams;
}

juce::String Vst2Host::getParameterName(int index) const
{
    if (index < 0 || index >= effect->numParams)
        return {};
    return text(vst2::effGetParamName, index);
}

int Vst2Host::findParameter(const juce::String& name) const
{
    const auto wanted = name.trim();
    for (int i = 0; i < effect->numParams; ++i)
        if (getParameterName(i).equalsIgnoreCase(wanted))
            return i;
    return -1;
}

float Vst2Host::getParameter(int index) const
{
    if (index < 0 || index >= effect->numParams || effect->getParameter == nullptr)
        return 0.0f;
    return effect->getParameter(effect, index);
}

void Vst2Host::setParameter(int index, float value)
{
    if (index < 0 || index >= effect->numParams || effect->setParameter == nullptr)
        return;
    effect->setParameter(effect, index,
                         std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f);
}

juce::String Vst2Host::getParameterText(int index) const
{
    if (index < 0 || index >= effect->numParams)
        return {};
    const auto display = text(vst2::effGetParamDisplay, index);
    const auto label = text(vst2::effGetParamLabel, index);
    return label.isEmpty() ? display : display + " " + label;
}

juce::MemoryBlock Vst2Host::getState()
{
    if ((effect->flags & vst2::effFlagsProgramChunks) == 0)
        return {};
    void* data = nullptr;
    const auto size = dispatch(vst2::effGetChunk, 0, 0, &data);
    if (data == nullptr || size <= 0)
        return {};
    return juce::MemoryBlock(data, static_cast<size_t>(size));
}

std::optional<juce::String> Vst2Host::setState(const juce::MemoryBlock& state)
{
    if ((effect->flags & vst2::effFlagsProgramChunks) == 0)
        return juce::String("the module keeps no state chunk");
    if (state.isEmpty())
        return juce::String("the state is empty");
    // The module reads from the pointer it is given; a copy keeps the caller's bytes intact.
    juce::MemoryBlock copy(state);
    dispatch(vst2::effSetChunk, 0, static_cast<std::intptr_t>(copy.getSize()), copy.getData());
    return std::nullopt;
}

void Vst2Host::prepare(double rate, int maxBlockSize)
{
    release();
    sampleRate.store(rate, std::memory_order_relaxed);
    blockSize.store(std::max(1, maxBlockSize), std::memory_order_relaxed);
    const auto frames = static_cast<size_t>(std::max(1, maxBlockSize));

    inputs.assign(static_cast<size_t>(effect->numInputs), std::vector<float>(frames));
    outputs.assign(static_cast<size_t>(effect->numOutputs), std::vector<float>(frames));
    inputPointers.clear();
    outputPointers.clear();
    for (auto& channel : inputs)
        inputPointers.push_back(channel.data());
    for (auto& channel : outputs)
        outputPointers.push_back(channel.data());
    // Never a null array, even for a module without inputs or outputs.
    inputPointers.push_back(nullptr);
    outputPointers.push_back(nullptr);

    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    dispatch(vst2::effSetBlockSize, 0, std::max(1, maxBlockSize));
    dispatch(vst2::effMainsChanged, 0, 1);
    dispatch(vst2::effStartProcess);
    active = true;

    samplePosition = 0.0;
    timeInfo = {};
    timeInfo.flags = vst2::kVstTransportChanged;
}

void Vst2Host::release()
{
    if (!active)
        return;
    dispatch(vst2::effStopProcess);
    dispatch(vst2::effMainsChanged, 0, 0);
    active = false;
}

double Vst2Host::getTailSeconds() const
{
    const auto samples = dispatch(vst2::effGetTailSize);
    // 0 means the module does not say, 1 that it has no tail.
    if (samples <= 1)
        return 0.0;
    return static_cast<double>(samples) / sampleRate.load(std::memory_order_relaxed);
}

void Vst2Host::process(juce::AudioBuffer<float>& stereo)
{
    if (!active)
        prepare(sampleRate.load(std::memory_order_relaxed), std::max(1, stereo.getNumSamples()));

    const int block = blockSize.load(std::memory_order_relaxed);
    for (int start = 0; start < stereo.getNumSamples(); start += block)
        processChunk(stereo, start, std::min(block, stereo.getNumSamples() - start));
}

void Vst2Host::processChunk(juce::AudioBuffer<float>& stereo, int start, int count)
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

    advanceTransport(count);
    if (effect->processReplacing != nullptr && (effect->flags & vst2::effFlagsCanReplacing) != 0)
        effect->processReplacing(effect, inputPointers.data(), outputPointers.data(), count);
    else if (effect->process != nullptr)
        effect->process(effect, inputPointers.data(), outputPointers.data(), count);
    else
        effect->processReplacing(effect, inputPointers.data(), outputPointers.data(), count);
    samplePosition += count;
    timeInfo.flags &= ~vst2::kVstTransportChanged;

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

void Vst2Host::advanceTransport(int)
{
    const double rate = sampleRate.load(std::memory_order_relaxed);
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

std::intptr_t Vst2Host::callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                 std::intptr_t value, void* ptr, float opt)
{
    Vst2Host* host = nullptr;
    if (effect != nullptr && effect->resvd1 != 0)
        host = reinterpret_cast<Vst2Host*>(effect->resvd1);
    else
        host = hostBeingMade;

    if (host != nullptr)
        return host->answer(opcode, index, value, ptr, opt);
    if (opcode == vst2::audioMasterVersion)
        return vst2::vstVersion;
    return 0;
}

std::intptr_t Vst2Host::answer(std::int32_t opcode, std::int32_t, std::intptr_t, void* ptr, float)
{
    switch (opcode)
    {
        case vst2::audioMasterVersion:
            return vst2::vstVersion;
        case vst2::audioMasterCurrentId:
            return effect != nullptr ? effect->uniqueID : 0;
        case vst2::audioMasterAutomate:
        case vst2::audioMasterBeginEdit:
        case vst2::audioMasterEndEdit:
            automationNotices.fetch_add(1, std::memory_order_relaxed);
            return 1;
        case vst2::audioMasterGetTime:
            return reinterpret_cast<std::intptr_t>(&timeInfo);
        case vst2::audioMasterGetSampleRate:
            return static_cast<std::intptr_t>(sampleRate.load(std::memory_order_relaxed));
        case vst2::audioMasterGetBlockSize:
            return blockSize.load(std::memory_order_relaxed);
        case vst2::audioMasterGetCurrentProcessLevel:
            return vst2::processLevelOffline;
        case vst2::audioMasterGetAutomationState:
            return 1; // automation off
        case vst2::audioMasterGetVendorString:
            if (ptr != nullptr)
                copyText(ptr, "Quillon");
            return ptr != nullptr ? 1 : 0;
        case vst2::audioMasterGetProductString:
            if (ptr != nullptr)
                copyText(ptr, "morvane-render");
            return ptr != nullptr ? 1 : 0;
        case vst2::audioMasterGetVendorVersion:
            return 1;
        case vst2::audioMasterCanDo:
            return hostCanDo(static_cast<const char*>(ptr)) ? 1 : 0;
        case vst2::audioMasterGetLanguage:
            return 1; // English
        case vst2::audioMasterUpdateDisplay:
        case vst2::audioMasterIOChanged:
        case vst2::audioMasterIdle:
            return 0;
        default:
            return 0;
    }
}

} // namespace morvane
