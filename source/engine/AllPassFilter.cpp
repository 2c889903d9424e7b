#include "engine/AllPassFilter.h"

#include "engine/Primes.h"

#include <algorithm>

namespace morvane
{

// At least one slot, so that even a rate too low for the length rule leaves a usable section.
AllPassFilter::AllPassFilter(float delayMs, float sampleRate, float feedbackGain)
    : timeMs(delayMs), gain(feedbackGain), length(std::max(1, bufferLength(delayMs, sampleRate))),
      buffer(static_cast<std::size_t>(length), 0.0f)
{
}

} // namespace morvane
