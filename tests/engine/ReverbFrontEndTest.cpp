#include "engine/ReverbFrontEnd.h"
#include "engine/EngineSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <limits>

namespace morvane
{
namespace
{

TEST(ReverbFrontEnd, DitherIsSeededAfterTheOscillatorsAndStaysBelowOneNano)
{
    std::srand(99);
    for (int i = 0; i < 8; ++i)
        std::rand();
    const auto ninthDraw = static_cast<std::uint32_t>(std::rand() & 0x7FFF);

    EngineSettings settings;
    ReverbFrontEnd frontEnd(&settings);
    std::srand(99);
    frontEnd.create(44100.0f);
    EXPECT_EQ(frontEnd.getDitherSeed(), ninthDraw);
    for (int i = 0; i < 200000; ++i)
    {
        const float d = frontEnd.nextDither();
        ASSERT_TRUE(d >= 0.0f && static_cast<double>(d) < 1e-9) << d;
    }

    frontEnd.setDitherSeed(0);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(frontEnd.nextDither(), 0.0f);
}

TEST(ReverbFrontEnd, UnusableRatesKeepTheEngineOrFallBackTo44100)
{
    EngineSettings settings;
    ReverbFrontEnd frontEnd(&settings);
    frontEnd.create(0.0f);
    EXPECT_EQ(frontEnd.getEngineSampleRate(), 44100.0f);
    EXPECT_EQ(frontEnd.getEngine().getPreDelayLength(), 44101);

    frontEnd.rebuild(48000.0f);
    const FastReverbEngine* engine = &frontEnd.getEngine();
    const std::uint32_t seed = frontEnd.getDitherSeed();
    for (const float rate :
         {0.0f, -44100.0f, 100.0f, 179.9f, std::numeric_limits<float>::quiet_NaN(),
          std::numeric_limits<float>::infinity()})
    {
        frontEnd.rebuild(rate);
        EXPECT_EQ(&frontEnd.getEngine(), engine) << rate;
        EXPECT_EQ(frontEnd.getEngineSampleRate(), 48000.0f) << rate;
        EXPECT_EQ(frontEnd.getDitherSeed(), seed) << rate;
    }
}

TEST(ReverbFrontEnd, RebuildUsesTheNewRateAndKeepsTheSettings)
{
    EngineSettings settings;
    settings.set(5, 0.75);
    ReverbFrontEnd frontEnd(&settings);
    frontEnd.create(44100.0f);
    frontEnd.rebuild(96000.0f);
    EXPECT_EQ(frontEnd.getEngineSampleRate(), 96000.0f);
    EXPECT_EQ(frontEnd.getEngine().getPreDelayLength(), 96001);
    EXPECT_EQ(frontEnd.getEngine().getLineLength(0, 0), 4289);
    EXPECT_EQ(frontEnd.getEngine().getAllPassLength(1, 4), 733);
    EXPECT_EQ(settings.get(5), 0.75);
}

} // namespace
} // namespace morvane
