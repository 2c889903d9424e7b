#include "ImpulseAnalysis.h"

#include <algorithm>
#include <cmath>

namespace morvane
{

namespace
{
constexpr double pi = 3.14159265358979323846;

double toDecibels(double power)
{
    return 10.0 * std::log10(std::max(power, 1e-300));
}

// One second-order section, transposed direct form II, in double precision so that the
// low bands at high rates keep their accuracy.
struct Section
{
    double b0, b1, b2, a1, a2;

    void run(std::vector<double>& x) const
    {
        double z1 = 0.0, z2 = 0.0;
        for (auto& sample : x)
        {
            const double in = sample;
            const double out = b0 * in + z1;
            z1 = b1 * in - a1 * out + z2;
            z2 = b2 * in - a2 * out;
            sample = out;
        }
    }
};

Section butterworthSection(double cutoff, double q, double sampleRate, bool highPass)
{
    const double w0 = 2.0 * pi * cutoff / sampleRate;
    const double cosW = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    const double edge = highPass ? (1.0 + cosW) / 2.0 : (1.0 - cosW) / 2.0;
    const double middle = highPass ? -(1.0 + cosW) : 1.0 - cosW;
    return {edge / a0, middle / a0, edge / a0, -2.0 * cosW / a0, (1.0 - alpha) / a0};
}

// A straight line through points (x, y), by least squares: y = intercept + slope * x.
struct Line
{
    double intercept = 0.0;
    double slope = 0.0;
    bool valid = false;
};

class LineFit
{
public:
    void add(double x, double y)
    {
        ++count;
        sumX += x;
        sumY += y;
        sumXX += x * x;
        sumXY += x * y;
    }

