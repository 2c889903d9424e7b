// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "vst2/Vst2Interface.h"

#include <cstdint>
#include <thread>

namespace morvane::host
{

/** One call a module made into its host. */
struct HostCall
{
    const vst2::AEffect* effect;
    std::int32_t opcode;
    std::int32_t index;
    std::intptr_t value;
    float opt;
    std::thread::id thread;
};

/** Sees every call a module makes into its host, on the module's thread, just before the host
    starts on its answer and just after it has one, so that whatever the host does in between
    can be told apart from what the module does (the validator stops counting allocations and
    locks there).

    Thread rule: any thread, as the module calls; an observer serving several threads keeps
    its state per thread or atomic. */
class HostObserver
{
public:
    virtual ~HostObserver() = default;

    virtual void callbackBegins(const HostCall& call) noexcept = 0;
    virtual void callbackEnds(const HostCall& call) noexcept = 0;
};

} // namespace morvane::host
