// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DelayLine.h"

#include "engine/Primes.h"

namespace morvane
{

DelayLine::DelayLine(float timeMs, float sampleRate)
    : length(bufferSlots(timeMs, sampleRate)), buffer(static_cast<std::size_t>(length), 0.0f)
{
}

} // namespace morvane
