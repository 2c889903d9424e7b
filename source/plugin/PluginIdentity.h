// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vst2/Vst2Interface.h"

#include <cstdint>

// Who the plug-in is to its hosts. Hosts key stored projects on the identifier and show the
// names in their menus, so none of these may change between releases without a reason.
// Thread rule: constants only; any thread.
namespace morvane::identity
{

constexpr const char* pluginName = "Morvane Plugin";
constexpr const char* vendorName = "Quillon";

// 1.0.0, one byte per component.
constexpr std::int32_t versionCode = 0x010000;
constexpr std::int32_t vendorVersion = 100;

constexpr std::int32_t uniqueId = vst2::fourCharacters("Mvn1");
// The vendor's code, which VST3 hosts see in the plug-in's class ID with the unique ID.
constexpr std::int32_t vendorCode = vst2::fourCharacters("Qlln");
constexpr std::int32_t category = vst2::plugCategoryEffect;

// The one channel layout the processor accepts.
constexpr int numInputs = 2;
constexpr int numOutputs = 2;

} // namespace morvane::identity
