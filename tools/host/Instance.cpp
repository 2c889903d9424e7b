// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/Instance.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace morvane::host
{

namespace
{
// The instance whose entry point is running on this thread: the effect calls back before the
// host can know it.
thread_local Instance* instanceBeingMade = nullptr;

// Hosts give as little as 64 bytes for the vendor and product strings.
constexpr std::size_t hostTextBytes = 64;

// A module may announce any rate; the answer is a whole number that fits.
std::intptr_t rateAnswer(double rate) noexcept
{
    if (!std::isfinite(rate) || rate <= 0.0)
        return 0;
    return rate < 1.0e12 ? static_cast<std::intptr_t>(rate) : 0;
}

// What a caller that is no instance's (a module's own thread asking before any effect is
// known) hears: enough to go on making its effect.
std::intptr_t answerUnknownCaller(std::int32_t opcode) noexcept
{
    switch (opcode)
    {
        case vst2::audioMasterVersion:
            return vst2::vstVersion;
        case vst2::audioMasterGetSampleRate:
            return static_cast<std::intptr_t>(Instance::defaultSampleRate);
        case vst2::audioMasterGetBlockSize:
            return Instance::defaultBlockSize;
        default:
            return 0;
    }
}
} // namespace

Instance::Instance(Module::EntryPoint entry, Options instanceOptions)
    : options(std::move(instanceOptions))
{
    if (entry == nullptr)
    {
        problem = "the module has no entry point";
        return;
    }
    if (options.seed)
        std::srand(*options.seed);

    Instance* const outer = instanceBeingMade;
    instanceBeingMade = this;
    vst2::AEffect* made = entry(&Instance::callback);
    instanceBeingMade = outer;

    if (auto reason = Module::checkEffect(made))
    {
        problem = *reason;
        return;
    }
    made->user = this;
    effect = made;
}

Instance::~Instance()
{
    close();
}

void Instance::open() const
{
    dispatch(vst2::effOpen);
}

void Instance::close()
{
    if (effect == nullptr)
        return;
    dispatch(vst2::effClose);
    effect = nullptr;
}

std::intptr_t Instance::dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                 void* ptr, float opt) const
{
    return effect != nullptr ? effect->dispatcher(effect, opcode, index, value, ptr, opt) : 0;
}

