// Small VST 2.4 modules for the host's tests, one source built several ways: a well-behaved
// mono gain whose state is a report of what the host told it, and modules broken in the ways
// real ones break while loading. The kind is chosen by one definition at build time.
#include "plugin/Vst2Interface.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace morvane::vst2;

namespace
{
struct Gain
{
    AEffect effect{};
    HostCallback host = nullptr;
    float gain = 0.5f;
    std::string state;
    std::string report;
    double lastPosition = -1.0;
    int processCalls = 0;
};

Gain* self(AEffect* effect)
{
    return static_cast<Gain*>(effect->object);
}

// What the host answered, in one line the test can read back through the chunk.
std::string describeHost(Gain& gain, AEffect* effect)
{
    char line[512];
    const auto* time = reinterpret_cast<const VstTimeInfo*>(
        gain.host(effect, audioMasterGetTime, 0, 0, nullptr, 0.0f));
    char vendor[64] = {};
    gain.host(effect, audioMasterGetVendorString, 0, 0, vendor, 0.0f);
    std::snprintf(
        line, sizeof line,
        "version=%ld rate=%ld block=%ld level=%ld vendor=%s timeinfo=%s "
        "canTime=%ld canFly=%ld automate=%ld",
        static_cast<long>(gain.host(effect, audioMasterVersion, 0, 0, nullptr, 0.0f)),
        static_cast<long>(gain.host(effect, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f)),
        static_cast<long>(gain.host(effect, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f)),
        static_cast<long>(
            gain.host(effect, audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f)),
        vendor, time != nullptr ? "yes" : "no",
        static_cast<long>(
            gain.host(effect, audioMasterCanDo, 0, 0, const_cast<char*>("sendVstTimeInfo"), 0.0f)),
        static_cast<long>(
            gain.host(effect, audioMasterCanDo, 0, 0, const_cast<char*>("flyToTheMoon"), 0.0f)),
        static_cast<long>(gain.host(effect, audioMasterAutomate, 0, 0, nullptr, 0.25f)));
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

std::intptr_t dispatcher(AEffect* effect, std::int32_t opcode, std::int32_t index,
                         std::intptr_t value, void* ptr, float)
{
    auto& gain = *self(effect);
    switch (opcode)
    {
        case effClose:
            delete &gain;
            return 1;
        case effGetParamName:
            // A name with spaces around it, longer than the documented limit, as some write.
            std::strcpy(static_cast<char*>(ptr), index == 0 ? "  Output Gain Level  " : "Unused");
            return 0;
        case effGetParamDisplay:
            std::snprintf(static_cast<char*>(ptr), 8, "%.2f", static_cast<double>(gain.gain));
            return 0;
        case effGetParamLabel:
            std::strcpy(static_cast<char*>(ptr), index == 0 ? "x" : "");
            return 0;
        case effGetEffectName:
            std::strcpy(static_cast<char*>(ptr), "Test Gain");
            return 1;
        case effGetChunk:
            gain.report = describeHost(gain, effect) + " state=" + gain.state +
                          " calls=" + std::to_string(gain.processCalls);
            *static_cast<void**>(ptr) = gain.report.data();
            return static_cast<std::intptr_t>(gain.report.size());
        case effSetChunk:
            gain.state.assign(static_cast<const char*>(ptr), static_cast<size_t>(value));
            return 1;
        case effGetTailSize:
            return 4800;
        default:
            return 0;
    }
}

// The old accumulating call only: the host must clear the outputs and use it.
void process(AEffect* effect, float** inputs, float** outputs, std::int32_t frames)
{
    auto& gain = *self(effect);
    ++gain.processCalls;
    for (std::int32_t n = 0; n < frames; ++n)
        outputs[0][n] += gain.gain * inputs[0][n];
}

void setParameter(AEffect* effect, std::int32_t index, float value)
{
    if (index == 0)
        self(effect)->gain = value;
}

float getParameter(AEffect* effect, std::int32_t index)
{
    return index == 0 ? self(effect)->gain : 0.0f;
}

[[maybe_unused]] AEffect* makeGain(HostCallback host)
{
    auto* gain = new Gain;
    gain->host = host;
    auto& effect = gain->effect;
    effect.magic = effectMagic;
    effect.dispatcher = dispatcher;
    effect.process = process;
    effect.setParameter = setParameter;
    effect.getParameter = getParameter;
    effect.numPrograms = 1;
    effect.numParams = 2;
    effect.numInputs = 1;
    effect.numOutputs = 1;
    effect.flags = effFlagsProgramChunks;
    effect.ioRatio = 1.0f;
    effect.object = gain;
    effect.uniqueID = fourCharacters("tGai");
    return &effect;
}

[[maybe_unused]] AEffect wrongMagic{};
} // namespace

#ifndef TEST_MODULE_NO_ENTRY
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(HostCallback host)
{
#if defined(TEST_MODULE_NULL_EFFECT)
    (void)host;
    return nullptr;
#elif defined(TEST_MODULE_WRONG_MAGIC)
    (void)host;
    wrongMagic.magic = fourCharacters("Vstp");
    return &wrongMagic;
#elif defined(TEST_MODULE_CRASH)
    (void)host;
    std::raise(SIGSEGV);
    return nullptr;
#elif defined(TEST_MODULE_HANG)
    (void)host;
    for (;;)
        ::pause();
#else
    (void)wrongMagic;
    return makeGain(host);
#endif
}
#endif
