// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vst2/Vst2Interface.h"

#include <optional>
#include <string>

namespace morvane::host
{

/** A VST 2.4 module file, loaded with dlopen for the life of the object as a host loads it, and
    its entry point: VSTPluginMain, or main, the older name of the same function.

    Loading runs the module's own initialisers, so a module that may crash or hang is best
    tried in a process of its own first (the renderer's probe does that on top of this).

    Thread rule: load and unload on one thread; the entry point may be called from any. */
class Module
{
public:
    using EntryPoint = vst2::AEffect* (*)(vst2::HostCallback);

    enum class Failure
    {
        none,
        cannotOpen,
        noEntryPoint
    };

    explicit Module(const std::string& path);
    ~Module();

    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool isLoaded() const noexcept { return failure == Failure::none; }
    Failure getFailure() const noexcept { return failure; }

    /** What the dynamic loader said when it could not open the file. */
    const std::string& getLoaderMessage() const noexcept { return loaderMessage; }

    const std::string& getPath() const noexcept { return path; }

    /** VSTPluginMain, or main where the module has no VSTPluginMain; null when not loaded. */
    EntryPoint getEntryPoint() const noexcept { return entry; }

    /** The function the module exports under this name, or null. */
    EntryPoint findEntryPoint(const char* name) const noexcept;

    /** Whether what an entry point returned can be hosted: an effect with the right magic
        number, a dispatcher, replacing or accumulating processing, and channel and parameter
        counts within reason. The reason, as one line, when it cannot. */
    static std::optional<std::string> checkEffect(const vst2::AEffect* effect);

private:
    std::string path;
    void* library = nullptr;
    EntryPoint entry = nullptr;
    Failure failure = Failure::none;
    std::string loaderMessage;
};

} // namespace morvane::host