std::string Instance::text(std::int32_t opcode, std::int32_t index) const
{
    char buffer[512] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

void Instance::setParameter(int index, float value) const
{
    if (effect != nullptr && effect->setParameter != nullptr)
        effect->setParameter(effect, index, value);
}

float Instance::getParameter(int index) const
{
    return effect != nullptr && effect->getParameter != nullptr
               ? effect->getParameter(effect, index)
               : 0.0f;
}

void Instance::setSampleRate(double rate)
{
    sampleRate.store(rate, std::memory_order_relaxed);
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void Instance::setBlockSize(int size)
{
    blockSize.store(size, std::memory_order_relaxed);
    dispatch(vst2::effSetBlockSize, 0, size);
}

void Instance::resume(double rate, int size)
{
    setSampleRate(rate);
    setBlockSize(size);
    dispatch(vst2::effMainsChanged, 0, 1);
}

void Instance::suspend() const
{
    dispatch(vst2::effMainsChanged, 0, 0);
}

int Instance::getNumParameters() const noexcept
{
    return effect != nullptr ? effect->numParams : 0;
}

bool Instance::canReplace() const noexcept
{
    return effect != nullptr && effect->processReplacing != nullptr &&
           ((effect->flags & vst2::effFlagsCanReplacing) != 0 || effect->process == nullptr);
}

void Instance::processReplacing(float* const* inputs, float* const* outputs, int frames) const
{
    if (effect != nullptr && effect->processReplacing != nullptr)
        effect->processReplacing(effect, const_cast<float**>(inputs), const_cast<float**>(outputs),
                                 frames);
}

void Instance::processAccumulating(float* const* inputs, float* const* outputs, int frames) const
{
    if (effect != nullptr && effect->process != nullptr)
        effect->process(effect, const_cast<float**>(inputs), const_cast<float**>(outputs), frames);
}

std::vector<std::uint8_t> Instance::getChunk(bool currentProgramOnly) const
{
    void* data = nullptr;
    const auto size = dispatch(vst2::effGetChunk, currentProgramOnly ? 1 : 0, 0, &data);
    if (data == nullptr || size <= 0)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

std::intptr_t Instance::setChunk(const std::vector<std::uint8_t>& chunk,
                                 bool currentProgramOnly) const
{
    std::vector<std::uint8_t> copy(chunk);
    return dispatch(vst2::effSetChunk, currentProgramOnly ? 1 : 0,
                    static_cast<std::intptr_t>(copy.size()), copy.empty() ? nullptr : copy.data());
}

std::uint64_t Instance::getAutomateCalls() const noexcept
{
    return automateCalls.load(std::memory_order_relaxed);
}

std::uint64_t Instance::getEditGestureCalls() const noexcept
{
    return gestureCalls.load(std::memory_order_relaxed);
}

std::vector<HostCall> Instance::getCalls() const
{
    const std::lock_guard<std::mutex> guard(recordLock);
    return record;
}

std::vector<HostCall> Instance::getCalls(std::int32_t opcode) const
{
    const std::lock_guard<std::mutex> guard(recordLock);
    std::vector<HostCall> calls;
    for (const auto& call : record)
        if (call.opcode == opcode)
            calls.push_back(call);
    return calls;
}

void Instance::clearCalls()
{
    const std::lock_guard<std::mutex> guard(recordLock);
    record.clear();
}

std::intptr_t Instance::callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                 std::intptr_t value, void* ptr, float opt)
{
    Instance* instance = effect != nullptr && effect->user != nullptr
                             ? static_cast<Instance*>(effect->user)
                             : instanceBeingMade;
    if (instance == nullptr)
        return answerUnknownCaller(opcode);

    const HostCall call{effect, opcode, index, value, opt, std::this_thread::get_id()};
    HostObserver* const observer = instance->options.observer;
    if (observer != nullptr)
        observer->callbackBegins(call);
    if (instance->options.recordCalls)
    {
        const std::lock_guard<std::mutex> guard(instance->recordLock);
        instance->record.push_back(call);
    }
    const auto answer = instance->answer(call, ptr);
    if (observer != nullptr)
        observer->callbackEnds(call);
    return answer;
}

std::intptr_t Instance::answer(const HostCall& call, void* ptr)
{
    const HostAnswers& answers = options.answers;
    switch (call.opcode)
    {
        case vst2::audioMasterVersion:
            return answers.version;
        case vst2::audioMasterCurrentId:
            return effect != nullptr ? effect->uniqueID : 0;
        case vst2::audioMasterAutomate:
            automateCalls.fetch_add(1, std::memory_order_relaxed);
            return 1;
        case vst2::audioMasterBeginEdit:
        case vst2::audioMasterEndEdit:
            gestureCalls.fetch_add(1, std::memory_order_relaxed);
            return 1;
        case vst2::audioMasterGetTime:
            return answers.transport ? reinterpret_cast<std::intptr_t>(&timeInfo) : 0;
        case vst2::audioMasterGetSampleRate:
            return rateAnswer(sampleRate.load(std::memory_order_relaxed));
        case vst2::audioMasterGetBlockSize:
            return blockSize.load(std::memory_order_relaxed);
        case vst2::audioMasterGetCurrentProcessLevel:
            return answers.processLevel;
        case vst2::audioMasterGetAutomationState:
            return 1; // off: nothing here plays automation back
        case vst2::audioMasterGetVendorString:
            return copyText(ptr, answers.vendor);
        case vst2::audioMasterGetProductString:
            return copyText(ptr, answers.product);
        case vst2::audioMasterGetVendorVersion:
            return answers.vendorVersion;
        case vst2::audioMasterCanDo:
            return canDo(static_cast<const char*>(ptr)) ? 1 : 0;
        case vst2::audioMasterGetLanguage:
            return 1; // English
        default:
            return 0;
    }
}

std::intptr_t Instance::copyText(void* destination, const std::string& text) const
{
    if (destination == nullptr || text.empty())
        return 0;
    auto* bytes = static_cast<char*>(destination);
    std::strncpy(bytes, text.c_str(), hostTextBytes - 1);
    bytes[hostTextBytes - 1] = 0;
    return 1;
}

bool Instance::canDo(const char* what) const
{
    if (what == nullptr)
        return false;
    for (const auto& name : options.answers.canDo)
        if (std::strcmp(what, name.c_str()) == 0)
            return true;
    return false;
}

} // namespace morvane::host
