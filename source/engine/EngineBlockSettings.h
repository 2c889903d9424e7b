// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvane
{

// The four shaped settings the engine runs on (Delay, Size, Low Pass and High Pass), taken once
// per block so that every frame of the block sees the same values.
struct EngineBlockSettings
{
    double delay;
    double size;
    double lowPass;
    double highPass;
};

} // namespace morvane
