// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DecayFit.h"
#include "DirectSound.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <limits>
#include <vector>

namespace morvane
{

/** Room-acoustics figures of a stereo impulse response, in the manner of ISO 3382-1: decay
    times from Schroeder's backward integration, the direct sound, the direct-to-reverberant
    ratio and the inter-channel cross-correlation, broadband and per octave band. The figures
    depend only on the samples, not on what rendered them.

    - The direct sound and the gap before the reverberation: DirectSound, on each channel's
      broadband response. Each channel's curves start at its first arrival, so a pre-delay
      does not count as reverberation.
    - The reverberation is the response with the direct sound's samples set to zero; it is
      filtered into the bands like the whole response, so that a band filter's ringing of a
      strong direct sound is never taken for reverberation.
    - Octave bands: OctaveBandFilter. Noise floor, or a response cut off while it decays:
      NoiseTruncation, found on the reverberation and applied to both curves. The figures are
      fitted only where the energy measured still outweighs the energy added back for what
      comes after the truncation.
    - EDT on the whole curve, T20 and T30 on the reverberation's: DecayFit.
    - Direct-to-reverberant ratio: the direct sound's energy (in a band, what the band filter
      makes of it) over the reverberation's, both from the first arrival. Reverberation more
      than maxDirectToReverberantDb below the direct sound is rounding noise, not a decay:
      such a band has no figures but IACC.
    - IACC: the largest magnitude of the normalised cross-correlation of the two channels over
      lags of +-1 ms, over the whole response and over its first 80 ms (IACC_E) from the
      earlier of the two channels' first arrivals.

    Any thread; everything here is a pure function of its arguments. */
class ImpulseAnalysis
{
public:
    static constexpr double notMeasured = std::numeric_limits<double>::quiet_NaN();
    static constexpr std::array<double, 7> octaveCentres{125.0,  250.0,  500.0, 1000.0,
                                                         2000.0, 4000.0, 8000.0};
    static constexpr double maxDirectToReverberantDb = 100.0;
    static constexpr double maxLagSeconds = 0.001;
    static constexpr double earlySeconds = 0.08;
    /** The decay curves kept for drawing have one point per this many seconds. */
    static constexpr double curveStepSeconds = 0.001;

    using Decay = DecayTimes;

    struct Band
    {
        double centreHz = 0.0; // 0 for the broadband figures
        std::array<Decay, 2> channels;
        /** Per channel; NaN where there is no reverberation to compare with. */
        std::array<double, 2> directToReverberantDb{notMeasured, notMeasured};
        double iacc = notMeasured;
        double iaccEarly = notMeasured;
        /** Schroeder curve of both channels' energy, in dB from 0 at the first arrival, one
            point per curveStepSeconds; it ends where the noise or the response does. */
        std::vector<float> curveDb;
    };

    struct Figures
    {
        double sampleRate = 0.0;
        int numSamples = 0;
        std::array<DirectSound, 2> direct;
        std::vector<Band> bands; // broadband first, then octaveCentres

        /** NaN for a silent channel. */
        double firstArrivalSeconds(int channel) const;
        /** From the first arrival to the reverberation onset; NaN when either is missing. */
        double gapSeconds(int channel) const;
    };

    /** Analyses the first two channels (a mono response counts as both). */
    static Figures analyse(const juce::AudioBuffer<float>& ir, double sampleRate);
};

} // namespace morvane
