// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EnginePath.h"
#include "processor/OrnCore.h"
#include "support/ProcessorProbe.h"

#include <gtest/gtest.h>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

using morvane::EnginePath;
using morvane::EnginePaths;
using morvane::OrnCore;
using morvane::test::makeNoiseBlock;

namespace
{
#if defined(__x86_64__) || defined(__i386__)
// MXCSR without its exception flags, which any arithmetic may raise; its FTZ and DAZ bits
// flush subnormal numbers.
constexpr std::uint64_t flushBits = 0x8040;

std::uint64_t floatingPointMode()
{
    return _mm_getcsr() & ~std::uint64_t{0x3F};
}

void setFloatingPointMode(std::uint64_t mode)
{
    _mm_setcsr(static_cast<unsigned int>(mode));
}
#elif defined(__aarch64__)
// FPCR (the exception flags live in FPSR), whose FZ bit flushes subnormal numbers.
constexpr std::uint64_t flushBits = std::uint64_t{1} << 24;

std::uint64_t floatingPointMode()
{
    std::uint64_t mode;
    asm volatile("mrs %0, fpcr" : "=r"(mode));
    return mode;
}

void setFloatingPointMode(std::uint64_t mode)
{
    asm volatile("msr fpcr, %0" : : "r"(mode));
}
#endif

// Sets the caller's mode for the life of the object and puts the old one back afterwards.
struct CallerMode
{
    std::uint64_t saved = floatingPointMode();

    explicit CallerMode(std::uint64_t mode) { setFloatingPointMode(mode); }
    ~CallerMode() { setFloatingPointMode(saved); }
};

bool isSubnormal(float x)
{
    return std::fpclassify(x) == FP_SUBNORMAL;
}
} // namespace

// The block runs with subnormals flushed, but the host's thread gets its own mode back: with
// flushing off or on, in an ordinary block, in the first block at a new rate and with the effect
// switched off.
TEST(OrnCoreFloatingPoint, TheCallersModeIsRestoredAfterEveryBlock)
{
    const std::uint64_t plain = floatingPointMode() & ~flushBits;
    for (const std::uint64_t mode : {plain, plain | flushBits})
    {
        CallerMode caller(mode);
        OrnCore core;
        core.setRateAndBufferSizeDetails(44100.0, 512);
        juce::MidiBuffer midi;
        for (const double rate : {44100.0, 48000.0})
        {
            core.setRateAndBufferSizeDetails(rate, 512);
            for (const float onOff : {1.0f, 0.0f, 1.0f})
            {
                core.setParameter(0, onOff);
                auto buffer = makeNoiseBlock(512, 3);
                core.processBlock(buffer, midi);
                EXPECT_EQ(floatingPointMode(), mode) << "at " << rate << " Hz, On / Off " << onOff;
            }
        }
    }
}

// Noise whose right channel is the left one inverted cancels in the mono sum, dither and all,
// so the network runs on near silence and its states decay through the subnormal range. Flushed,
// none of them is left in the engine or reaches the output, on any engine path; and as every
// path, the scalar reference included, runs flushed inside the processor, they still agree bit
// for bit.
TEST(OrnCoreFloatingPoint, AntiPhaseNoiseLeavesNoSubnormalInTheEngineOrTheOutput)
{
    CallerMode caller(floatingPointMode() & ~flushBits);
    std::vector<float> reference;
    for (const EnginePath path : morvane::allEnginePaths)
    {
        if (!EnginePaths::isSupported(path))
            continue;
        EnginePaths::setOverride(path);
        std::srand(1);
        OrnCore core;
        EnginePaths::setOverride(EnginePath::automatic);
        core.setRateAndBufferSizeDetails(48000.0, 512);
        core.prepareToPlay(48000.0, 512);
        core.setParameter(1, 1.0f);
        core.setParameter(2, 0.0f);

        int subnormalOutputs = 0;
        std::vector<float> output;
        juce::MidiBuffer midi;
        for (int block = 0; block < 200; ++block)
        {
            auto buffer = makeNoiseBlock(512, static_cast<juce::uint32>(block + 1));
            for (int n = 0; n < 512; ++n)
                buffer.setSample(1, n, -buffer.getSample(0, n));
            core.processBlock(buffer, midi);
            for (int channel = 0; channel < 2; ++channel)
                for (int n = 0; n < 512; ++n)
                {
                    subnormalOutputs += isSubnormal(buffer.getSample(channel, n)) ? 1 : 0;
                    output.push_back(buffer.getSample(channel, n));
                }
            ASSERT_EQ(core.countEngineSubnormals(), 0u)
                << EnginePaths::name(path) << ", after block " << block;
        }
        EXPECT_EQ(subnormalOutputs, 0) << EnginePaths::name(path);
        if (path == EnginePath::scalar)
            reference = output;
        else
            EXPECT_EQ(std::memcmp(output.data(), reference.data(), sizeof(float) * output.size()),
                      0)
                << EnginePaths::name(path) << " differs from the scalar engine";
    }
}
