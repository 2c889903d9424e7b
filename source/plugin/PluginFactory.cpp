// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugin/PluginIdentity.h"
#include "processor/OrnCore.h"

#include <string_view>

// The VST3, LV2 and standalone clients take the identity from the build's plug-in settings, the
// VST 2.4 module from PluginIdentity.h; a host that sees both formats must see one plug-in.
#ifdef JucePlugin_Name
static_assert(std::string_view(JucePlugin_Name) == morvane::identity::pluginName);
static_assert(std::string_view(JucePlugin_Manufacturer) == morvane::identity::vendorName);
static_assert(JucePlugin_VersionCode == morvane::identity::versionCode);
static_assert(JucePlugin_PluginCode == morvane::identity::uniqueId);
static_assert(JucePlugin_ManufacturerCode == morvane::identity::vendorCode);
static_assert(!JucePlugin_WantsMidiInput && !JucePlugin_ProducesMidiOutput);
#endif

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new morvane::OrnCore();
}
