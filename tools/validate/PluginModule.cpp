#include "PluginModule.h"

#include <dlfcn.h>

namespace morvane::validate
{

PluginModule::PluginModule(const std::string& path)
{
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "dlopen failed";
        return;
    }

    void* symbol = dlsym(library, "VSTPluginMain");
    if (symbol == nullptr)
        symbol = dlsym(library, "main");
    if (symbol == nullptr)
    {
        error = path + " exports neither VSTPluginMain nor main";
        dlclose(library);
        library = nullptr;
        return;
    }
    entry = reinterpret_cast<vst2::AEffect* (*)(vst2::HostCallback)>(symbol);
}

PluginModule::~PluginModule()
{
    if (library != nullptr)
        dlclose(library);
}

vst2::AEffect* PluginModule::instantiate(vst2::HostCallback host) const
{
    if (entry == nullptr)
        return nullptr;
    vst2::AEffect* effect = entry(host);
    return effect != nullptr && effect->magic == vst2::effectMagic ? effect : nullptr;
}

} // namespace morvane::validate
