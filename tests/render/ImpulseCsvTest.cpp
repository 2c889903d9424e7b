// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulseCsv.h"
#include "SyntheticResponse.h"

#include <gtest/gtest.h>

using morvane::ImpulseAnalysis;
using morvane::ImpulseCsv;
using morvane::testing::SyntheticResponse;

namespace
{
// A direct sound 10 dB above a reverberation of 0.5 s that starts 20 ms later.
ImpulseAnalysis::Figures figuresAt(double rate, double arrivalSeconds)
{
    SyntheticResponse room;
    room.rt60 = 0.5;
    room.directToReverberantDb = 10.0;
    room.gapSeconds = 0.02;
    room.sampleRate = rate;
    room.arrivalSeconds = arrivalSeconds;
    return ImpulseAnalysis::analyse(room.render(), rate);
}

juce::StringArray fields(const juce::String& line)
{
    juce::StringArray result;
    result.addTokens(line, ",", "");
    return result;
}
} // namespace

TEST(ImpulseCsv, CommentsThenOneRowPerBandAndChannelWithEmptyFieldsForTheUnmeasured)
{
    // At 22.05 kHz the 8 kHz band cannot be measured.
    const double rate = 22050.0;
    const auto figures = figuresAt(rate, 300.0 / rate);
    juce::StringArray lines;
    lines.addLines(ImpulseCsv::toText(figures).trimEnd());

    int comments = 0;
    while (comments < lines.size() && lines[comments].startsWith("#"))
        ++comments;
    ASSERT_GE(comments, 1);
    const auto notes = lines.joinIntoString("\n", 0, comments);
    EXPECT_TRUE(notes.contains("5 dB below the knee")) << notes;
    EXPECT_TRUE(notes.contains("not measured, as the octave reaches too close to half the "
                               "sample rate: EDT, T20, T30, D/R at 8000 Hz"))
        << notes;

    ASSERT_EQ(lines.size(), comments + 1 + 2 * 8);
    EXPECT_EQ(lines[comments], ImpulseCsv::columns);
    // Readers that find the columns by position: the old ones first, in their old order.
    EXPECT_TRUE(lines[comments].startsWith("band,channel,edt_s,t20_s,t30_s,first_arrival_samples,"
                                           "first_arrival_s,iacc,iacc_early,"));
    const auto header = fields(lines[comments]);
    for (int row = comments + 1; row < lines.size(); ++row)
        ASSERT_EQ(fields(lines[row]).size(), header.size()) << lines[row];

    const auto left = fields(lines[comments + 1]);
    EXPECT_EQ(left[0], "broadband");
    EXPECT_EQ(left[1], "left");
    EXPECT_EQ(fields(lines[comments + 2])[1], "right");
    EXPECT_NEAR(left[4].getDoubleValue(), figures.bands[0].channels[0].t30, 1e-4);
    EXPECT_NEAR(left[4].getDoubleValue(), 0.5, 0.02);
    EXPECT_EQ(left[5], "300");
    EXPECT_NEAR(left[6].getDoubleValue(), 300.0 / rate, 1e-6);
    EXPECT_NEAR(left[header.indexOf("direct_to_reverberant_db")].getDoubleValue(), 10.0, 0.01);
    EXPECT_NEAR(left[header.indexOf("gap_s")].getDoubleValue(), 441.0 / rate, 1e-6);

    const auto octave = fields(lines[comments + 3]);
    EXPECT_EQ(octave[0], "125");
    EXPECT_FALSE(octave[4].isEmpty());
    EXPECT_FALSE(octave[header.indexOf("direct_to_reverberant_db")].isEmpty());
    EXPECT_TRUE(octave[5].isEmpty()) << "the first arrival belongs to the broadband rows";
    EXPECT_TRUE(octave[header.indexOf("gap_s")].isEmpty()) << "so does the gap";

    const auto unmeasured = fields(lines[comments + 15]);
    EXPECT_EQ(unmeasured[0], "8000");
    for (int column = 2; column < unmeasured.size(); ++column)
        EXPECT_TRUE(unmeasured[column].isEmpty()) << column;
}

TEST(ImpulseCsv, FileAppearsWholeOrNotAtAll)
{
    const juce::TemporaryFile folder;
    ASSERT_TRUE(folder.getFile().createDirectory());
    const auto figures = figuresAt(44100.0, 0.001);

    const auto file = folder.getFile().getChildFile("deeper/ir.csv");
    ASSERT_FALSE(ImpulseCsv::write(figures, file));
    EXPECT_EQ(file.loadFileAsString(), ImpulseCsv::toText(figures));

    ASSERT_TRUE(ImpulseCsv::write(figures, folder.getFile()));
    EXPECT_TRUE(folder.getFile().isDirectory());
    EXPECT_EQ(folder.getFile().getNumberOfChildFiles(juce::File::findFiles), 0);
}
