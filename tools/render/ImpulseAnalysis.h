#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <limits>
#include <vector>

namespace morvane
{

/** Room-acoustics figures of a stereo impulse response, in the manner of ISO 3382-1: decay
    times from Schroeder's backward integration, the first arrival and the inter-channel
    cross-correlation, broadband and per octave band. The figures depend only on the samples,
    not on what rendered them.

    - Octave bands: a fourth-order Butterworth high-pass at fc / sqrt 2 followed by a
      fourth-order low-pass at fc * sqrt 2, run forwards and then backwards over the response.
      The result has no phase shift, so the band's onset stays where the broadband one is,
      and its own ringing dies far faster than any decay worth measuring.
    - First arrival: the first sample whose magnitude comes within 20 dB of the channel's
      peak (the onset rule of ISO 3382-1). Decays are measured from there, so a pre-delay
      does not count as reverberation.
    - Noise floor: the squared response is truncated where its decay meets the noise (an
      iterative estimate after Lundeby), and the energy the truncation drops is put back as
      the exponential tail of the late decay. A response that ends in digital silence is
      simply integrated to its end.
    - EDT fits 0 to -10 dB, T20 -5 to -25 dB, T30 -5 to -35 dB of the decay curve (least
      squares), each extrapolated to 60 dB. A decay whose curve does not reach the end of its
      range before the noise gives NaN.
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
    static constexpr double onsetDecibels = -20.0;
    static constexpr double maxLagSeconds = 0.001;
    static constexpr double earlySeconds = 0.08;
    /** The decay curves kept for drawing have one point per this many seconds. */
    static constexpr double curveStepSeconds = 0.001;

    struct Decay
    {
        double edt = notMeasured; // seconds
        double t20 = notMeasured;
        double t30 = notMeasured;
    };

    struct Band
    {
        double centreHz = 0.0; // 0 for the broadband figures
        std::array<Decay, 2> channels;
        double iacc = notMeasured;
        double iaccEarly = notMeasured;
        /** Schroeder curve of both channels' energy, in dB from 0 at the first arrival, one
            point per curveStepSeconds; it ends where the noise begins. */
        std::vector<float> curveDb;
    };

    struct Figures
    {
        double sampleRate = 0.0;
        int numSamples = 0;
        std::array<int, 2> firstArrival{-1, -1}; // sample index; -1 for a silent channel
        std::vector<Band> bands;                 // broadband first, then octaveCentres

        double firstArrivalSeconds(int channel) const;
    };

    /** Analyses the first two channels (a mono response counts as both). */
    static Figures analyse(const juce::AudioBuffer<float>& ir, double sampleRate);

    /** The octave band around centreHz, zero phase; empty when the band's upper edge is too
        close to the Nyquist frequency to be measured. */
    static std::vector<double> octaveBand(const float* samples, int count, double sampleRate,
                                          double centreHz);

    /** The first sample within onsetDecibels of the peak magnitude; -1 if all are zero. */
    static int firstArrival(const float* samples, int count);

    /** Schroeder's backward integral of the squared samples from `start` on, with the noise
        floor truncated and compensated, in dB relative to its value at `start`. Its length
        is the number of samples before the truncation point. */
    static std::vector<double> decayCurve(const std::vector<double>& samples, int start,
                                          double sampleRate);

    /** EDT, T20 and T30 from a decay curve as decayCurve() returns it. */
    static Decay decayTimes(const std::vector<double>& curveDb, double sampleRate);

    /** The largest |normalised cross-correlation| of a[begin..end) against b over lags of
        +-maxLag samples; NaN when either channel is silent there. */
    static double crossCorrelation(const std::vector<double>& a, const std::vector<double>& b,
                                   int begin, int end, int maxLag);
};

} // namespace morvane
