#include "CoreSource.h"
#include "ImpulseAnalysis.h"
#include "OfflineRenderer.h"

#include <gtest/gtest.h>

#include <cstdlib>

using morvane::CoreSource;
using morvane::ImpulseAnalysis;
using morvane::OfflineRenderer;

// The tail Morvane reports to hosts is the pre-delay, plus the time the longest feedback line
// needs to fall 60 dB, plus one more trip and the diffusers' own ring-out: it leans long on
// purpose, as a host that stops too early cuts the reverb off. So the measured T30 of the
// reverb must stay below the report (5 % allowed for the spread of one response), but not
// fall below half of it, which would mean the report no longer describes the reverb. The
// extra terms weigh more in a small room: T30 is about 0.6 of the report at Size 0.5 and
// 0.8 at 0.85. Dry is off: the direct sound would sit 10 dB above the reverb at 0 ms, and
// the 36 ms of silence before the reverb starts would count as part of its decay.
TEST(MorvaneDecay, MeasuredT30StaysWithinTheReportedTail)
{
    constexpr double rate = 44100.0;
    for (const float size : {0.5f, 0.85f})
    {
        std::srand(1);
        CoreSource source;
        source.setParameter(source.findParameter("Size"), size);
        source.setParameter(source.findParameter("Dry"), 0.0f);
        OfflineRenderer renderer(source, 512);

        juce::AudioBuffer<float> impulse(2, 1);
        impulse.clear();
        impulse.setSample(0, 0, 1.0f);
        impulse.setSample(1, 0, 1.0f);
        const auto ir = renderer.render(impulse, rate, 30.0);
        ASSERT_LT(renderer.getTailSamples(), static_cast<juce::int64>(30.0 * rate))
            << "the tail must end below -90 dB, not at the cap";

        const double reported = source.getCore().getTailLengthSeconds();
        const auto figures = ImpulseAnalysis::analyse(ir, rate);
        for (size_t c = 0; c < 2; ++c)
        {
            const double t30 = figures.bands[0].channels[c].t30;
            SCOPED_TRACE("Size " + std::to_string(size) + ", channel " + std::to_string(c) +
                         ": T30 " + std::to_string(t30) + " s, reported " +
                         std::to_string(reported) + " s");
            EXPECT_GE(t30, 0.5 * reported);
            EXPECT_LE(t30, 1.05 * reported);
        }
    }
}
