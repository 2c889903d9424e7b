// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoiseTruncation.h"

#include "LineFit.h"

#include <algorithm>
#include <cmath>

namespace morvane
{

namespace
{
constexpr double stillFallingDb = 3.0;
// ISO 3382-1 wants the bottom of a figure's range at least this far above the noise.
constexpr double marginAboveNoiseDb = 10.0;

double toDecibels(double power)
{
    return 10.0 * std::log10(std::max(power, 1e-300));
}

// Mean energy per interval of `length` samples, in dB, and each interval's centre.
struct Envelope
{
    std::vector<double> levelDb;
    int length = 1;

    double centre(size_t index) const
    {
        return (static_cast<double>(index) + 0.5) * static_cast<double>(length);
    }
};

Envelope envelope(const std::vector<double>& energy, int length)
{
    Envelope result;
    result.length = std::max(1, length);
    const size_t step = static_cast<size_t>(result.length);
    for (size_t begin = 0; begin < energy.size(); begin += step)
    {
        const size_t end = std::min(energy.size(), begin + step);
        double sum = 0.0;
        for (size_t n = begin; n < end; ++n)
            sum += energy[n];
        result.levelDb.push_back(toDecibels(sum / static_cast<double>(end - begin)));
    }
    return result;
}

double meanFrom(const std::vector<double>& energy, size_t begin)
{
    if (begin >= energy.size())
        return 0.0;
    double sum = 0.0;
    for (size_t n = begin; n < energy.size(); ++n)
        sum += energy[n];
    return sum / static_cast<double>(energy.size() - begin);
}

// Fits the envelope between its first point at or below `topDb` (from `from` on) and its
// first point below `bottomDb` after that.
LineFit::Line fitEnvelope(const Envelope& env, size_t from, double topDb, double bottomDb)
{
    size_t first = from;
    while (first < env.levelDb.size() && env.levelDb[first] > topDb)
        ++first;
    LineFit fit;
    for (size_t i = first; i < env.levelDb.size() && env.levelDb[i] >= bottomDb; ++i)
        fit.add(env.centre(i), env.levelDb[i]);
    return fit.line();
}

// The envelope's line from point `first` to its end, and how far its points scatter about it.
struct Trend
{
    LineFit::Line line;
    double spreadDb = 0.0; // standard deviation of the points about the line
    std::size_t points = 0;

