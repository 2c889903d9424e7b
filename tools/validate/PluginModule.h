#pragma once

#include "plugin/Vst2Interface.h"

#include <string>

namespace morvane::validate
{

/** A VST 2.4 module loaded with dlopen for the life of the object, as a host loads it.

    Thread rule: load and unload on one thread; instantiate from any thread. */
class PluginModule
{
public:
    explicit PluginModule(const std::string& path);
    ~PluginModule();

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool isLoaded() const noexcept { return library != nullptr; }
    const std::string& getError() const noexcept { return error; }

    /** Calls the entry point with the given host callback; null when the module gives no
        plug-in. */
    vst2::AEffect* instantiate(vst2::HostCallback host) const;

private:
    void* library = nullptr;
    vst2::AEffect* (*entry)(vst2::HostCallback) = nullptr;
    std::string error;
};

} // namespace morvane::validate
