// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/NetworkGeometry.h"

#include <cmath>

namespace morvane
{

float NetworkGeometry::baseTimeMs(int k) noexcept
{
    const double exponent =
        static_cast<double>(numBaseTimes - k) * static_cast<double>(0.11111111f);
    return static_cast<float>(82.0 / std::pow(2.0, exponent));
}

float NetworkGeometry::lineTimeMs(int channel, int line) noexcept
{
    const bool leftIsLonger = line % 2 == 0;
    const bool longer = (channel == 0) == leftIsLonger;
    const float time = baseTimeMs(line);
    return longer ? time * lineStagger : time;
}

float NetworkGeometry::allPassTimeMs(int channel, int section) noexcept
{
    const float scale = channel == 0 ? leftAllPassScale : rightAllPassScale;
    // Section j is tuned from T(j + 3): the chains start at the longest line's base time.
    return baseTimeMs(section + 3) * scale;
}

} // namespace morvane
