// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vst2/Vst2Interface.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvane::host
{

/** What a host says about itself when its module asks. Fixed for the life of an instance, so
    that the module may ask from any of its threads without a lock.

    Thread rule: set before the instance is made; read-only afterwards. */
struct HostAnswers
{
    /** audioMasterVersion; 0 tells the module that this host cannot run it. */
    std::intptr_t version = vst2::vstVersion;

    /** audioMasterGetCurrentProcessLevel; 0 means the host does not say. */
    std::intptr_t processLevel = 0;

    /** audioMasterGetVendorString and audioMasterGetProductString; empty: not said. */
    std::string vendor;
    std::string product;
    std::intptr_t vendorVersion = 0;

    /** The audioMasterCanDo names answered yes; any other gets "don't know". */
    std::vector<std::string> canDo;

    /** audioMasterGetTime answers with the instance's transport; otherwise with none. */
    bool transport = false;
};

} // namespace morvane::host
