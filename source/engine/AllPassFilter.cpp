// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/AllPassFilter.h"

#include "engine/Primes.h"

namespace morvane
{

AllPassFilter::AllPassFilter(float delayMs, float sampleRate, float feedbackGain)
    : timeMs(delayMs), gain(feedbackGain), length(bufferSlots(delayMs, sampleRate)),
      buffer(static_cast<std::size_t>(length), 0.0f)
{
}

} // namespace morvane
