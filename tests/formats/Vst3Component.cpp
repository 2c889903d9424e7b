// SPDX-License-Identifier: GPL-3.0-or-later
#include "Vst3Component.h"

#include <pluginterfaces/base/ibstream.h>
#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstcomponent.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

namespace morvane::test
{

namespace
{
using namespace Steinberg;

// A host's stream over bytes in memory: what setState reads and getState writes.
class MemoryStream : public IBStream
{
public:
    explicit MemoryStream(juce::MemoryBlock initial = {}) : bytes(std::move(initial)) {}
    virtual ~MemoryStream() = default;

    tresult PLUGIN_API queryInterface(const TUID wanted, void** object) override
    {
        if (std::memcmp(wanted, IBStream_iid, sizeof(TUID)) == 0 ||
            std::memcmp(wanted, FUnknown_iid, sizeof(TUID)) == 0)
        {
            *object = this;
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    // The stream lives on the test's stack, longer than any call that holds it.
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        const auto available = static_cast<int64>(bytes.getSize()) - position;
        const auto count = std::max<int64>(0, std::min<int64>(numBytes, available));
        std::memcpy(buffer, static_cast<const char*>(bytes.getData()) + position,
                    static_cast<size_t>(count));
        position += count;
        if (numBytesRead != nullptr)
            *numBytesRead = static_cast<int32>(count);
        return kResultOk;
    }

    tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override
    {
        if (numBytes < 0)
            return kInvalidArgument;
        const auto end = static_cast<size_t>(position) + static_cast<size_t>(numBytes);
        if (end > bytes.getSize())
            bytes.setSize(end, true);
        bytes.copyFrom(buffer, static_cast<size_t>(position), static_cast<size_t>(numBytes));
        position = static_cast<int64>(end);
        if (numBytesWritten != nullptr)
            *numBytesWritten = numBytes;
        return kResultOk;
    }

    tresult PLUGIN_API seek(int64 pos, int32 mode, int64* result) override
    {
        const int64 base = mode == kIBSeekSet   ? 0
                           : mode == kIBSeekCur ? position
                                                : static_cast<int64>(bytes.getSize());
        if (base + pos < 0)
            return kInvalidArgument;
        position = base + pos;
        if (result != nullptr)
            *result = position;
        return kResultOk;
    }

    tresult PLUGIN_API tell(int64* pos) override
    {
        *pos = position;
        return kResultOk;
    }

    const juce::MemoryBlock& getBytes() const { return bytes; }

private:
    juce::MemoryBlock bytes;
    int64 position = 0;
};

using EntryFunction = bool (*)(void*);
using ExitFunction = bool (*)();
using FactoryFunction = IPluginFactory* (*)();
} // namespace

Vst3Component::Vst3Component(const juce::File& module, const juce::String& classId)
{
    TUID cid{};
    juce::MemoryBlock digits;
    digits.loadFromHexString(classId);
    if (classId.length() != 32 || digits.getSize() != sizeof(cid))
    {
        failure = "not a class ID: " + classId;
        return;
    }
    std::memcpy(cid, digits.getData(), sizeof(cid));

    library = dlopen(module.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        failure = "dlopen: " + juce::String(dlerror());
        return;
    }
    auto enter = reinterpret_cast<EntryFunction>(dlsym(library, "ModuleEntry"));
    auto factoryOf = reinterpret_cast<FactoryFunction>(dlsym(library, "GetPluginFactory"));
    if (enter == nullptr || factoryOf == nullptr || !(entered = enter(library)))
    {
        failure = "the module has no entry or does not start";
        return;
    }
    auto* factory = factoryOf();
    void* object = nullptr;
    if (factory == nullptr ||
        factory->createInstance(cid, Vst::IComponent_iid, &object) != kResultOk ||
        object == nullptr)
    {
        failure = "the factory makes no component of class " + classId;
        if (factory != nullptr)
            factory->release();
        return;
    }
    factory->release();
    component = static_cast<Vst::IComponent*>(object);
    if (component->initialize(nullptr) != kResultOk)
        failure = "the component does not initialise";
}

Vst3Component::~Vst3Component()
{
    if (component != nullptr)
    {
        component->terminate();
        component->release();
    }
    if (entered)
        if (auto leave = reinterpret_cast<ExitFunction>(dlsym(library, "ModuleExit")))
            leave();
    if (library != nullptr)
        dlclose(library);
}

bool Vst3Component::setState(const juce::MemoryBlock& state)
{
    MemoryStream stream(state);
    return component != nullptr && component->setState(&stream) == kResultOk;
}

std::optional<juce::MemoryBlock> Vst3Component::getState()
{
    MemoryStream stream;
    if (component == nullptr || component->getState(&stream) != kResultOk)
        return std::nullopt;
    return stream.getBytes();
}

} // namespace morvane::test
