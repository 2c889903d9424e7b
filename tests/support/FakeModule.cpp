// SPDX-License-Identifier: GPL-3.0-or-later
// Small VST 2.4 modules for the tests of the project's host, one source built several ways. One
// definition at build time, FAKE_MODULE_<KIND>, picks what the module is:
//   GAIN         a well-behaved mono gain with only the old accumulating call, whose state is a
//                report of what its host answered
//   ECHO         a stereo effect that passes its input through at the Dry gain with a decaying
//                echo, keeps seven parameters and stores them in a 32-byte chunk; sound unless
//                MORVANE_FAULT, read when an instance is made, names a fault of the table below
//   NO_ENTRY, NULL_EFFECT, WRONG_MAGIC, CRASH, HANG
//                modules broken in the ways real ones break while loading
// Nothing of the project but the interface declarations: a host meets modules that share
// nothing with it.
#include "vst2/Vst2Interface.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

using namespace morvane::vst2;

namespace
{

enum class Kind
{
    gain,
    echo,
    noEntry,
    nullEffect,
    wrongMagic,
    crash,
    hang
};

#if defined(FAKE_MODULE_GAIN)
constexpr Kind builtAs = Kind::gain;
#elif defined(FAKE_MODULE_ECHO)
constexpr Kind builtAs = Kind::echo;
#elif defined(FAKE_MODULE_NO_ENTRY)
constexpr Kind builtAs = Kind::noEntry;
#elif defined(FAKE_MODULE_NULL_EFFECT)
constexpr Kind builtAs = Kind::nullEffect;
#elif defined(FAKE_MODULE_WRONG_MAGIC)
constexpr Kind builtAs = Kind::wrongMagic;
#elif defined(FAKE_MODULE_CRASH)
constexpr Kind builtAs = Kind::crash;
#elif defined(FAKE_MODULE_HANG)
constexpr Kind builtAs = Kind::hang;
#else
#error "define FAKE_MODULE_<KIND>"
#endif

enum class Fault
{
    none,
    allocate,
    lock,
    unclamped,
    denormal,
    unwritten,
    partial,
    forgetful,
    poisoned,
    rebuild,
    slowtail
};

struct FaultName
{
    const char* name;
    Fault fault;
};

// The faults of the echo, by the names MORVANE_FAULT takes.
constexpr FaultName faultNames[] = {
    {"allocate", Fault::allocate},   // allocates and frees in every block
    {"lock", Fault::lock},           // takes a second mutex in every block
    {"unclamped", Fault::unclamped}, // uses the Dry value as given, NaN and infinities included
    {"denormal", Fault::denormal},   // lets the echo decay into subnormal numbers
    {"unwritten", Fault::unwritten}, // leaves the right output alone in odd-sized blocks
    {"partial", Fault::partial},     // applies as many values as a short chunk holds
    {"forgetful", Fault::forgetful}, // ignores every chunk
    {"poisoned", Fault::poisoned},   // feeds Size into the echo unchecked: one NaN stays for ever
    {"rebuild", Fault::rebuild},     // allocates and frees in the first block at each new rate
    {"slowtail", Fault::slowtail},   // level meters that go on in subnormal numbers in silence
};

Fault faultFromEnvironment()
{
    const char* name = std::getenv("MORVANE_FAULT");
    if (name != nullptr)
        for (const auto& entry : faultNames)
            if (std::strcmp(name, entry.name) == 0)
                return entry.fault;
    return Fault::none;
}

constexpr int maxParameters = 7;
// The slow tail's level meters per channel: running means over 50 to 85 samples, worked out with
// divisions as a naive meter does. Once the input stops they decay into subnormal numbers and
// stay there, dividing a subnormal number in every sample, which takes many processors far longer
// than dividing a normal one. Each meter runs through the block on its own, one division waiting
// for the last, so that the division's own time is what the block costs.
constexpr int meters = 8;
constexpr int gainIndex = 0;
constexpr int dryIndex = 2;
constexpr int sizeIndex = 4;
constexpr char chunkMagic[4] = {'F', 'L', 'T', '7'};
constexpr std::size_t echoChunkSize = sizeof(chunkMagic) + maxParameters * sizeof(float);

struct Fake
{
    AEffect effect{};
    HostCallback host = nullptr;
    Fault fault = Fault::none;
    std::atomic<float> parameters[maxParameters] = {};

