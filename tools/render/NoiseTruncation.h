// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

namespace morvane
{

/** Where a response's decay stops being measurable, after Lundeby: a first guess from 10 ms
    intervals, then up to five refinements with intervals matched to the decay rate and the
    noise measured well after the crossing of decay and noise. The response is kept up to where
    its decay still stands 10 dB above the noise (ISO 3382-1 wants that much below the bottom of
    a figure's range), and the energy that cutting it there drops is estimated as the
    exponential tail of the late decay, to be added back.

    A response that ends in digital silence is kept whole. So is one still falling at its end:
    its last tenth lies more than 3 dB below the tenth before it, or the second half of its
    decay falls at least half as fast as the whole decay, which falls by more than its
    scatter explains. Noise holds its level; such a response was cut off (a renderer stops at
    a level or a length, not at a noise floor), and the energy it would have had after its
    end is added back as its late decay's exponential tail. One that never rises 10 dB above
    its own end has no decay to measure.

    Any thread; a pure function of its arguments. */
class NoiseTruncation
{
public:
    std::size_t end = 0;      // samples kept
    double tail = 0.0;        // energy the late decay would have had after them
    bool decays = true;       // false: nothing but noise
    bool endsInNoise = false; // true: `end` is set by the noise; false: by the response's own
                              // end, in silence or still falling

    /** From the squared samples of a response, its first sample the start of the decay. */
    static NoiseTruncation find(const std::vector<double>& energy, double sampleRate);
};

} // namespace morvane
