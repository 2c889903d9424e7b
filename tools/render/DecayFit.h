// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <limits>
#include <vector>

namespace morvane
{

/** Why a decay figure was left unmeasured. */
enum class Shortfall
{
    none,
    silent,          // the channel holds no sound at all
    notFinite,       // the channel holds samples that are not finite numbers
    bandBeyondRate,  // the octave reaches too close to the Nyquist frequency
    noDecay,         // nothing after the direct sound stands 10 dB above the noise or the end
    rangeBelowNoise, // the decay meets the noise before the end of the figure's range
    responseEnds,    // the response ends before its decay reaches the end of the range
};

/** EDT, T20 and T30 in seconds, NaN where the figure could not be measured. */
struct DecayTimes
{
    double edt = std::numeric_limits<double>::quiet_NaN();
    double t20 = std::numeric_limits<double>::quiet_NaN();
    double t30 = std::numeric_limits<double>::quiet_NaN();
    Shortfall whyNoEdt = Shortfall::none;
    Shortfall whyNoT20 = Shortfall::none;
    Shortfall whyNoT30 = Shortfall::none;

    /** The same shortfall for every figure. */
    static DecayTimes unmeasured(Shortfall why);
};

/** Decay times from Schroeder curves by least squares, each extrapolated to 60 dB (ISO 3382-1).

    EDT fits the whole curve from 0 to -10 dB. T20 and T30 fit 20 and 30 dB of the decay of the
    reverberation, from -5 dB; where the curve has already fallen more than 5 dB by the knee
    (the point where the reverberant decay begins, after the direct sound and the gap), the -5
    dB point lies in the direct sound's drop, and the range starts 5 dB below the knee instead.

    Any thread; pure functions. */
class DecayFit
{
public:
    static constexpr double edtRangeDb = 10.0;
    static constexpr double evaluationStartDb = -5.0;

    /** `whole` is the Schroeder curve of the whole response in dB from 0 at its start;
        `reverberant` the curve of its reverberation alone (the direct sound taken out) on
        the same scale, so that it starts at the knee level. A curve ends where the noise
        begins or where the response ends; `whyCurvesEnd` says which, for the figures whose
        range lies beyond. */
    static DecayTimes measure(const std::vector<double>& whole,
                              const std::vector<double>& reverberant, double sampleRate,
                              Shortfall whyCurvesEnd = Shortfall::rangeBelowNoise);

    /** A curve with no direct sound to take out. */
    static DecayTimes measure(const std::vector<double>& curveDb, double sampleRate,
                              Shortfall whyCurveEnds = Shortfall::rangeBelowNoise)
    {
        return measure(curveDb, curveDb, sampleRate, whyCurveEnds);
    }

    /** Where T20 and T30 start on the whole curve for a knee at this level. */
    static double rangeStartDb(double kneeDb)
    {
        return kneeDb < evaluationStartDb ? kneeDb + evaluationStartDb : evaluationStartDb;
    }
};

} // namespace morvane
