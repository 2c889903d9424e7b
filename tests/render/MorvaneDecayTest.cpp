// SPDX-License-Identifier: GPL-3.0-or-later
#include "CoreSource.h"
#include "ImpulseAnalysis.h"
#include "OfflineRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

using morvane::CoreSource;
using morvane::ImpulseAnalysis;
using morvane::OfflineRenderer;

namespace
{
constexpr double rate = 44100.0;

struct Measured
{
    ImpulseAnalysis::Figures figures;
    double reportedTail = 0.0;
};

// At the factory Wet unless told otherwise.
Measured measure(float size, float delay, float dry, float wet = 0.2f)
{
    std::srand(1);
    CoreSource source;
    source.setParameter(source.findParameter("Size"), size);
    source.setParameter(source.findParameter("Delay"), delay);
    source.setParameter(source.findParameter("Dry"), dry);
    source.setParameter(source.findParameter("Wet"), wet);
    OfflineRenderer renderer(source, 512);

    juce::AudioBuffer<float> impulse(2, 1);
    impulse.setSample(0, 0, 1.0f);
    impulse.setSample(1, 0, 1.0f);
    const auto ir = renderer.render(impulse, rate, 30.0, OfflineRenderer::Input::impulse);
    EXPECT_FALSE(renderer.reachedTheCap()) << "the tail must end below its peak, not at the cap";
    return {ImpulseAnalysis::analyse(ir, rate), source.getCore().getTailLengthSeconds()};
}
} // namespace

// Every size from a small room to the longest, every pre-delay, with the dry path on and off.
//
// The dry path puts a direct sound 17 to 29 dB above the reverb, up to a second before it:
// T30 must still be the reverb's, within 10 % of what the reverb alone gives in every band
// where both are measured.
//
// The tail Morvane reports to hosts is the pre-delay, plus the time the longest feedback line
// needs to fall 60 dB, plus one more trip and the diffusers' own ring-out: it leans long on
// purpose, as a host that stops too early cuts the reverb off. So the measured T30 of the
// reverb must stay below the report (5 % allowed for the spread of one response), but not
// fall below 0.3 of the part after the first arrival, which would mean the report no longer
// describes the reverb. The extra terms weigh most in a small room: T30 is about 0.38 of that
// part at Size 0.3 and 0.85 at Size 1.
TEST(MorvaneDecay, DryPathLeavesT30ToTheReverbAndTheReportedTailCoversIt)
{
    for (const float size : {0.3f, 0.6f, 0.85f, 1.0f})
        for (const float delay : {0.0f, 0.5f, 1.0f})
        {
            const auto withDry = measure(size, delay, 1.0f);
            const auto reverb = measure(size, delay, 0.0f);
            const auto setting =
                "Size " + std::to_string(size) + ", Delay " + std::to_string(delay);
            int compared = 0;
            for (size_t b = 0; b < reverb.figures.bands.size(); ++b)
                for (size_t c = 0; c < 2; ++c)
                {
                    const double alone = reverb.figures.bands[b].channels[c].t30;
                    const double dry = withDry.figures.bands[b].channels[c].t30;
                    if (!std::isfinite(alone) || !std::isfinite(dry))
                        continue;
                    ++compared;
                    EXPECT_NEAR(dry / alone, 1.0, 0.1)
                        << setting << ", " << reverb.figures.bands[b].centreHz << " Hz, channel "
                        << c << ": T30 " << dry << " s with the dry path, " << alone
                        << " s without";
                }
            EXPECT_GE(compared, 14) << setting << ": most bands must be measured";

            for (size_t c = 0; c < 2; ++c)
            {
                const double t30 = reverb.figures.bands[0].channels[c].t30;
                const double decaying =
                    reverb.reportedTail - reverb.figures.firstArrivalSeconds(static_cast<int>(c));
                EXPECT_GE(t30, 0.3 * decaying) << setting;
                EXPECT_LE(t30, 1.05 * reverb.reportedTail) << setting;
            }
        }
}

// The response is rendered until it falls a fixed depth below its own peak, so the output
// level changes nothing: the same reverb at a Wet of 0.05 (52 dB below its level at 1), 0.2
// and 1, with the dry path off and on, gives the same T30 in every band. A render that stopped
// at a fixed level cut the quieter responses short, and their T30 read low: 6 % at Wet 0.1.
TEST(MorvaneDecay, T30DoesNotDependOnTheOutputLevel)
{
    const auto reference = measure(0.6f, 0.0f, 0.0f, 1.0f).figures;
    for (const float dry : {0.0f, 1.0f})
        for (const float wet : {0.05f, 0.2f, 1.0f})
        {
            const auto figures = measure(0.6f, 0.0f, dry, wet).figures;
            for (size_t b = 0; b < figures.bands.size(); ++b)
                for (size_t c = 0; c < 2; ++c)
                {
                    const double expected = reference.bands[b].channels[c].t30;
                    const double t30 = figures.bands[b].channels[c].t30;
                    ASSERT_TRUE(std::isfinite(expected));
                    EXPECT_NEAR(t30 / expected, 1.0, 0.02)
                        << "Dry " << dry << ", Wet " << wet << ", " << figures.bands[b].centreHz
                        << " Hz, channel " << c << ": T30 " << t30 << " s against " << expected
                        << " s at Dry 0, Wet 1";
                }
        }
}
