#include "engine/DelayLine.h"

#include "engine/Primes.h"

#include <algorithm>

namespace morvane
{

// At least one slot, so that even a rate too low for the length rule cannot make the positions
// address outside the buffer.
DelayLine::DelayLine(float timeMs, float sampleRate)
    : length(std::max(1, bufferLength(timeMs, sampleRate))),
      buffer(static_cast<std::size_t>(length), 0.0f)
{
}

} // namespace morvane
