// SPDX-License-Identifier: GPL-3.0-or-later
#include "DemoPhrase.h"

#include <cmath>

namespace morvane
{

namespace
{
constexpr double twoPi = 6.283185307179586;

class NoiseSource
{
public:
    float next() noexcept
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int>(state >> 8) - (1 << 23)) / 8388608.0f;
    }

private:
    juce::uint32 state = 12345u;
};

void add(juce::AudioBuffer<float>& out, int start, float pan, const std::vector<float>& sound)
{
    const float leftGain = std::sqrt(1.0f - pan);
    const float rightGain = std::sqrt(pan);
    for (size_t n = 0; n < sound.size(); ++n)
    {
        const int index = start + static_cast<int>(n);
        if (index >= out.getNumSamples())
            break;
        out.addSample(0, index, sound[n] * leftGain);
        out.addSample(1, index, sound[n] * rightGain);
    }
}

std::vector<float> kick()
{
    std::vector<float> sound(static_cast<size_t>(0.35 * DemoPhrase::sampleRate));
    double phase = 0.0;
    for (size_t n = 0; n < sound.size(); ++n)
    {
        const double t = static_cast<double>(n) / DemoPhrase::sampleRate;
        const double frequency = 45.0 + 90.0 * std::exp(-t * 25.0);
        phase += twoPi * frequency / DemoPhrase::sampleRate;
        sound[n] = static_cast<float>(0.9 * std::sin(phase) * std::exp(-t * 9.0));
    }
    return sound;
}

std::vector<float> snare(NoiseSource& noise)
{
    std::vector<float> sound(static_cast<size_t>(0.2 * DemoPhrase::sampleRate));
    float lowPassed = 0.0f;
    for (size_t n = 0; n < sound.size(); ++n)
    {
        const double t = static_cast<double>(n) / DemoPhrase::sampleRate;
        lowPassed += 0.5f * (noise.next() - lowPassed);
        const double body = std::sin(twoPi * 190.0 * t) * std::exp(-t * 30.0);
        sound[n] = static_cast<float>((0.55 * lowPassed + 0.35 * body) * std::exp(-t * 22.0));
    }
    return sound;
}

std::vector<float> hat(NoiseSource& noise)
{
    std::vector<float> sound(static_cast<size_t>(0.04 * DemoPhrase::sampleRate));
    float previous = 0.0f;
    for (size_t n = 0; n < sound.size(); ++n)
    {
        const double t = static_cast<double>(n) / DemoPhrase::sampleRate;
        const float white = noise.next();
        sound[n] = static_cast<float>(0.25 * (white - previous) * std::exp(-t * 90.0));
        previous = white;
    }
    return sound;
}

std::vector<float> pluck(double frequency)
{
    std::vector<float> sound(static_cast<size_t>(0.45 * DemoPhrase::sampleRate));
    for (size_t n = 0; n < sound.size(); ++n)
    {
        const double t = static_cast<double>(n) / DemoPhrase::sampleRate;
        const double attack = std::min(1.0, t * 400.0);
        double value = 0.0;
        for (int harmonic = 1; harmonic <= 4; ++harmonic)
            value += std::sin(twoPi * frequency * harmonic * t) / (harmonic * harmonic) *
                     std::exp(-t * (6.0 + 4.0 * harmonic));
        sound[n] = static_cast<float>(0.35 * attack * value);
    }
    return sound;
}

int at(double seconds)
{
    return static_cast<int>(seconds * DemoPhrase::sampleRate);
}
} // namespace

juce::AudioBuffer<float> DemoPhrase::generate()
{
    juce::AudioBuffer<float> out(2, at(4.5));
    out.clear();
    NoiseSource noise;

    const auto kickSound = kick();
    for (double t : {0.0, 1.0})
        add(out, at(t), 0.5f, kickSound);
    for (double t : {0.5, 1.5})
        add(out, at(t), 0.45f, snare(noise));
    for (int i = 0; i < 8; ++i)
        add(out, at(0.25 * i + 0.125), 0.7f, hat(noise));

    // A rising and falling A-minor figure, panned a little from side to side.
    const double notes[] = {220.0, 261.63, 329.63, 440.0, 392.0, 329.63};
    for (int i = 0; i < 6; ++i)
        add(out, at(2.1 + 0.22 * i), i % 2 == 0 ? 0.35f : 0.65f, pluck(notes[i]));

    return out;
}

} // namespace morvane
