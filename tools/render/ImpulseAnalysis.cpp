// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulseAnalysis.h"

#include "InterauralCorrelation.h"
#include "NoiseTruncation.h"
#include "OctaveBandFilter.h"
#include "SchroederCurve.h"

#include <algorithm>
#include <cmath>

namespace morvane
{

namespace
{
struct ChannelFigures
{
    DecayTimes decay;
    double directToReverberantDb = ImpulseAnalysis::notMeasured;
};

// One channel of one band: `whole` is the band's signal, `reverberant` the band's signal of
// the reverberation alone, both from the start of the response.
ChannelFigures measureChannel(const std::vector<double>& whole,
                              const std::vector<double>& reverberant, int arrival,
                              double sampleRate)
{
    const auto energy = SchroederCurve::energyFrom(whole, arrival);
    const auto reverberantEnergy = SchroederCurve::energyFrom(reverberant, arrival);
    const auto truncation = NoiseTruncation::find(reverberantEnergy, sampleRate);
    const auto reverberantLeft = SchroederCurve::remaining(reverberantEnergy, truncation);
    if (!truncation.decays || reverberantLeft.empty() || !(reverberantLeft[0] > 0.0))
        return {DecayTimes::unmeasured(Shortfall::noDecay)};

    double direct = 0.0;
    for (size_t n = 0; n < truncation.end; ++n)
    {
        const size_t index = static_cast<size_t>(arrival) + n;
        const double difference = whole[index] - reverberant[index];
        direct += difference * difference;
    }
    const double ratioDb = 10.0 * std::log10(std::max(direct, 1e-300) / reverberantLeft[0]);
    if (ratioDb > ImpulseAnalysis::maxDirectToReverberantDb)
        return {DecayTimes::unmeasured(Shortfall::noDecay)};

    const auto wholeLeft = SchroederCurve::remaining(energy, truncation);
    const double total = wholeLeft[0];
    // The figures are fitted where the curves are measured, not where the tail added back
    // for the energy after the truncation makes up most of them.
    const auto measured = SchroederCurve::measuredLength(reverberantLeft, truncation.tail);
    auto wholeDb = SchroederCurve::inDecibels(wholeLeft, total);
    auto reverberantDb = SchroederCurve::inDecibels(reverberantLeft, total);
    wholeDb.resize(std::min(wholeDb.size(), measured));
    reverberantDb.resize(std::min(reverberantDb.size(), measured));
    ChannelFigures figures;
    figures.decay = DecayFit::measure(wholeDb, reverberantDb, sampleRate,
                                      truncation.endsInNoise ? Shortfall::rangeBelowNoise
                                                             : Shortfall::responseEnds);
    if (direct > 0.0)
        figures.directToReverberantDb = ratioDb;
    return figures;
}

// Both channels' energy from `onset`, for drawing.
std::vector<float> drawnCurve(const std::array<std::vector<double>, 2>& whole,
                              const std::array<std::vector<double>, 2>& reverberant, int onset,
                              double sampleRate)
{
    const auto sum = [onset](const std::array<std::vector<double>, 2>& signals)
    {
        auto energy = SchroederCurve::energyFrom(signals[0], onset);
        const auto other = SchroederCurve::energyFrom(signals[1], onset);
        for (size_t n = 0; n < energy.size(); ++n)
            energy[n] += other[n];
        return energy;
    };
    const auto truncation = NoiseTruncation::find(sum(reverberant), sampleRate);
    const auto left = SchroederCurve::remaining(sum(whole), truncation);
    const auto curve = SchroederCurve::inDecibels(left, left.empty() ? 0.0 : left[0]);

    const auto step = std::max<size_t>(
        1, static_cast<size_t>(std::lround(ImpulseAnalysis::curveStepSeconds * sampleRate)));
    std::vector<float> drawn;
    for (size_t n = 0; n < curve.size(); n += step)
        drawn.push_back(static_cast<float>(curve[n]));
    return drawn;
}
} // namespace

double ImpulseAnalysis::Figures::firstArrivalSeconds(int channel) const
{
    const int sample = direct[static_cast<size_t>(channel)].arrival;
    return sample < 0 || sampleRate <= 0.0 ? notMeasured : sample / sampleRate;
}

double ImpulseAnalysis::Figures::gapSeconds(int channel) const
{
    const auto& sound = direct[static_cast<size_t>(channel)];
    if (sound.arrival < 0 || sound.reverberationOnset < 0 || sampleRate <= 0.0)
        return notMeasured;
    return (sound.reverberationOnset - sound.arrival) / sampleRate;
}

ImpulseAnalysis::Figures ImpulseAnalysis::analyse(const juce::AudioBuffer<float>& ir,
                                                  double sampleRate)
{
    Figures figures;
    figures.sampleRate = sampleRate;
    figures.numSamples = ir.getNumSamples();
    figures.bands.resize(octaveCentres.size() + 1);
    for (size_t i = 0; i < octaveCentres.size(); ++i)
        figures.bands[i + 1].centreHz = octaveCentres[i];
    for (auto& band : figures.bands)
        band.channels.fill(DecayTimes::unmeasured(Shortfall::silent));

    const int count = ir.getNumSamples();
    if (count == 0 || ir.getNumChannels() == 0 || !(sampleRate > 0.0) || !std::isfinite(sampleRate))
        return figures;

    const std::array<const float*, 2> channels{
        ir.getReadPointer(0), ir.getReadPointer(std::min(1, ir.getNumChannels() - 1))};
    std::array<std::vector<double>, 2> whole, reverberant;
    int onset = count;
    for (size_t c = 0; c < 2; ++c)
    {
        const auto& direct = figures.direct[c] = DirectSound::find(channels[c], count, sampleRate);
        whole[c].assign(channels[c], channels[c] + count);
        reverberant[c] = whole[c];
        if (direct.arrival < 0)
        {
            const bool finite = std::all_of(whole[c].begin(), whole[c].end(),
                                            [](double v) { return std::isfinite(v); });
            for (auto& band : figures.bands)
                band.channels[c] =
                    DecayTimes::unmeasured(finite ? Shortfall::silent : Shortfall::notFinite);
            continue;
        }
        std::fill(reverberant[c].begin() + direct.arrival, reverberant[c].begin() + direct.end,
                  0.0);
        onset = std::min(onset, direct.arrival);
    }
    if (onset == count)
        return figures;

    const int maxLag = static_cast<int>(std::lround(maxLagSeconds * sampleRate));
    const int earlyEnd = onset + static_cast<int>(std::lround(earlySeconds * sampleRate));
    for (auto& band : figures.bands)
    {
        const bool octave = band.centreHz > 0.0;
        if (octave && !OctaveBandFilter::fits(band.centreHz, sampleRate))
        {
            band.channels.fill(DecayTimes::unmeasured(Shortfall::bandBeyondRate));
            continue;
        }
        std::array<std::vector<double>, 2> signal, reverberantSignal;
        for (size_t c = 0; c < 2; ++c)
        {
            signal[c] =
                octave ? OctaveBandFilter::apply(whole[c], sampleRate, band.centreHz) : whole[c];
            reverberantSignal[c] =
                octave ? OctaveBandFilter::apply(reverberant[c], sampleRate, band.centreHz)
                       : reverberant[c];
            const int arrival = figures.direct[c].arrival;
            if (arrival < 0)
                continue; // silent or broken, as found above
            const auto measured =
                measureChannel(signal[c], reverberantSignal[c], arrival, sampleRate);
            band.channels[c] = measured.decay;
            band.directToReverberantDb[c] = measured.directToReverberantDb;
        }
        band.curveDb = drawnCurve(signal, reverberantSignal, onset, sampleRate);
        band.iacc = InterauralCorrelation::largest(signal[0], signal[1], onset, count, maxLag);
        band.iaccEarly =
            InterauralCorrelation::largest(signal[0], signal[1], onset, earlyEnd, maxLag);
    }
    // Without reverberation there is no gap before it.
    for (size_t c = 0; c < 2; ++c)
        if (figures.bands[0].channels[c].whyNoT30 == Shortfall::noDecay)
            figures.direct[c].reverberationOnset = -1;
    return figures;
}

} // namespace morvane
