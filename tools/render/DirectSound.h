// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvane
{

/** Where the direct sound of one channel of an impulse response lies, and where the
    reverberation after it begins.

    - First arrival: the first sample whose magnitude comes within 20 dB of the channel's peak
      (the onset rule of ISO 3382-1).
    - The direct sound runs from there through its own peak (the largest magnitude in the
      following millisecond) until the magnitude stays 20 dB below that peak for 0.1 ms. A
      direct sound that does not fall away like that within 2.5 ms is not told apart from what
      follows it: it then ends at its first sample 20 dB below its peak.
    - Reverberation onset: the first sample after the direct sound that comes within 20 dB of
      the peak of everything after the direct sound (so a direct sound whose own last
      samples linger more than 20 dB down counts them as the reverberation's start). The gap is the
   time from the first arrival to the reverberation onset (the initial time delay gap of a room).

    Any thread; a pure function of its arguments. */
class DirectSound
{
public:
    static constexpr double onsetDecibels = -20.0;
    static constexpr double peakSearchSeconds = 0.001;
    static constexpr double holdSeconds = 0.0001;
    static constexpr double longestSeconds = 0.0025;

    int arrival = -1;            // sample index; -1 for a silent channel
    int end = -1;                // the first sample after the direct sound
    int reverberationOnset = -1; // -1 when nothing follows the direct sound

    static DirectSound find(const float* samples, int count, double sampleRate);

    /** The first sample within onsetDecibels of the peak magnitude; -1 if all are zero or
        any is not finite. */
    static int firstArrival(const float* samples, int count);
};

} // namespace morvane
