// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnCore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

using morvane::OrnCore;

namespace
{

// Renders the wet impulse response and returns the time at which its Schroeder-integrated
// energy, the energy still to come, has fallen 60 dB below the total.
double measuredDecaySeconds(OrnCore& core, double sampleRate, double renderSeconds)
{
    core.setPlayConfigDetails(2, 2, sampleRate, 4096);
    core.setParameter(1, 1.0f);
    core.setParameter(2, 0.0f);

    const auto frames = static_cast<int>(renderSeconds * sampleRate);
    std::vector<double> energy(static_cast<size_t>(frames));
    juce::AudioBuffer<float> block(2, 4096);
    juce::MidiBuffer midi;

    for (int offset = 0; offset < frames; offset += block.getNumSamples())
    {
        block.clear();
        if (offset == 0)
        {
            block.setSample(0, 0, 1.0f);
            block.setSample(1, 0, 1.0f);
        }
        core.processBlock(block, midi);
        const int n = std::min(block.getNumSamples(), frames - offset);
        for (int i = 0; i < n; ++i)
        {
            const double l = block.getSample(0, i);
            const double r = block.getSample(1, i);
            energy[static_cast<size_t>(offset + i)] = l * l + r * r;
        }
    }

    double remaining = 0.0;
    for (double e : energy)
        remaining += e;
    const double threshold = remaining * 1.0e-6;

    for (size_t i = 0; i < energy.size(); ++i)
    {
        if (remaining < threshold)
            return static_cast<double>(i) / sampleRate;
        remaining -= energy[i];
    }
    return renderSeconds;
}

struct Room
{
    float size;
    float delay;
    double sampleRate;
};

} // namespace

TEST(TailLength, CoversTheMeasuredDecayWithoutGrossExcess)
{
    const Room rooms[] = {{0.85f, 0.0f, 44100.0},
                          {0.5f, 0.0f, 44100.0},
                          {0.2f, 0.0f, 48000.0},
                          {1.0f, 0.0f, 44100.0},
                          {0.5f, 1.0f, 96000.0}};

    for (const auto& room : rooms)
    {
        OrnCore core;
        core.setParameter(4, room.size);
        core.setParameter(3, room.delay);
        core.setPlayConfigDetails(2, 2, room.sampleRate, 4096);

        const double figure = core.getTailLengthSeconds();
        const double measured = measuredDecaySeconds(core, room.sampleRate, figure * 1.5 + 1.0);

        // A figure below the measurement cuts the reverb off in a host; one far above it makes
        // hosts render seconds of silence. The all-pass chains are counted as if their sections
        // rang out one after the other, which bounds them from above by about two thirds of a
        // second at any Size.
        EXPECT_GE(figure, measured) << "Size " << room.size << ", Delay " << room.delay;
        EXPECT_LE(figure, measured * 1.25 + 0.75)
            << "Size " << room.size << ", Delay " << room.delay;
        std::printf("Size %.2f Delay %.2f at %.0f Hz: figure %.3f s, measured %.3f s\n",
                    static_cast<double>(room.size), static_cast<double>(room.delay),
                    room.sampleRate, figure, measured);
    }
}

TEST(TailLength, IgnoresUnusableRatesAndOutOfRangeValues)
{
    OrnCore core;
    const double atFactoryRate = core.getTailLengthSeconds();

    core.setPlayConfigDetails(2, 2, 0.0, 512);
    EXPECT_EQ(core.getTailLengthSeconds(), atFactoryRate);

    core.setPlayConfigDetails(2, 2, std::numeric_limits<double>::infinity(), 512);
    EXPECT_EQ(core.getTailLengthSeconds(), atFactoryRate);

    core.setParameter(4, std::numeric_limits<float>::quiet_NaN());
    const double nanSize = core.getTailLengthSeconds();
    EXPECT_TRUE(std::isfinite(nanSize));
    EXPECT_GT(nanSize, 0.0);

    core.setParameter(4, 50.0f);
    core.setParameter(3, -50.0f);
    const double huge = core.getTailLengthSeconds();
    EXPECT_TRUE(std::isfinite(huge));
    EXPECT_LT(huge, 60.0);
}
