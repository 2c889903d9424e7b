// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ReverbEngine.h"
#include "engine/EngineSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace morvane
{
namespace
{

// Unoptimised and sanitised builds get a shorter soak, which would otherwise take minutes.
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr double soakSeconds = 60.0;
#else
constexpr double soakSeconds = 6.0;
#endif

using Frame = std::array<float, 2>;

// Delay, Size, Low Pass and High Pass as the engine reads them, already shaped.
void apply(EngineSettings& settings, double delay, double size, double lowPass, double highPass)
{
    settings.set(Parameter::delay, delay);
    settings.set(Parameter::size, size);
    settings.set(Parameter::lowPass, lowPass);
    settings.set(Parameter::highPass, highPass);
}

// Uniform noise in [-1, 1), the same on every platform.
float noise(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

// Runs the engine for `frames` frames; input(n) gives frame n.
template <typename Input>
std::vector<Frame> run(ReverbEngine& engine, int frames, Input input)
{
    std::vector<Frame> out;
    for (int n = 0; n < frames; ++n)
    {
        Frame frame = input(n);
        engine.processSample(frame[0], frame[1]);
        out.push_back(frame);
    }
    return out;
}

Frame impulseAt(int n, int at)
{
    return n == at ? Frame{1.0f, 1.0f} : Frame{};
}

int firstNonZero(const std::vector<Frame>& out, std::size_t channel)
{
    const auto it = std::find_if(out.begin(), out.end(),
                                 [channel](const Frame& f) { return f[channel] != 0.0f; });
    return static_cast<int>(it - out.begin());
}

TEST(ReverbEngine, SilenceStaysExactlySilent)
{
    std::srand(3);
    EngineSettings settings;
    apply(settings, 0.3, 1.0, 0.676, 0.2);
    ReverbEngine engine(&settings, 48000.0f);
    const auto out = run(engine, 480000, [](int) { return Frame{}; });
    EXPECT_EQ(firstNonZero(out, 0), 480000);
    EXPECT_EQ(firstNonZero(out, 1), 480000);
}

// At Delay 0 an impulse enters the lines one sample after it arrives and leaves the shortest line
// once the read point, 1 + (N - 2) x 0.98 x Size samples back, reaches it. This early the
// oscillators add less than one sample to that, and nothing at all at Size 0.
TEST(ReverbEngine, ImpulseArrivesAfterOneSamplePlusTheShortestLineDelay)
{
    for (const float rate : {44100.0f, 48000.0f})
    {
        for (const double size : {0.0, 0.37, 0.5, 1.0})
        {
            EngineSettings settings;
            apply(settings, 0.0, size, 1.0, 0.0);
            ReverbEngine engine(&settings, rate);
            const auto out = run(engine, 3000, [](int n) { return impulseAt(n, 0); });
            for (int channel = 0; channel < 2; ++channel)
            {
                int shortest = engine.getLineLength(channel, 0);
                for (int i = 1; i < 4; ++i)
                    shortest = std::min(shortest, engine.getLineLength(channel, i));
                const float span = static_cast<float>(shortest - 2);
                const int expected = 2 + static_cast<int>(span * static_cast<float>(size * 0.98));
                const int first = firstNonZero(out, static_cast<std::size_t>(channel));
                EXPECT_TRUE(first == expected || (size > 0.0 && first == expected + 1))
                    << rate << " Hz, size " << size << ": " << first << " vs " << expected;
            }
        }
    }
}

// At full Delay the impulse waits n - 1 samples, by which time the oscillators have moved the line
// taps. An identically seeded engine at Delay 0 that gets the impulse n - 2 samples later must
// then produce the same output bit for bit.
TEST(ReverbEngine, FullDelayHoldsTheImpulseForPreDelayLengthMinusOne)
{
    for (const float rate : {44100.0f, 48000.0f})
    {
        EngineSettings full;
        EngineSettings none;
        apply(full, 1.0, 0.5, 0.8, 0.1);
        apply(none, 0.0, 0.5, 0.8, 0.1);
        std::srand(5);
        ReverbEngine late(&full, rate);
        std::srand(5);
        ReverbEngine early(&none, rate);

        const int n = late.getPreDelayLength();
        const auto delayed = run(late, n + 4000, [](int i) { return impulseAt(i, 0); });
        EXPECT_EQ(delayed, run(early, n + 4000, [n](int i) { return impulseAt(i, n - 2); }));
        EXPECT_GE(firstNonZero(delayed, 0), n) << rate;
        EXPECT_LT(firstNonZero(delayed, 0), n + 4000) << rate;
    }
}

// Full Size gives a loop gain of 0.98. Over a long run of full-scale noise the output must stay
// finite and bounded, and its energy must have levelled off rather than still be growing.
TEST(ReverbEngine, FullSizeStaysBoundedOnLongNoise)
{
    for (const float rate : {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f})
    {
        EngineSettings settings;
        apply(settings, 0.0625, 1.0, 0.676, 0.0);
        ReverbEngine engine(&settings, rate);
        std::uint32_t state = 12345u;
        const int frames = static_cast<int>(soakSeconds * static_cast<double>(rate));
        float peak = 0.0f;
        std::array<double, 4> energy{};
        for (int n = 0; n < frames; ++n)
        {
            float left = noise(state);
            float right = noise(state);
            engine.processSample(left, right);
            ASSERT_TRUE(std::isfinite(left) && std::isfinite(right)) << rate << " Hz, frame " << n;
            peak = std::max({peak, std::fabs(left), std::fabs(right)});
            energy[static_cast<std::size_t>(4 * static_cast<std::int64_t>(n) / frames)] +=
                static_cast<double>(left * left + right * right);
        }
        EXPECT_LT(peak, 20.0f) << rate;
        EXPECT_LT(energy[3], 1.2 * energy[2]) << rate;
    }
}

TEST(ReverbEngine, ConstantInputDecaysTowardsZero)
{
    EngineSettings settings;
    apply(settings, 0.0, 0.8, 0.676, 0.0);
    ReverbEngine engine(&settings, 44100.0f);
    const auto out = run(engine, 5 * 44100, [](int) { return Frame{0.5f, 0.5f}; });
    for (std::size_t channel = 0; channel < 2; ++channel)
    {
        float start = 0.0f;
        float tail = 0.0f;
        for (std::size_t i = 0; i < 4410; ++i)
        {
            start = std::max(start, std::fabs(out[i][channel]));
            tail = std::max(tail, std::fabs(out[out.size() - 1 - i][channel]));
        }
        EXPECT_GT(start, 0.05f);
        EXPECT_LT(tail, 1e-3f * start);
    }
}

// The same seeds give the same output bit for bit; other seeds move the taps differently. Left and
// right differ even for a mono input, through line lengths and their own oscillators.
TEST(ReverbEngine, OutputDependsOnlyOnInputAndSeeds)
{
    EngineSettings settings;
    apply(settings, 0.01, 0.9, 0.5, 0.05);
    const auto render = [&settings](unsigned seed)
    {
        std::srand(seed);
        ReverbEngine engine(&settings, 48000.0f);
        std::uint32_t state = 99u;
        return run(engine, 96000,
                   [&state](int)
                   {
                       const float x = noise(state);
                       return Frame{x, x};
                   });
    };
    const auto first = render(41);
    EXPECT_EQ(first, render(41));
    EXPECT_NE(first, render(42));
    const auto differing = std::count_if(first.begin() + 3000, first.end(),
                                         [](const Frame& f) { return f[0] != f[1]; });
    EXPECT_GT(differing, 90000);
}

} // namespace
} // namespace morvane
