#include "engine/ReverbEngine.h"

#include "engine/EngineSettings.h"
#include "engine/Primes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace morvane
{

namespace
{

constexpr float lfoNoiseAmount = 0.000001f;
constexpr float allPassGain = 0.68f;

// One feedback line: the oscillator swings the read point over 1.4 % of the line on top of the
// Size-dependent length, and the same Size value sets the feedback, so bigger rooms ring longer.
// Size 0 shapes to a few 1e-9 below zero, which can put the delay a hair under one sample; the
// read then stays inside the buffer and differs from a one-sample delay by a negligible amount.
inline float runLine(RandomLfo& lfo, DelayLine& line, float feedback, float input) noexcept
{
    const float u = lfo.tick();
    const float span = static_cast<float>(line.getLength() - 2);
    const float delay = span * (u * 0.014f + feedback) + 1.0f;
    const float t = line.readInterpolated(delay);
    line.write(t * feedback + input);
    return t;
}

inline std::size_t at(int i) noexcept
{
    return static_cast<std::size_t>(i);
}

} // namespace

ReverbEngine::ReverbEngine(const EngineSettings* engineSettings, float sampleRate)
    : settings(engineSettings), baseTimes(computeBaseTimes()), preDelay(1000.0f, sampleRate),
      linesLeft(makeLines(baseTimes, sampleRate, true)),
      linesRight(makeLines(baseTimes, sampleRate, false)), lfos(makeOscillators(sampleRate)),
      allPassLeft(makeAllPassChain(baseTimes, 0.105f, sampleRate)),
      allPassRight(makeAllPassChain(baseTimes, 0.1f, sampleRate)), lowPass(sampleRate),
      highPass(sampleRate)
{
}

float ReverbEngine::baseTime(int k) noexcept
{
    const double exponent = static_cast<double>(8 - k) * static_cast<double>(0.11111111f);
    return static_cast<float>(82.0 / std::pow(2.0, exponent));
}

ReverbEngine::Times ReverbEngine::computeBaseTimes() noexcept
{
    Times times{};
    for (std::size_t k = 0; k < times.size(); ++k)
        times[k] = baseTime(static_cast<int>(k));
    return times;
}

// Each left/right pair differs by 0.8 %, the longer side alternating from pair to pair, so
// neither channel is consistently the larger room.
ReverbEngine::Lines ReverbEngine::makeLines(const Times& times, float sampleRate, bool longerOnEven)
{
    const auto time = [&](std::size_t i)
    {
        const bool longer = (i % 2 == 0) == longerOnEven;
        return longer ? times[i] * 1.008f : times[i];
    };
    return Lines{{DelayLine(time(0), sampleRate), DelayLine(time(1), sampleRate),
                  DelayLine(time(2), sampleRate), DelayLine(time(3), sampleRate)}};
}

// The elements of a braced list are constructed in order, which fixes the order of the seed
// draws.
ReverbEngine::Oscillators ReverbEngine::makeOscillators(float sampleRate) noexcept
{
    return Oscillators{
        {RandomLfo(sampleRate, lfoNoiseAmount), RandomLfo(sampleRate, lfoNoiseAmount),
         RandomLfo(sampleRate, lfoNoiseAmount), RandomLfo(sampleRate, lfoNoiseAmount),
         RandomLfo(sampleRate, lfoNoiseAmount), RandomLfo(sampleRate, lfoNoiseAmount),
         RandomLfo(sampleRate, lfoNoiseAmount), RandomLfo(sampleRate, lfoNoiseAmount)}};
}

// The sections are far shorter than the lines (a tenth of T3..T7), and the left chain is 5 %
// longer than the right one to decorrelate the channels.
ReverbEngine::AllPassChain ReverbEngine::makeAllPassChain(const Times& times, float scale,
                                                          float sampleRate)
{
    return AllPassChain{{AllPassFilter(times[3] * scale, sampleRate, allPassGain),
                         AllPassFilter(times[4] * scale, sampleRate, allPassGain),
                         AllPassFilter(times[5] * scale, sampleRate, allPassGain),
                         AllPassFilter(times[6] * scale, sampleRate, allPassGain),
                         AllPassFilter(times[7] * scale, sampleRate, allPassGain)}};
}

EngineBlockSettings ReverbEngine::readSettings(const EngineSettings& engineSettings) noexcept
{
    return EngineBlockSettings{engineSettings.get(4), engineSettings.get(5), engineSettings.get(6),
                               engineSettings.get(7)};
}

void ReverbEngine::processSample(float& left, float& right) noexcept
{
    processFrame(left, right, readSettings(*settings));
}

void ReverbEngine::processBlock(float* left, float* right, int frames) noexcept
{
    if (frames <= 0)
        return;
    const EngineBlockSettings block = readSettings(*settings);
    for (int n = 0; n < frames; ++n)
        processFrame(left[n], right[n], block);
}

void ReverbEngine::processFrame(float& left, float& right,
                                const EngineBlockSettings& block) noexcept
{
    const double delaySetting = block.delay;
    const double sizeSetting = block.size;
    const double lowPassSetting = block.lowPass;
    const double highPassSetting = block.highPass;

    // Both channels feed one mono network; the quarter gain sets the reverb's level against the
    // dry signal.
    const float mono = (left + right) * 0.25f;

    const double span = static_cast<double>(preDelay.getLength() - 2);
    const int preDelaySamples = static_cast<int>(static_cast<float>(delaySetting * span + 1.0));
    const float delayed = preDelay.readFixed(preDelaySamples);
    preDelay.write(mono);

    const float lowPassed = lowPass.process(delayed, lowPassSetting);
    const float input = lowPassed - highPass.process(lowPassed, highPassSetting);

    const float feedback = static_cast<float>(sizeSetting * 0.98);

    float sign = 1.0f;
    float sumLeft = 0.0f;
    float sumRight = 0.0f;
    for (std::size_t i = 0; i < linesPerChannel; ++i)
    {
        sumLeft = sumLeft + runLine(lfos[2 * i], linesLeft[i], feedback, input) * sign;
        sumRight = sumRight + runLine(lfos[2 * i + 1], linesRight[i], feedback, input) * sign;
        sign = -sign;
    }

    for (auto& section : allPassLeft)
        sumLeft = section.process(sumLeft);
    for (auto& section : allPassRight)
        sumRight = section.process(sumRight);

    left = sumLeft;
    right = sumRight;
}

int ReverbEngine::getPreDelayLength() const noexcept
{
    return preDelay.getLength();
}

int ReverbEngine::getLineLength(int channel, int line) const noexcept
{
    if (line < 0 || line >= linesPerChannel)
        return 0;
    const Lines& lines = channel == 0 ? linesLeft : linesRight;
    return lines[at(line)].getLength();
}

int ReverbEngine::getAllPassLength(int channel, int section) const noexcept
{
    if (section < 0 || section >= allPassSections)
        return 0;
    const AllPassChain& chain = channel == 0 ? allPassLeft : allPassRight;
    return chain[at(section)].getLength();
}

double ReverbEngine::decaySeconds(const EngineSettings& engineSettings, float sampleRate) noexcept
{
    const double sixtyDecibels = std::log(0.001);

    const int preDelayLength = bufferLength(1000.0f, sampleRate);
    const float preDelaySamples = std::trunc(
        static_cast<float>(engineSettings.get(4) * static_cast<double>(preDelayLength - 2) + 1.0));
    const float feedback = static_cast<float>(engineSettings.get(5) * 0.98);

    int longest = 0;
    for (int k = 0; k < linesPerChannel; ++k)
        longest = std::max(longest, bufferLength(baseTime(k) * 1.008f, sampleRate));
    double lineSamples =
        static_cast<double>(longest - 2) * (static_cast<double>(feedback) + 0.014) + 1.0;
    if (feedback > 0.0f)
        lineSamples *= sixtyDecibels / std::log(static_cast<double>(feedback)) + 1.0;

    const double sectionTrips = sixtyDecibels / std::log(static_cast<double>(allPassGain)) + 1.0;
    double allPassSamples = 0.0;
    for (int k = 3; k < 8; ++k)
        allPassSamples +=
            static_cast<double>(bufferLength(baseTime(k) * 0.105f, sampleRate)) * sectionTrips;

    return (static_cast<double>(preDelaySamples) + lineSamples + allPassSamples) /
           static_cast<double>(sampleRate);
}

} // namespace morvane
