// SPDX-License-Identifier: GPL-3.0-or-later
#include "HostedInstance.h"

namespace morvane::validate
{

namespace
{

// What the host does when called back is the host's business, not the audio path's.
class PauseWhileCalledBack final : public host::HostObserver
{
public:
    void callbackBegins(const host::HostCall&) noexcept override { AudioPathMonitor::pause(); }
    void callbackEnds(const host::HostCall&) noexcept override { AudioPathMonitor::resume(); }
};

PauseWhileCalledBack pauseWhileCalledBack;

host::Instance::Options hostOptions()
{
    host::Instance::Options options;
    options.observer = &pauseWhileCalledBack;
    return options;
}

} // namespace

HostedInstance::HostedInstance(const host::Module& module)
    : instance(module.getEntryPoint(), hostOptions())
{
    if (instance.hasEffect())
        instance.open();
}

HostedInstance::~HostedInstance()
{
    if (instance.hasEffect())
        instance.suspend();
}

std::intptr_t HostedInstance::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                       void* ptr, float opt) const
{
    return instance.dispatch(opcode, index, value, ptr, opt);
}

void HostedInstance::configure(double rate, int size)
{
    instance.suspend();
    instance.resume(rate, size);
    announcedRate = rate;
}

void HostedInstance::changeRateUnannounced(double rate)
{
    instance.suspend();
    instance.setSampleRate(rate);
}

void HostedInstance::suspend() const
{
    instance.suspend();
}

void HostedInstance::process(float* const* inputs, float* const* outputs, int frames)
{
    // The callback lock shows itself as the first mutex the instance's first block takes.
    const double rate = instance.getSampleRate();
    const bool firstAtRate = rate != processedRate;
    AudioPathMonitor::begin(callbackLock);
    instance.processReplacing(inputs, outputs, frames);
    const auto counts = AudioPathMonitor::end();
    callbackLock = AudioPathMonitor::callbackLock();
    processedRate = rate;

    if (firstAtRate && rate != announcedRate)
    {
        record.unannouncedCounts += counts;
        ++record.unannouncedBlocks;
    }
    else
    {
        record.counts += counts;
        ++record.blocks;
        if (firstAtRate)
            ++record.firstBlocks;
    }
    framesProcessed += static_cast<std::uint64_t>(frames);
}

void HostedInstance::setParameter(int index, float value) const
{
    instance.setParameter(index, value);
}

float HostedInstance::getParameter(int index) const
{
    return instance.getParameter(index);
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
    return instance.getChunk(currentProgramOnly);
}

void HostedInstance::restoreState(const std::vector<std::uint8_t>& chunk,
                                  bool currentProgramOnly) const
{
    instance.setChunk(chunk, currentProgramOnly);
}

} // namespace morvane::validate
