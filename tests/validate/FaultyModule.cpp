// A small VST 2.4 effect with faults to order, for checking that the validator finds them. It
// passes its input through at the Dry gain with a decaying echo, keeps seven parameters and
// stores them in a 32-byte chunk. MORVANE_FAULT, read when an instance is made, names the fault:
//   allocate    allocates and frees in every block
//   lock        takes a second mutex in every block
//   unclamped   uses the Dry value as given, NaN and infinities included
//   denormal    lets the echo decay into subnormal numbers
//   unwritten   leaves the right output alone in odd-sized blocks
//   partial     applies as many values as a short chunk holds
//   forgetful   ignores every chunk
//   poisoned    feeds the Size value into the echo unchecked, so one NaN stays for ever
// Without it the effect is sound, and every check but the editor's must pass.

#include "plugin/Vst2Interface.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

using namespace morvane::vst2;

namespace
{

constexpr int numParameters = 7;
constexpr char chunkMagic[4] = {'F', 'L', 'T', '7'};
constexpr std::size_t chunkSize = sizeof(chunkMagic) + numParameters * sizeof(float);

struct Faulty
{
    AEffect effect{};
    std::string fault;
    std::mutex callbackLock;
    std::mutex otherLock;
    std::atomic<float> parameters[numParameters] = {1.0f, 0.2f, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f};
    float echo[2] = {0.0f, 0.0f};
    unsigned char chunk[chunkSize] = {};
    float* heap = nullptr;

    ~Faulty() { delete[] heap; }

    bool has(const char* name) const { return fault == name; }
};

Faulty* of(AEffect* effect)
{
    return static_cast<Faulty*>(effect->object);
}

float dryGain(const Faulty& f)
{
    const float value = f.parameters[2].load(std::memory_order_relaxed);
    if (f.has("unclamped"))
        return value;
    return value >= 0.0f ? (value <= 1.0f ? value : 1.0f) : 0.0f;
}

void processReplacing(AEffect* effect, float** inputs, float** outputs, std::int32_t frames)
{
    Faulty& f = *of(effect);
    const std::lock_guard<std::mutex> guard(f.callbackLock);
    if (f.has("lock"))
        f.otherLock.lock(), f.otherLock.unlock();
    if (f.has("allocate"))
    {
        delete[] f.heap;
        f.heap = new float[static_cast<std::size_t>(frames)];
    }

    const float gain = dryGain(f);
    for (int channel = 0; channel < 2; ++channel)
    {
        if (channel == 1 && f.has("unwritten") && frames % 2 == 1)
            continue;
        float& state = f.echo[channel];
        for (int i = 0; i < frames; ++i)
        {
            const float feedback =
                f.has("poisoned") ? f.parameters[4].load(std::memory_order_relaxed) * 0.9f : 0.9f;
            state = inputs[channel][i] + state * feedback;
            if (!f.has("denormal") && std::fabs(state) < 1.0e-30f)
                state = 0.0f;
            outputs[channel][i] = inputs[channel][i] * gain + state * 0.1f;
        }
    }
}

std::intptr_t dispatcher(AEffect* effect, std::int32_t opcode, std::int32_t, std::intptr_t value,
                         void* ptr, float)
{
    Faulty* f = of(effect);
    switch (opcode)
    {
        case effClose:
            delete f;
            return 1;
        case effGetChunk:
            std::memcpy(f->chunk, chunkMagic, sizeof(chunkMagic));
            for (int i = 0; i < numParameters; ++i)
            {
                const float v = f->parameters[i].load(std::memory_order_relaxed);
                std::memcpy(f->chunk + sizeof(chunkMagic) +
                                sizeof(float) * static_cast<std::size_t>(i),
                            &v, sizeof(float));
            }
            *static_cast<void**>(ptr) = f->chunk;
            return static_cast<std::intptr_t>(chunkSize);
        case effSetChunk:
        {
            const auto size = static_cast<std::size_t>(value > 0 ? value : 0);
            if (ptr == nullptr || size < sizeof(chunkMagic) ||
                std::memcmp(ptr, chunkMagic, sizeof(chunkMagic)) != 0)
                return 0;
            if ((size != chunkSize && !f->has("partial")) || f->has("forgetful"))
                return 0;
            const std::size_t values =
                (std::min(size, chunkSize) - sizeof(chunkMagic)) / sizeof(float);
            for (std::size_t i = 0; i < values; ++i)
            {
                float v = 0.0f;
                std::memcpy(&v,
                            static_cast<const unsigned char*>(ptr) + sizeof(chunkMagic) +
                                i * sizeof(float),
                            sizeof(float));
                f->parameters[i].store(v, std::memory_order_relaxed);
            }
            return 0;
        }
        default:
            return 0;
    }
}

void setParameter(AEffect* effect, std::int32_t index, float value)
{
    if (index >= 0 && index < numParameters)
        of(effect)->parameters[index].store(value, std::memory_order_relaxed);
}

float getParameter(AEffect* effect, std::int32_t index)
{
    return index >= 0 && index < numParameters
               ? of(effect)->parameters[index].load(std::memory_order_relaxed)
               : 0.0f;
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(HostCallback host)
{
    if (host == nullptr || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;

    auto* f = new Faulty;
    const char* fault = std::getenv("MORVANE_FAULT");
    f->fault = fault != nullptr ? fault : "";

    AEffect& e = f->effect;
    e.magic = effectMagic;
    e.dispatcher = dispatcher;
    e.process = processReplacing;
    e.processReplacing = processReplacing;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.numPrograms = 1;
    e.numParams = numParameters;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsProgramChunks;
    e.ioRatio = 1.0f;
    e.object = f;
    return &e;
}
