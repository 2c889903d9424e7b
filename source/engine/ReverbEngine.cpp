// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ReverbEngine.h"

#include "engine/EngineSettings.h"

#include <cstddef>

namespace morvane
{

namespace
{

constexpr float modulationDepth = static_cast<float>(NetworkGeometry::modulationDepth);

// One feedback line: the oscillator swings the read point on top of the Size-dependent length.
// Size 0 shapes to a few 1e-9 below zero, which can put the delay a hair under one sample; the
// read then stays inside the buffer and differs from a one-sample delay by a negligible amount.
inline float runLine(RandomLfo& lfo, DelayLine& line, float feedback, float input) noexcept
{
    const float u = lfo.tick();
    const float span = static_cast<float>(line.getLength() - 2);
    const float delay = span * (u * modulationDepth + feedback) + 1.0f;
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
    : settings(engineSettings), preDelay(NetworkGeometry::preDelayMs, sampleRate),
      linesLeft(makeLines(0, sampleRate)), linesRight(makeLines(1, sampleRate)),
      lfos(makeOscillators(sampleRate)), allPassLeft(makeAllPassChain(0, sampleRate)),
      allPassRight(makeAllPassChain(1, sampleRate)), lowPass(sampleRate), highPass(sampleRate)
{
}

ReverbEngine::Lines ReverbEngine::makeLines(int channel, float sampleRate)
{
    const auto line = [&](int i)
    { return DelayLine(NetworkGeometry::lineTimeMs(channel, i), sampleRate); };
    return Lines{{line(0), line(1), line(2), line(3)}};
}

// The elements of a braced list are constructed in order, which fixes the order of the seed
// draws.
ReverbEngine::Oscillators ReverbEngine::makeOscillators(float sampleRate) noexcept
{
    constexpr float noise = NetworkGeometry::lfoNoiseAmount;
    return Oscillators{{RandomLfo(sampleRate, noise), RandomLfo(sampleRate, noise),
                        RandomLfo(sampleRate, noise), RandomLfo(sampleRate, noise),
                        RandomLfo(sampleRate, noise), RandomLfo(sampleRate, noise),
                        RandomLfo(sampleRate, noise), RandomLfo(sampleRate, noise)}};
}

ReverbEngine::AllPassChain ReverbEngine::makeAllPassChain(int channel, float sampleRate)
{
    const auto section = [&](int j)
    {
        return AllPassFilter(NetworkGeometry::allPassTimeMs(channel, j), sampleRate,
                             NetworkGeometry::allPassGain);
    };
    return AllPassChain{{section(0), section(1), section(2), section(3), section(4)}};
}

void ReverbEngine::processSample(float& left, float& right) noexcept
{
    processFrame(left, right, settings->forBlock());
}

void ReverbEngine::processBlock(float* left, float* right, int frames) noexcept
{
    if (frames <= 0)
        return;
    const EngineBlockSettings block = settings->forBlock();
    for (int n = 0; n < frames; ++n)
        processFrame(left[n], right[n], block);
}

void ReverbEngine::processFrame(float& left, float& right,
                                const EngineBlockSettings& block) noexcept
{
    const float mono = (left + right) * NetworkGeometry::inputGain;

    const float delayed =
        preDelay.readFixed(NetworkGeometry::preDelaySamples(block.delay, preDelay.getLength()));
    preDelay.write(mono);

    const float lowPassed = lowPass.process(delayed, block.lowPass);
    const float input = lowPassed - highPass.process(lowPassed, block.highPass);

    const float feedback = NetworkGeometry::feedbackGain(block.size);

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

} // namespace morvane