    // The gain's state and report.
    std::string state;
    std::string report;
    int processCalls = 0;

    // The echo's.
    std::mutex callbackLock;
    std::mutex otherLock;
    float echo[2] = {0.0f, 0.0f};
    unsigned char chunk[echoChunkSize] = {};
    float* heap = nullptr;
    std::atomic<float> sampleRate{44100.0f};
    float processedRate = 0.0f;
    float levels[2][meters] = {};

    ~Fake() { delete[] heap; }

    bool has(Fault which) const { return fault == which; }
    float parameter(int index) const { return parameters[index].load(std::memory_order_relaxed); }
};

Fake* of(AEffect* effect)
{
    return static_cast<Fake*>(effect->object);
}

std::intptr_t ask(Fake& fake, std::int32_t opcode, void* ptr = nullptr, float opt = 0.0f)
{
    return fake.host(&fake.effect, opcode, 0, 0, ptr, opt);
}

// What the host answered, in one line the test can read back through the chunk.
std::string describeHost(Fake& fake)
{
    char line[512];
    const auto* time = reinterpret_cast<const VstTimeInfo*>(ask(fake, audioMasterGetTime));
    char vendor[64] = {};
    ask(fake, audioMasterGetVendorString, vendor);
    std::snprintf(
        line, sizeof line,
        "version=%ld rate=%ld block=%ld level=%ld vendor=%s timeinfo=%s "
        "canTime=%ld canFly=%ld automate=%ld",
        static_cast<long>(ask(fake, audioMasterVersion)),
        static_cast<long>(ask(fake, audioMasterGetSampleRate)),
        static_cast<long>(ask(fake, audioMasterGetBlockSize)),
        static_cast<long>(ask(fake, audioMasterGetCurrentProcessLevel)), vendor,
        time != nullptr ? "yes" : "no",
        static_cast<long>(ask(fake, audioMasterCanDo, const_cast<char*>("sendVstTimeInfo"))),
        static_cast<long>(ask(fake, audioMasterCanDo, const_cast<char*>("flyToTheMoon"))),
        static_cast<long>(ask(fake, audioMasterAutomate, nullptr, 0.25f)));
    std::string text = line;
    if (time != nullptr)
    {
        std::snprintf(line, sizeof line,
                      " pos=%.0f timerate=%.0f tempo=%.1f sig=%d/%d ppq=%.3f playing=%d "
                      "tempoValid=%d sigValid=%d ppqValid=%d",
                      time->samplePos, time->sampleRate, time->tempo, time->timeSigNumerator,
                      time->timeSigDenominator, time->ppqPos,
                      (time->flags & kVstTransportPlaying) != 0,
                      (time->flags & kVstTempoValid) != 0, (time->flags & kVstTimeSigValid) != 0,
                      (time->flags & kVstPpqPosValid) != 0);
        text += line;
    }
    return text;
}

std::intptr_t gainRequest(Fake& fake, std::int32_t opcode, std::int32_t index, std::intptr_t value,
                          void* ptr)
{
    switch (opcode)
    {
        case effGetParamName:
            // A name with spaces around it, longer than the documented limit, as some write.
            std::strcpy(static_cast<char*>(ptr), index == 0 ? "  Output Gain Level  " : "Unused");
            return 0;
        case effGetParamDisplay:
            std::snprintf(static_cast<char*>(ptr), 8, "%.2f",
                          static_cast<double>(fake.parameter(gainIndex)));
            return 0;
        case effGetParamLabel:
            std::strcpy(static_cast<char*>(ptr), index == 0 ? "x" : "");
            return 0;
        case effGetEffectName:
            std::strcpy(static_cast<char*>(ptr), "Test Gain");
            return 1;
        case effGetChunk:
            fake.report = describeHost(fake) + " state=" + fake.state +
                          " calls=" + std::to_string(fake.processCalls);
            *static_cast<void**>(ptr) = fake.report.data();
            return static_cast<std::intptr_t>(fake.report.size());
        case effSetChunk:
            fake.state.assign(static_cast<const char*>(ptr), static_cast<size_t>(value));
            return 1;
        case effGetTailSize:
            return 4800;
        default:
            return 0;
    }
}

std::intptr_t echoRequest(Fake& fake, std::int32_t opcode, std::intptr_t value, void* ptr,
                          float opt)
{
    switch (opcode)
    {
        case effSetSampleRate:
            fake.sampleRate.store(opt, std::memory_order_relaxed);
            return 0;
        case effGetChunk:
            std::memcpy(fake.chunk, chunkMagic, sizeof(chunkMagic));
            for (int i = 0; i < maxParameters; ++i)
            {
                const float v = fake.parameter(i);
                std::memcpy(fake.chunk + sizeof(chunkMagic) +
                                sizeof(float) * static_cast<std::size_t>(i),
                            &v, sizeof(float));
            }
            *static_cast<void**>(ptr) = fake.chunk;
            return static_cast<std::intptr_t>(echoChunkSize);
        case effSetChunk:
        {
            const auto size = static_cast<std::size_t>(value > 0 ? value : 0);
            if (ptr == nullptr || size < sizeof(chunkMagic) ||
                std::memcmp(ptr, chunkMagic, sizeof(chunkMagic)) != 0)
                return 0;
            if ((size != echoChunkSize && !fake.has(Fault::partial)) || fake.has(Fault::forgetful))
                return 0;
            const std::size_t values =
                (std::min(size, echoChunkSize) - sizeof(chunkMagic)) / sizeof(float);
            for (std::size_t i = 0; i < values; ++i)
            {
                float v = 0.0f;
                std::memcpy(&v,
                            static_cast<const unsigned char*>(ptr) + sizeof(chunkMagic) +
                                i * sizeof(float),
                            sizeof(float));
                fake.parameters[i].store(v, std::memory_order_relaxed);
            }
            return 0;
        }
        default:
            return 0;
    }
}

std::intptr_t dispatcher(AEffect* effect, std::int32_t opcode, std::int32_t index,
                         std::intptr_t value, void* ptr, float opt)
{
    Fake* fake = of(effect);
    if (opcode == effClose)
    {
        delete fake;
        return 1;
    }
    return builtAs == Kind::gain ? gainRequest(*fake, opcode, index, value, ptr)
                                 : echoRequest(*fake, opcode, value, ptr, opt);
}

// The old accumulating call only: the host must clear the outputs and use it.
void gainProcess(AEffect* effect, float** inputs, float** outputs, std::int32_t frames)
{
    Fake& fake = *of(effect);
    ++fake.processCalls;
    const float gain = fake.parameter(gainIndex);
    for (std::int32_t n = 0; n < frames; ++n)
        outputs[0][n] += gain * inputs[0][n];
}

float dryGain(const Fake& fake)
{
    const float value = fake.parameter(dryIndex);
    if (fake.has(Fault::unclamped))
        return value;
    return value >= 0.0f ? (value <= 1.0f ? value : 1.0f) : 0.0f;
}

// Subnormal numbers kept, not flushed, while the object lives, whatever mode the host runs in;
// the host's mode comes back afterwards.
class SubnormalsKept
{
public:
#if defined(__x86_64__) || defined(__i386__)
    SubnormalsKept() noexcept : saved(_mm_getcsr())
    {
        _mm_setcsr(saved & ~0x8040u);
    }
    ~SubnormalsKept()
    {
        _mm_setcsr(saved);
    }

private:
    unsigned int saved;
#elif defined(__aarch64__)
    SubnormalsKept() noexcept
    {
        asm volatile("mrs %0, fpcr" : "=r"(saved));
        const std::uint64_t kept = saved & ~(std::uint64_t{1} << 24);
        asm volatile("msr fpcr, %0" : : "r"(kept));
    }
    ~SubnormalsKept()
    {
        asm volatile("msr fpcr, %0" : : "r"(saved));
    }

private:
    std::uint64_t saved;
#endif
};

void meterLevels(Fake& fake, float** inputs, std::int32_t frames)
{
    const SubnormalsKept kept;
    for (int channel = 0; channel < 2; ++channel)
        for (int m = 0; m < meters; ++m)
        {
            const auto length = static_cast<float>(50 + 5 * m);
            const float decay = length / (length - 1.0f);
            float mean = fake.levels[channel][m];
            for (std::int32_t i = 0; i < frames; ++i)
                mean = mean / decay + std::fabs(inputs[channel][i]) / length;
            fake.levels[channel][m] = mean;
        }
}

void echoProcess(AEffect* effect, float** inputs, float** outputs, std::int32_t frames)
{
    Fake& fake = *of(effect);
    const std::lock_guard<std::mutex> guard(fake.callbackLock);
    if (fake.has(Fault::lock))
        fake.otherLock.lock(), fake.otherLock.unlock();
    if (fake.has(Fault::allocate))
    {
        delete[] fake.heap;
        fake.heap = new float[static_cast<std::size_t>(frames)];
    }
    const float rate = fake.sampleRate.load(std::memory_order_relaxed);
    if (fake.has(Fault::rebuild) && rate != fake.processedRate)
    {
        delete[] fake.heap;
        fake.heap = new float[static_cast<std::size_t>(rate > 0.0f ? rate : 1.0f)];
    }
    fake.processedRate = rate;
    if (fake.has(Fault::slowtail))
        meterLevels(fake, inputs, frames);

    const float gain = dryGain(fake);
    for (int channel = 0; channel < 2; ++channel)
    {
        if (channel == 1 && fake.has(Fault::unwritten) && frames % 2 == 1)
            continue;
        float& state = fake.echo[channel];
        for (int i = 0; i < frames; ++i)
        {
            const float feedback =
                fake.has(Fault::poisoned) ? fake.parameter(sizeIndex) * 0.9f : 0.9f;
            state = inputs[channel][i] + state * feedback;
            if (!fake.has(Fault::denormal) && std::fabs(state) < 1.0e-30f)
                state = 0.0f;
            outputs[channel][i] = inputs[channel][i] * gain + state * 0.1f;
        }
    }
}

void setParameter(AEffect* effect, std::int32_t index, float value)
{
    if (index >= 0 && index < effect->numParams)
        of(effect)->parameters[index].store(value, std::memory_order_relaxed);
}

float getParameter(AEffect* effect, std::int32_t index)
{
    return index >= 0 && index < effect->numParams ? of(effect)->parameter(index) : 0.0f;
}

[[maybe_unused]] AEffect* make(HostCallback host)
{
    if (builtAs == Kind::echo &&
        (host == nullptr || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0))
        return nullptr;

    auto* fake = new Fake;
    fake->host = host;
    AEffect& e = fake->effect;
    e.magic = effectMagic;
    e.dispatcher = dispatcher;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.numPrograms = 1;
    e.ioRatio = 1.0f;
    e.object = fake;
    if (builtAs == Kind::gain)
    {
        fake->parameters[gainIndex] = 0.5f;
        e.process = gainProcess;
        e.numParams = 2;
        e.numInputs = 1;
        e.numOutputs = 1;
        e.flags = effFlagsProgramChunks;
        e.uniqueID = fourCharacters("tGai");
        return &e;
    }
    fake->fault = faultFromEnvironment();
    const float factory[maxParameters] = {1.0f, 0.2f, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f};
    for (int i = 0; i < maxParameters; ++i)
        fake->parameters[i] = factory[i];
    e.process = echoProcess;
    e.processReplacing = echoProcess;
    e.numParams = maxParameters;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsProgramChunks;
    return &e;
}

[[maybe_unused]] AEffect wrongMagic{};

} // namespace

#ifndef FAKE_MODULE_NO_ENTRY
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(HostCallback host)
{
    switch (builtAs)
    {
        case Kind::nullEffect:
            return nullptr;
        case Kind::wrongMagic:
            wrongMagic.magic = fourCharacters("Vstp");
            return &wrongMagic;
        case Kind::crash:
            std::raise(SIGSEGV);
            return nullptr;
        case Kind::hang:
            for (;;)
                ::pause();
        case Kind::gain:
        case Kind::echo:
        case Kind::noEntry:
            break;
    }
    return make(host);
}
#endif
