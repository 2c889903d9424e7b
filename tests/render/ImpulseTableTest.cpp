// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulseTable.h"
#include "SyntheticResponse.h"

#include <gtest/gtest.h>

using morvane::ImpulseAnalysis;
using morvane::ImpulseTable;

TEST(ImpulseTable, NamesEveryBandAndSaysWhyAFigureIsMissing)
{
    morvane::testing::SyntheticResponse room;
    room.rt60 = 0.5;
    room.sampleRate = 44100.0;
    room.arrivalSeconds = 0.01;
    room.gapSeconds = 0.03;
    room.directToReverberantDb = 6.0;
    auto ir = room.render();
    // Only the first 26 dB of the right channel's decay stand above a noise floor.
    juce::Random random(2);
    for (int n = 0; n < ir.getNumSamples(); ++n)
        ir.addSample(1, n, 0.05f * (2.0f * random.nextFloat() - 1.0f));

    const auto figures = ImpulseAnalysis::analyse(ir, room.sampleRate);
    const auto text = ImpulseTable::text(figures);
    EXPECT_TRUE(text.contains("first arrival: left 441 samples (10.00 ms)")) << text;
    EXPECT_TRUE(text.contains("gap:           left 30.00 ms")) << text;
    for (const char* band : {"broadband", "125 Hz", "1000 Hz", "8000 Hz"})
        EXPECT_TRUE(text.contains(band)) << band;
    EXPECT_TRUE(text.contains(juce::String(figures.bands[0].channels[0].t30, 2)));
    EXPECT_TRUE(text.contains("6.0 / ")) << "the broadband direct-to-reverberant ratio";

    ASSERT_TRUE(std::isnan(figures.bands[0].channels[1].t30));
    EXPECT_TRUE(text.contains(" / -")) << text;
    EXPECT_TRUE(text.contains("not measured, as the decay meets the noise floor before the end "
                              "of the figure's range: "))
        << text;
    EXPECT_TRUE(text.contains("T30 at broadband (right), 125 Hz (right)")) << text;
}
