// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EngineSettings.h"

namespace morvane
{

EngineSettings::EngineSettings() noexcept
{
    for (auto& value : values)
        value.store(0.0, std::memory_order_relaxed);
}

} // namespace morvane
