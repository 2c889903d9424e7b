// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace morvane
{

/** One octave band of a response: a fourth-order Butterworth high-pass at fc / sqrt 2 followed
    by a fourth-order low-pass at fc * sqrt 2, run forwards and then backwards. The result has
    no phase shift, so the band's onset stays where the broadband one is, and its own ringing
    dies far faster than any decay worth measuring. Double precision throughout, so that the
    low bands at high rates keep their accuracy.

    Any thread; a pure function of its arguments. */
class OctaveBandFilter
{
public:
    /** Whether the band's upper edge lies far enough below the Nyquist frequency. */
    static bool fits(double centreHz, double sampleRate);

    /** The band around centreHz; empty when it does not fit the rate. */
    static std::vector<double> apply(const std::vector<double>& samples, double sampleRate,
                                     double centreHz);
};

} // namespace morvane
