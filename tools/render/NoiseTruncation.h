#pragma once

#include <cstddef>
#include <vector>

namespace morvane
{

/** Where a decay meets the noise at the end of a response, after Lundeby: a first guess from
    10 ms intervals, then up to five refinements with intervals matched to the decay rate and
    the noise measured well after the crossing. The energy that cutting the response there
    drops is estimated as the exponential tail of the late decay, to be added back.

    A response that ends in digital silence is kept whole, and so is one whose last tenth lies
    more than 3 dB below the tenth before it: its decay was still falling where it was cut off
    (a renderer stops at a level, not at a noise floor), and the energy it would have had
    after the end is too little to matter within T30's range. One that never rises 10 dB
    above its own end has no decay to measure.

    Any thread; a pure function of its arguments. */
class NoiseTruncation
{
public:
    std::size_t end = 0; // samples kept
    double tail = 0.0;   // energy the late decay would have had after them
    bool decays = true;  // false: nothing but noise

    /** From the squared samples of a response, its first sample the start of the decay. */
    static NoiseTruncation find(const std::vector<double>& energy, double sampleRate);
};

} // namespace morvane
