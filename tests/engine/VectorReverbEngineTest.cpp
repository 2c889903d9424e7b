// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EnginePath.h"
#include "engine/EngineSettings.h"
#include "engine/ParameterShaping.h"
#include "engine/ReverbEngine.h"
#include "engine/ReverbFrontEnd.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace morvane
{
namespace
{

#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr double renderSeconds = 12.0;
#else
constexpr double renderSeconds = 1.5;
#endif

// The parameters the engine itself reads.
constexpr Parameter engineParameters[] = {Parameter::delay, Parameter::size, Parameter::lowPass,
                                          Parameter::highPass};

std::uint32_t next(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state;
}

float uniform(std::uint32_t& state)
{
    return static_cast<float>(next(state) >> 8) * (1.0f / 16777216.0f);
}

std::uint32_t bitsOf(float x)
{
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// A knob position that lands on the ends of the range now and then, where the shaping curves
// produce their edge values (Size 0 shapes to a hair below zero).
float knob(std::uint32_t& state)
{
    const std::uint32_t pick = next(state) >> 28;
    if (pick == 0)
        return 0.0f;
    if (pick == 1)
        return 1.0f;
    return uniform(state);
}

// Input that mixes noise, silence, impulses and a slow sine, at levels from loud to tiny.
void fillInput(std::uint32_t& state, std::vector<float>& left, std::vector<float>& right)
{
    const std::uint32_t kind = next(state) >> 29;
    const float level = kind == 0 ? 1e-30f : (kind == 1 ? 4.0f : 0.5f);
    for (std::size_t n = 0; n < left.size(); ++n)
    {
        if (kind == 2)
        {
            left[n] = right[n] = 0.0f;
            continue;
        }
        if (kind == 3)
        {
            left[n] = n == 0 ? 1.0f : 0.0f;
            right[n] = n == 0 ? -0.5f : 0.0f;
            continue;
        }
        left[n] = (uniform(state) * 2.0f - 1.0f) * level;
        right[n] = (uniform(state) * 2.0f - 1.0f) * level;
    }
}

// Runs the scalar reference and the engine on `path` side by side for `seconds`, in blocks of
// random size with the settings changed between blocks, and returns the first frame at which
// they differ in any bit (or -1).
long firstDifference(EnginePath path, float rate, double seconds, unsigned seed)
{
    EngineSettings settings;
    for (const Parameter parameter : engineParameters)
        mapParameter(parameter, settings, 0.5f);

    std::srand(seed);
    ReverbEngine reference(&settings, rate);
    std::srand(seed);
    ReverbFrontEnd engine(&settings, path);
    engine.create(rate);

    std::uint32_t state = seed * 2654435761u + 1u;
    const long frames = static_cast<long>(seconds * static_cast<double>(rate));
    std::vector<float> left;
    std::vector<float> right;
    std::vector<float> expectedLeft;
    std::vector<float> expectedRight;
    for (long done = 0; done < frames;)
    {
        if ((next(state) >> 30) == 0)
            mapParameter(engineParameters[next(state) >> 30], settings, knob(state));

        const int block = 1 + static_cast<int>(next(state) >> 22);
        left.resize(static_cast<std::size_t>(block));
        right.resize(static_cast<std::size_t>(block));
        fillInput(state, left, right);
        expectedLeft = left;
        expectedRight = right;

        reference.processBlock(expectedLeft.data(), expectedRight.data(), block);
        engine.processBlock(left.data(), right.data(), block);
        for (std::size_t n = 0; n < left.size(); ++n)
        {
            if (bitsOf(left[n]) != bitsOf(expectedLeft[n]) ||
                bitsOf(right[n]) != bitsOf(expectedRight[n]))
                return done + static_cast<long>(n);
        }
        done += block;
    }
    return -1;
}

TEST(VectorReverbEngine, EveryPathMatchesTheScalarEngineBitForBitAtEveryRate)
{
    for (const EnginePath path : allEnginePaths)
    {
        if (!EnginePaths::isSupported(path))
        {
            std::printf("path %s not supported here, not tested\n", EnginePaths::name(path));
            continue;
        }
        for (const float rate : {8000.0f, 11025.0f, 22050.0f, 44100.0f, 48000.0f, 88200.0f,
                                 96000.0f, 176400.0f, 192000.0f})
        {
            EXPECT_EQ(firstDifference(path, rate, renderSeconds, static_cast<unsigned>(rate)), -1)
                << EnginePaths::name(path) << " at " << rate << " Hz";
        }
        // The lowest rate the engine runs at and a rate that is not a whole number.
        EXPECT_EQ(firstDifference(path, 180.0f, 60.0, 7u), -1) << EnginePaths::name(path);
        EXPECT_EQ(firstDifference(path, 37123.7f, 1.0, 8u), -1) << EnginePaths::name(path);
    }
}

// Non-finite and extreme inputs take the same course through every path, down to the sign and
// payload of the NaNs they turn into.
TEST(VectorReverbEngine, NonFiniteAndExtremeInputsMatchTheScalarEngine)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                              -std::numeric_limits<float>::quiet_NaN(),
                              inf,
                              -inf,
                              3e38f,
                              std::numeric_limits<float>::denorm_min(),
                              -0.0f};
    for (const EnginePath path : allEnginePaths)
    {
        if (path == EnginePath::scalar || !EnginePaths::isSupported(path))
            continue;
        for (const float special : specials)
        {
            EngineSettings settings;
            mapParameter(Parameter::delay, settings, 0.0f);
            mapParameter(Parameter::size, settings, 1.0f);
            mapParameter(Parameter::lowPass, settings, 0.3f);
            mapParameter(Parameter::highPass, settings, 0.2f);
            std::srand(11);
            ReverbEngine reference(&settings, 48000.0f);
            std::srand(11);
            ReverbFrontEnd engine(&settings, path);
            engine.create(48000.0f);

            std::vector<float> left(12000, 0.25f);
            left[100] = special;
            std::vector<float> right(left.rbegin(), left.rend());
            std::vector<float> expectedLeft = left;
            std::vector<float> expectedRight = right;
            reference.processBlock(expectedLeft.data(), expectedRight.data(), 12000);
            engine.processBlock(left.data(), right.data(), 12000);
            for (std::size_t n = 0; n < left.size(); ++n)
            {
                ASSERT_EQ(bitsOf(left[n]), bitsOf(expectedLeft[n]))
                    << EnginePaths::name(path) << ", input " << special << ", frame " << n;
                ASSERT_EQ(bitsOf(right[n]), bitsOf(expectedRight[n]))
                    << EnginePaths::name(path) << ", input " << special << ", frame " << n;
            }
        }
    }
}

// The block contract: with settings that stay put, one block is the same as that many single
// frames, and how the frames are cut into blocks does not matter.
TEST(VectorReverbEngine, BlocksAreSequencesOfFrames)
{
    EngineSettings settings;
    mapParameter(Parameter::delay, settings, 0.01f);
    mapParameter(Parameter::size, settings, 0.9f);
    mapParameter(Parameter::lowPass, settings, 0.6f);
    mapParameter(Parameter::highPass, settings, 0.1f);

    std::uint32_t state = 5u;
    std::vector<float> input(2 * 30000);
    for (auto& x : input)
        x = uniform(state) - 0.5f;

    const auto render = [&](auto& engine, int blockSize)
    {
        std::vector<float> left(input.begin(), input.begin() + 30000);
        std::vector<float> right(input.begin() + 30000, input.end());
        for (int start = 0; start < 30000; start += blockSize)
        {
            const int count = std::min(blockSize, 30000 - start);
            engine.processBlock(left.data() + start, right.data() + start, count);
        }
        left.insert(left.end(), right.begin(), right.end());
        return left;
    };

    std::srand(21);
    ReverbEngine frameByFrame(&settings, 44100.0f);
    std::vector<float> expected(input);
    for (std::size_t n = 0; n < 30000; ++n)
        frameByFrame.processSample(expected[n], expected[n + 30000]);

    for (const EnginePath path : allEnginePaths)
    {
        for (const int blockSize : {1, 3, 64, 30000})
        {
            std::srand(21);
            ReverbFrontEnd engine(&settings, path);
            engine.create(44100.0f);
            EXPECT_EQ(render(engine, blockSize), expected)
                << EnginePaths::name(engine.getPath()) << ", blocks of " << blockSize;
        }
    }
    std::srand(21);
    ReverbEngine scalarBlocks(&settings, 44100.0f);
    EXPECT_EQ(render(scalarBlocks, 100), expected);
}

// A block reads the settings once, at its start: a change made between blocks applies from the
// next block on, and zero-length blocks change nothing.
TEST(VectorReverbEngine, SettingsApplyFromTheNextBlock)
{
    for (const EnginePath path : allEnginePaths)
    {
        EngineSettings settings;
        mapParameter(Parameter::size, settings, 0.5f);
        mapParameter(Parameter::lowPass, settings, 1.0f);
        std::srand(2);
        ReverbFrontEnd engine(&settings, path);
        engine.create(48000.0f);
        std::srand(2);
        ReverbEngine reference(&settings, 48000.0f);

        std::vector<float> left(4096, 0.0f);
        std::vector<float> right(4096, 0.0f);
        left[0] = 1.0f;
        std::vector<float> expectedLeft = left;
        std::vector<float> expectedRight = right;
        engine.processBlock(left.data(), right.data(), 0);
        for (int start = 0; start < 4096; start += 512)
        {
            mapParameter(Parameter::delay, settings, static_cast<float>(start) / 8192.0f);
            for (int n = start; n < start + 512; ++n)
                reference.processSample(expectedLeft[static_cast<std::size_t>(n)],
                                        expectedRight[static_cast<std::size_t>(n)]);
            engine.processBlock(left.data() + start, right.data() + start, 512);
        }
        EXPECT_EQ(left, expectedLeft) << EnginePaths::name(engine.getPath());
        EXPECT_EQ(right, expectedRight) << EnginePaths::name(engine.getPath());
    }
}

TEST(VectorReverbEngine, BuildsTheSameNetworkAndAllocatesOnlyWhenBuilt)
{
    for (const EnginePath path : allEnginePaths)
    {
        for (const float rate : {180.0f, 44100.0f, 96000.0f})
        {
            EngineSettings settings;
            const ReverbEngine reference(&settings, rate);
            ReverbFrontEnd engine(&settings, path);
            engine.create(rate);
            EXPECT_EQ(engine.getPreDelayLength(), reference.getPreDelayLength());
            for (int channel = 0; channel < 2; ++channel)
            {
                for (int i = 0; i < ReverbEngine::linesPerChannel; ++i)
                    EXPECT_EQ(engine.getLineLength(channel, i),
                              reference.getLineLength(channel, i));
                for (int j = 0; j < ReverbEngine::allPassSections; ++j)
                    EXPECT_EQ(engine.getAllPassLength(channel, j),
                              reference.getAllPassLength(channel, j));
            }

            std::vector<float> left(2048, 0.5f);
            std::vector<float> right(2048, -0.25f);
            const auto before = test::AllocationCounts::onThisThread();
            engine.processBlock(left.data(), right.data(), 2048);
            engine.processBlock(left.data(), right.data(), 1);
            EXPECT_TRUE(test::AllocationCounts::onThisThread().since(before).none())
                << EnginePaths::name(engine.getPath());
        }
    }
}

TEST(EnginePaths, RequestsFallBackToWhatTheProcessorRuns)
{
    EXPECT_TRUE(EnginePaths::isSupported(EnginePath::scalar));
    EXPECT_FALSE(EnginePaths::isSupported(EnginePath::automatic));
    EXPECT_TRUE(EnginePaths::isSupported(EnginePaths::best()));
    for (const EnginePath path : allEnginePaths)
    {
        const EnginePath resolved = EnginePaths::resolve(path);
        EXPECT_TRUE(EnginePaths::isSupported(resolved));
        EXPECT_LE(EnginePaths::width(resolved), EnginePaths::width(path));
        if (EnginePaths::isSupported(path))
        {
            EXPECT_EQ(resolved, path);
        }
        EXPECT_EQ(EnginePaths::parse(EnginePaths::name(path)), path);
    }
    EXPECT_EQ(EnginePaths::resolve(EnginePath::scalar), EnginePath::scalar);
#if defined(__x86_64__)
    EXPECT_TRUE(EnginePaths::isSupported(EnginePath::sse2));
#endif

    EXPECT_EQ(EnginePaths::parse(nullptr), EnginePath::automatic);
    EXPECT_EQ(EnginePaths::parse(""), EnginePath::automatic);
    EXPECT_EQ(EnginePaths::parse("AVX2"), EnginePath::automatic);
    EXPECT_EQ(EnginePaths::parse("avx1024"), EnginePath::automatic);
    EXPECT_EQ(EnginePaths::parse("NEON"), EnginePath::automatic);

    EnginePaths::setOverride(EnginePath::scalar);
    EXPECT_EQ(EnginePaths::resolve(), EnginePath::scalar);
    ReverbFrontEnd overridden(nullptr);
    overridden.create(8000.0f);
    EXPECT_EQ(overridden.getPath(), EnginePath::scalar);
    EXPECT_EQ(EnginePaths::resolve(EnginePath::sse2), EnginePaths::resolve(EnginePath::sse2));
    EnginePaths::setOverride(EnginePath::avx512);
    EXPECT_EQ(EnginePaths::resolve(), EnginePaths::resolve(EnginePath::avx512));
    EnginePaths::setOverride(EnginePath::automatic);

    // Without an override the environment decides, and the test suite also runs with it set.
    const EnginePath fromEnvironment = EnginePaths::parse(std::getenv("MORVANE_ENGINE_PATH"));
    if (fromEnvironment == EnginePath::automatic)
        EXPECT_EQ(EnginePaths::resolve(), EnginePaths::best());
    else
        EXPECT_EQ(EnginePaths::resolve(), EnginePaths::resolve(fromEnvironment));
}

// Each architecture's widest kernel is its best path and what an engine built without a request
// runs (unless the environment asks otherwise), so that a kernel left out of the build, or a
// quiet fallback to the scalar engine, cannot pass the comparisons above by skipping them. A name
// of the other architecture stands for the path of the same width or the widest one below it.
TEST(EnginePaths, TheArchitecturesOwnKernelRunsByDefault)
{
#if defined(__aarch64__)
    EXPECT_TRUE(EnginePaths::isSupported(EnginePath::neon));
    EXPECT_EQ(EnginePaths::best(), EnginePath::neon);
    for (const EnginePath path : {EnginePath::sse2, EnginePath::avx2, EnginePath::avx512})
    {
        EXPECT_FALSE(EnginePaths::isSupported(path)) << EnginePaths::name(path);
        EXPECT_EQ(EnginePaths::resolve(path), EnginePath::neon) << EnginePaths::name(path);
    }
#elif defined(__x86_64__)
    EXPECT_FALSE(EnginePaths::isSupported(EnginePath::neon));
    EXPECT_EQ(EnginePaths::resolve(EnginePath::neon), EnginePath::sse2);
    EXPECT_NE(EnginePaths::best(), EnginePath::scalar);
#else
    EXPECT_EQ(EnginePaths::best(), EnginePath::scalar);
#endif

    EngineSettings settings;
    ReverbFrontEnd engine(&settings);
    engine.create(48000.0f);
    if (std::getenv("MORVANE_ENGINE_PATH") == nullptr)
        EXPECT_EQ(engine.getPath(), EnginePaths::best());
    else
        EXPECT_EQ(engine.getPath(), EnginePaths::resolve());
}

} // namespace
} // namespace morvane
