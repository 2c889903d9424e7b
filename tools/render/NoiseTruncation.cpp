#include "NoiseTruncation.h"

#include "LineFit.h"

#include <algorithm>
#include <cmath>

namespace morvane
{

namespace
{
constexpr double stillFallingDb = 3.0;

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
} // namespace

NoiseTruncation NoiseTruncation::find(const std::vector<double>& energy, double sampleRate)
{
    const size_t size = energy.size();
    const NoiseTruncation whole{size, 0.0, true};
    double noise = meanFrom(energy, size - size / 10);
    if (size < 20 || noise <= 0.0)
        return whole; // it ends in silence: integrate to the end

    // Noise holds its level; a last tenth well below the tenth before it is the decay still
    // falling where the response was cut off, with no floor to find.
    const double before = meanFrom(energy, size - size / 5) * 2.0 - noise;
    if (toDecibels(noise) < toDecibels(before) - stillFallingDb)
        return whole;

    auto env = envelope(energy, static_cast<int>(std::lround(0.01 * sampleRate)));
    const auto peak = static_cast<size_t>(std::max_element(env.levelDb.begin(), env.levelDb.end()) -
                                          env.levelDb.begin());
    const double peakSample = env.centre(peak);
    double noiseDb = toDecibels(noise);
    if (env.levelDb[peak] - noiseDb < 10.0)
        return {1, 0.0, false};

    auto line = fitEnvelope(env, peak, env.levelDb[peak], noiseDb + 10.0);
    if (!line.valid || line.slope >= 0.0)
        return whole;
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
    NoiseTruncation result;
    result.end = static_cast<size_t>(std::clamp(crossing, 1.0, static_cast<double>(size)));
    const double power =
        std::pow(10.0, (line.intercept + line.slope * static_cast<double>(result.end)) / 10.0);
    const double decayPerSample = std::pow(10.0, line.slope / 10.0);
    result.tail = power / (1.0 - decayPerSample);
    return result;
}

} // namespace morvane
