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
}

void HostedInstance::suspend() const
{
    instance.suspend();
}

void HostedInstance::process(float* const* inputs, float* const* outputs, int frames)
{
    const double rate = instance.getSampleRate();
    if (rate != processedRate)
    {
        // The first block at a rate may rebuild whatever depends on it; it is also where the
        // callback lock shows itself, as the first mutex the callback takes.
        AudioPathMonitor::beginLearning();
        instance.processReplacing(inputs, outputs, frames);
        callbackLock = AudioPathMonitor::endLearning();
        processedRate = rate;
    }
    else
    {
        AudioPathMonitor::begin(callbackLock);
        instance.processReplacing(inputs, outputs, frames);
        counts += AudioPathMonitor::end();
        ++blocksCounted;
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