    Line line() const
    {
        const double n = static_cast<double>(count);
        const double denominator = n * sumXX - sumX * sumX;
        if (count < 2 || denominator <= 0.0)
            return {};
        const double slope = (n * sumXY - sumX * sumY) / denominator;
        return {(sumY - slope * sumX) / n, slope, true};
    }

private:
    long count = 0;
    double sumX = 0.0, sumY = 0.0, sumXX = 0.0, sumXY = 0.0;
};

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
Line fitEnvelope(const Envelope& env, size_t from, double topDb, double bottomDb)
{
    size_t first = from;
    while (first < env.levelDb.size() && env.levelDb[first] > topDb)
        ++first;
    LineFit fit;
    for (size_t i = first; i < env.levelDb.size() && env.levelDb[i] >= bottomDb; ++i)
        fit.add(env.centre(i), env.levelDb[i]);
    return fit.line();
}

struct Truncation
{
    size_t end = 0;    // samples kept
    double tail = 0.0; // energy the late decay would have had after them
};

// Where the decay meets the noise, after Lundeby: a first guess from 10 ms intervals, then
// up to five refinements with intervals matched to the decay rate and the noise measured
// well after the crossing.
Truncation findTruncation(const std::vector<double>& energy, double sampleRate)
{
    const size_t size = energy.size();
    Truncation whole{size, 0.0};
    double noise = meanFrom(energy, size - size / 10);
    if (size < 20 || noise <= 0.0)
        return whole; // it ends in silence: integrate to the end

    auto env = envelope(energy, static_cast<int>(std::lround(0.01 * sampleRate)));
    const auto peak = static_cast<size_t>(std::max_element(env.levelDb.begin(), env.levelDb.end()) -
                                          env.levelDb.begin());
    const double peakSample = env.centre(peak);
    double noiseDb = toDecibels(noise);
    if (env.levelDb[peak] - noiseDb < 10.0)
        return {1, 0.0}; // nothing but noise: no decay to measure

    Line line = fitEnvelope(env, peak, env.levelDb[peak], noiseDb + 10.0);
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
        const Line refined = fitEnvelope(env, from, noiseDb + 25.0, noiseDb + 5.0);
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
    Truncation result;
    result.end = static_cast<size_t>(std::clamp(crossing, 1.0, static_cast<double>(size)));
    const double power =
        std::pow(10.0, (line.intercept + line.slope * static_cast<double>(result.end)) / 10.0);
    const double decayPerSample = std::pow(10.0, line.slope / 10.0);
    result.tail = power / (1.0 - decayPerSample);
    return result;
}
} // namespace

double ImpulseAnalysis::Figures::firstArrivalSeconds(int channel) const
{
    const int sample = firstArrival[static_cast<size_t>(channel)];
    return sample < 0 || sampleRate <= 0.0 ? notMeasured : sample / sampleRate;
}

std::vector<double> ImpulseAnalysis::octaveBand(const float* samples, int count, double sampleRate,
                                                double centreHz)
{
    const double lower = centreHz / std::sqrt(2.0);
    const double upper = centreHz * std::sqrt(2.0);
    if (count <= 0 || !(upper < 0.45 * sampleRate))
        return {};

    // The two sections of a fourth-order Butterworth filter.
    constexpr double q1 = 0.54119610014619698;
    constexpr double q2 = 1.3065629648763766;
    const std::array<Section, 4> sections{butterworthSection(lower, q1, sampleRate, true),
                                          butterworthSection(lower, q2, sampleRate, true),
                                          butterworthSection(upper, q1, sampleRate, false),
                                          butterworthSection(upper, q2, sampleRate, false)};

    std::vector<double> band(samples, samples + count);
    for (const auto& section : sections)
        section.run(band);
    std::reverse(band.begin(), band.end());
    for (const auto& section : sections)
        section.run(band);
    std::reverse(band.begin(), band.end());
    return band;
}

int ImpulseAnalysis::firstArrival(const float* samples, int count)
{
    float peak = 0.0f;
    for (int n = 0; n < count; ++n)
        peak = std::max(peak, std::abs(samples[n]));
    if (!(peak > 0.0f) || !std::isfinite(peak))
        return -1;

    const auto threshold =
        static_cast<float>(static_cast<double>(peak) * std::pow(10.0, onsetDecibels / 20.0));
    for (int n = 0; n < count; ++n)
        if (std::abs(samples[n]) >= threshold)
            return n;
    return -1;
}

std::vector<double> ImpulseAnalysis::decayCurve(const std::vector<double>& samples, int start,
                                                double sampleRate)
{
    if (start < 0 || static_cast<size_t>(start) >= samples.size())
        return {};
    std::vector<double> energy(samples.begin() + start, samples.end());
    double total = 0.0;
    for (auto& value : energy)
    {
        value *= value;
        total += value;
    }
    if (!(total > 0.0) || !std::isfinite(total))
        return {};

    const auto truncation = findTruncation(energy, sampleRate);
    std::vector<double> curve(truncation.end);
    double remaining = truncation.tail;
    for (size_t n = truncation.end; n-- > 0;)
    {
        remaining += energy[n];
        curve[n] = remaining;
    }
    const double reference = curve[0];
    for (auto& value : curve)
        value = toDecibels(value / reference);
    return curve;
}

ImpulseAnalysis::Decay ImpulseAnalysis::decayTimes(const std::vector<double>& curveDb,
                                                   double sampleRate)
{
    auto fit = [&](double startDb, double endDb)
    {
        const auto below = [&](double level)
        {
            return static_cast<size_t>(
                std::find_if(curveDb.begin(), curveDb.end(), [&](double v) { return v <= level; }) -
                curveDb.begin());
        };
        size_t first = below(startDb);
        const size_t last = below(endDb);
        if (last >= curveDb.size())
            return notMeasured; // the curve stops (at the noise) before the end of the range
        if (first == last && first > 0)
            --first;

        LineFit line;
        for (size_t n = first; n <= last; ++n)
            line.add(static_cast<double>(n), curveDb[n]);
        const auto result = line.line();
        if (!result.valid || result.slope >= 0.0)
            return notMeasured;
        return -60.0 / (result.slope * sampleRate);
    };
    return {fit(0.0, -10.0), fit(-5.0, -25.0), fit(-5.0, -35.0)};
}

double ImpulseAnalysis::crossCorrelation(const std::vector<double>& a, const std::vector<double>& b,
                                         int begin, int end, int maxLag)
{
    const auto size = static_cast<int>(std::min(a.size(), b.size()));
    begin = std::max(0, begin);
    end = std::min(end, size);
    if (begin >= end)
        return notMeasured;

    double energyA = 0.0, energyB = 0.0;
    for (int n = begin; n < end; ++n)
    {
        energyA += a[static_cast<size_t>(n)] * a[static_cast<size_t>(n)];
        energyB += b[static_cast<size_t>(n)] * b[static_cast<size_t>(n)];
    }
    const double norm = std::sqrt(energyA * energyB);
    if (!(norm > 0.0) || !std::isfinite(norm))
        return notMeasured;

    // The sums run block by block with every lag inside a block, so that a long response is
    // read from memory once rather than once per lag; four running sums per lag let the
    // compiler keep them in vector registers.
    constexpr int blockLength = 4096;
    const auto lags = static_cast<size_t>(2 * maxLag + 1);
    std::vector<std::array<double, 4>> sums(lags, std::array<double, 4>{});
    for (int blockStart = begin; blockStart < end; blockStart += blockLength)
    {
        const int blockEnd = std::min(end, blockStart + blockLength);
        for (int lag = -maxLag; lag <= maxLag; ++lag)
        {
            const int from = std::max(blockStart, -lag);
            const int to = std::min(blockEnd, size - lag);
            const double* x = a.data() + from;
            const double* y = b.data() + from + lag;
            const int length = std::max(0, to - from);
            // Local copies, which the compiler knows are not aliased by x and y.
            auto partial = sums[static_cast<size_t>(lag + maxLag)];
            int n = 0;
            for (; n + 4 <= length; n += 4)
                for (int k = 0; k < 4; ++k)
                    partial[static_cast<size_t>(k)] += x[n + k] * y[n + k];
            for (; n < length; ++n)
                partial[0] += x[n] * y[n];
            sums[static_cast<size_t>(lag + maxLag)] = partial;
        }
    }

    double best = 0.0;
    for (const auto& partial : sums)
        best = std::max(best, std::abs((partial[0] + partial[1]) + (partial[2] + partial[3])));
    return std::min(1.0, best / norm);
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

    const int count = ir.getNumSamples();
    if (count == 0 || ir.getNumChannels() == 0 || !(sampleRate > 0.0) || !std::isfinite(sampleRate))
        return figures;

    const std::array<const float*, 2> channels{
        ir.getReadPointer(0), ir.getReadPointer(std::min(1, ir.getNumChannels() - 1))};
    for (size_t c = 0; c < 2; ++c)
        figures.firstArrival[c] = firstArrival(channels[c], count);
    if (figures.firstArrival[0] < 0 && figures.firstArrival[1] < 0)
        return figures;

    // Both channels' curves start at the earlier arrival, so that neither loses its onset.
    int onset = count;
    for (const int arrival : figures.firstArrival)
        if (arrival >= 0)
            onset = std::min(onset, arrival);
    const int maxLag = static_cast<int>(std::lround(maxLagSeconds * sampleRate));
    const int earlyEnd = onset + static_cast<int>(std::lround(earlySeconds * sampleRate));
    const auto curveStep =
        std::max<size_t>(1, static_cast<size_t>(std::lround(curveStepSeconds * sampleRate)));

    for (auto& band : figures.bands)
    {
        std::array<std::vector<double>, 2> signal;
        for (size_t c = 0; c < 2; ++c)
            signal[c] = band.centreHz > 0.0
                            ? octaveBand(channels[c], count, sampleRate, band.centreHz)
                            : std::vector<double>(channels[c], channels[c] + count);
        if (signal[0].empty())
            continue;

        for (size_t c = 0; c < 2; ++c)
            if (figures.firstArrival[c] >= 0)
                band.channels[c] = decayTimes(
                    decayCurve(signal[c], figures.firstArrival[c], sampleRate), sampleRate);

        std::vector<double> both(static_cast<size_t>(count));
        for (size_t n = 0; n < both.size(); ++n)
            both[n] = std::sqrt(signal[0][n] * signal[0][n] + signal[1][n] * signal[1][n]);
        const auto curve = decayCurve(both, onset, sampleRate);
        for (size_t n = 0; n < curve.size(); n += curveStep)
            band.curveDb.push_back(static_cast<float>(curve[n]));

        band.iacc = crossCorrelation(signal[0], signal[1], onset, count, maxLag);
        band.iaccEarly = crossCorrelation(signal[0], signal[1], onset, earlyEnd, maxLag);
    }
    return figures;
}

} // namespace morvane
