// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/Module.h"

#include <dlfcn.h>

#include <cstdio>

namespace morvane::host
{

namespace
{
// Far beyond any real module; a count past them is a damaged or hostile descriptor.
constexpr int maxChannels = 64;
constexpr int maxParameters = 100000;

std::string hex(std::int32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned int>(value));
    return text;
}
} // namespace

Module::Module(const std::string& modulePath) : path(modulePath)
{
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        const char* reason = dlerror();
        loaderMessage = reason != nullptr ? reason : "dlopen failed";
        failure = Failure::cannotOpen;
        return;
    }
    entry = findEntryPoint("VSTPluginMain");
    if (entry == nullptr)
        entry = findEntryPoint("main");
    if (entry == nullptr)
    {
        dlclose(library);
        library = nullptr;
        failure = Failure::noEntryPoint;
    }
}

Module::~Module()
{
    if (library != nullptr)
        dlclose(library);
}

Module::EntryPoint Module::findEntryPoint(const char* name) const noexcept
{
    if (library == nullptr || name == nullptr)
        return nullptr;
    return reinterpret_cast<EntryPoint>(dlsym(library, name));
}

std::optional<std::string> Module::checkEffect(const vst2::AEffect* effect)
{
    if (effect == nullptr)
        return std::string("the module's entry point returned no effect");
    if (effect->magic != vst2::effectMagic)
        return "the module's effect has the wrong magic number (0x" + hex(effect->magic) +
               " instead of VstP)";
    if (effect->dispatcher == nullptr)
        return std::string("the module's effect has no dispatcher");
    if (effect->processReplacing == nullptr && effect->process == nullptr)
        return std::string("the module's effect has no processing function");
    if (effect->numInputs < 0 || effect->numInputs > maxChannels || effect->numOutputs < 0 ||
        effect->numOutputs > maxChannels)
        return "the module's effect claims " + std::to_string(effect->numInputs) + " inputs and " +
               std::to_string(effect->numOutputs) + " outputs";
    if (effect->numParams < 0 || effect->numParams > maxParameters)
        return "the module's effect claims " + std::to_string(effect->numParams) + " parameters";
    return std::nullopt;
}

} // namespace morvane::host