    // Whether it falls by more than its scatter can explain: three standard errors of the
    // fall across `span` samples, and stillFallingDb at least.
    bool fallsAcross(double span) const
    {
        constexpr std::size_t fewest = 10;
        const double fall = -line.slope * span;
        return line.valid && points >= fewest && fall >= stillFallingDb &&
               fall >= 3.0 * spreadDb * std::sqrt(12.0 / static_cast<double>(points));
    }
};

Trend trendFrom(const Envelope& env, size_t first)
{
    LineFit fit;
    for (size_t i = first; i < env.levelDb.size(); ++i)
        fit.add(env.centre(i), env.levelDb[i]);
    Trend trend;
    trend.line = fit.line();
    trend.points = env.levelDb.size() - std::min(first, env.levelDb.size());
    if (!trend.line.valid)
        return trend;
    double squares = 0.0;
    for (size_t i = first; i < env.levelDb.size(); ++i)
    {
        const double residual =
            env.levelDb[i] - (trend.line.intercept + trend.line.slope * env.centre(i));
        squares += residual * residual;
    }
    trend.spreadDb = std::sqrt(squares / static_cast<double>(trend.points));
    return trend;
}

// The energy after the last sample of a response cut off while its decay was still falling,
// from that decay's line; nothing when the line does not fall.
double tailAfter(const LineFit::Line& late, size_t size)
{
    if (!late.valid || late.slope >= 0.0)
        return 0.0;
    const double power =
        std::pow(10.0, (late.intercept + late.slope * static_cast<double>(size)) / 10.0);
    return power / (1.0 - std::pow(10.0, late.slope / 10.0));
}
} // namespace

NoiseTruncation NoiseTruncation::find(const std::vector<double>& energy, double sampleRate)
{
    const size_t size = energy.size();
    const NoiseTruncation whole{size, 0.0, true, false};
    double noise = meanFrom(energy, size - size / 10);
    if (size < 20 || noise <= 0.0)
        return whole; // it ends in silence: integrate to the end

    auto env = envelope(energy, static_cast<int>(std::lround(0.01 * sampleRate)));
    const auto peak = static_cast<size_t>(std::max_element(env.levelDb.begin(), env.levelDb.end()) -
                                          env.levelDb.begin());
    const double peakSample = env.centre(peak);

    // Noise holds its level: a last tenth well below the tenth before it, or a late decay
    // that falls about as fast as the whole one, is the decay still falling where the
    // response was cut off, with no floor to find. The whole decay is followed from its
    // onset, the first interval within 10 dB of the loudest, rather than from the loudest
    // itself, which in noise is only a swing that the next intervals fall back from.
    const auto onset = static_cast<size_t>(
        std::find_if(env.levelDb.begin(), env.levelDb.end(),
                     [&env, peak](double level) { return level >= env.levelDb[peak] - 10.0; }) -
        env.levelDb.begin());
    const auto late = trendFrom(env, onset + (env.levelDb.size() - onset) / 2).line;
    const auto overall = trendFrom(env, onset);
    const double before = meanFrom(energy, size - size / 5) * 2.0 - noise;
    const bool fallsAtTheEnd = toDecibels(noise) < toDecibels(before) - stillFallingDb;
    const bool fallsLikeTheDecay =
        overall.fallsAcross(static_cast<double>(size) - env.centre(onset)) && late.valid &&
        late.slope <= 0.5 * overall.line.slope;
    if (fallsAtTheEnd || fallsLikeTheDecay)
        return {size, tailAfter(late, size), true, false};

    double noiseDb = toDecibels(noise);
    if (env.levelDb[peak] - noiseDb < 10.0)
        return {1, 0.0, false, true};

    auto line = fitEnvelope(env, peak, env.levelDb[peak], noiseDb + 10.0);
    if (!line.valid || line.slope >= 0.0)
        return {size, 0.0, true, true};
    double crossing = (noiseDb - line.intercept) / line.slope;

    for (int iteration = 0; iteration < 5; ++iteration)
    {
        const double samplesPer10Db = 10.0 / -line.slope;
        env = envelope(energy, static_cast<int>(std::clamp(samplesPer10Db / 5.0, 1.0,
                                                           static_cast<double>(size))));

        const double noiseStart =
            std::min(crossing + samplesPer10Db, 0.9 * static_cast<double>(size));
        noise = meanFrom(energy, static_cast<size_t>(std::max(0.0, noiseStart)));
        if (noise <= 0.0)
            return whole;
        noiseDb = toDecibels(noise);

        const auto from =
            std::min(env.levelDb.size() - 1, static_cast<size_t>(peakSample / env.length));
        const auto refined = fitEnvelope(env, from, noiseDb + 25.0, noiseDb + 5.0);
        if (!refined.valid || refined.slope >= 0.0)
            break;
        line = refined;
        const double previous = crossing;
        crossing = (noiseDb - line.intercept) / line.slope;
        if (std::abs(crossing - previous) < 0.001 * previous)
            break;
    }

    if (!std::isfinite(crossing))
        crossing = static_cast<double>(size);
    // The curve stops short of the crossing, where the decay still stands clear of the noise;
    // the energy after that comes from the decay's line.
    const double clear = (noiseDb + marginAboveNoiseDb - line.intercept) / line.slope;
    NoiseTruncation result;
    result.endsInNoise = true;
    result.end =
        static_cast<size_t>(std::clamp(std::min(crossing, clear), 1.0, static_cast<double>(size)));
    const double power =
        std::pow(10.0, (line.intercept + line.slope * static_cast<double>(result.end)) / 10.0);
    const double decayPerSample = std::pow(10.0, line.slope / 10.0);
    result.tail = power / (1.0 - decayPerSample);
    return result;
}

} // namespace morvane
