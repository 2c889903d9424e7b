#include "HostedInstance.h"

namespace morvane::validate
{

HostedInstance::HostedInstance(const PluginModule& module)
{
    effect = module.instantiate(&HostedInstance::hostCallback);
    if (effect == nullptr)
        return;
    effect->user = this;
    dispatch(vst2::effOpen);
}

HostedInstance::~HostedInstance()
{
    if (effect != nullptr)
    {
        dispatch(vst2::effMainsChanged, 0, 0);
        dispatch(vst2::effClose);
    }
}

std::intptr_t HostedInstance::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                       void* ptr, float opt) const
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void HostedInstance::configure(double rate, int size)
{
    sampleRate.store(rate, std::memory_order_relaxed);
    blockSize.store(size, std::memory_order_relaxed);
    dispatch(vst2::effMainsChanged, 0, 0);
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    dispatch(vst2::effSetBlockSize, 0, size);
    dispatch(vst2::effMainsChanged, 0, 1);
}

void HostedInstance::suspend() const
{
    dispatch(vst2::effMainsChanged, 0, 0);
}

void HostedInstance::process(float* const* inputs, float* const* outputs, int frames)
{
    auto** in = const_cast<float**>(inputs);
    auto** out = const_cast<float**>(outputs);
    const double rate = sampleRate.load(std::memory_order_relaxed);

    if (rate != processedRate)
    {
        // The first block at a rate may rebuild whatever depends on it; it is also where the
        // callback lock shows itself, as the first mutex the callback takes.
        AudioPathMonitor::beginLearning();
        effect->processReplacing(effect, in, out, frames);
        callbackLock = AudioPathMonitor::endLearning();
        processedRate = rate;
    }
    else
    {
        AudioPathMonitor::begin(callbackLock);
        effect->processReplacing(effect, in, out, frames);
        counts += AudioPathMonitor::end();
        ++blocksCounted;
    }
    framesProcessed += static_cast<std::uint64_t>(frames);
}

int HostedInstance::numParameters() const noexcept
{
    return effect->numParams;
}

void HostedInstance::setParameter(int index, float value) const
{
    effect->setParameter(effect, index, value);
}

float HostedInstance::getParameter(int index) const
{
    return effect->getParameter(effect, index);
}

std::vector<float> HostedInstance::getParameters() const
{
    std::vector<float> values;
    for (int i = 0; i < numParameters(); ++i)
        values.push_back(getParameter(i));
    return values;
}

std::vector<std::uint8_t> HostedInstance::saveState(bool currentProgramOnly) const
{
    void* data = nullptr;
    const auto size = dispatch(vst2::effGetChunk, currentProgramOnly ? 1 : 0, 0, &data);
    if (data == nullptr || size <= 0)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

void HostedInstance::restoreState(const std::vector<std::uint8_t>& chunk,
                                  bool currentProgramOnly) const
{
    // A copy of the host's own, so that a plug-in reading past the end is caught by the
    // sanitizer builds instead of finding the next bytes of a larger buffer.
    std::vector<std::uint8_t> copy(chunk);
    dispatch(vst2::effSetChunk, currentProgramOnly ? 1 : 0, static_cast<std::intptr_t>(copy.size()),
             copy.empty() ? nullptr : copy.data());
}

std::uint64_t HostedInstance::automateCalls() const noexcept
{
    return automations.load(std::memory_order_relaxed);
}

std::intptr_t HostedInstance::hostCallback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t,
                                           std::intptr_t, void*, float)
{
    // What the host does when called back is the host's business, not the audio path's.
    const AudioPathMonitor::Pause pause;

    auto* instance = effect != nullptr ? static_cast<HostedInstance*>(effect->user) : nullptr;

    switch (opcode)
    {
        case vst2::audioMasterVersion:
            return vst2::vstVersion;
        case vst2::audioMasterAutomate:
            if (instance != nullptr)
                instance->automations.fetch_add(1, std::memory_order_relaxed);
            return 0;
        case vst2::audioMasterGetSampleRate:
            return instance != nullptr ? static_cast<std::intptr_t>(
                                             instance->sampleRate.load(std::memory_order_relaxed))
                                       : 44100;
        case vst2::audioMasterGetBlockSize:
            return instance != nullptr ? instance->blockSize.load(std::memory_order_relaxed) : 512;
        default:
            return 0;
    }
}

} // namespace morvane::validate
