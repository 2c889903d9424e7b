#include "ImpulseReport.h"
#include "EditorSnapshot.h"

#include <gtest/gtest.h>

#include <cmath>

using morvane::ImpulseAnalysis;
using morvane::ImpulseReport;

namespace
{
// A clear onset at `delay`, then noise falling 60 dB in half a second.
juce::AudioBuffer<float> response(double rate, int delay, int channels = 2)
{
    const int length = delay + static_cast<int>(1.2 * rate);
    juce::AudioBuffer<float> ir(channels, length);
    ir.clear();
    juce::Random random(4);
    for (int c = 0; c < channels; ++c)
    {
        for (int n = delay + 1; n < length; ++n)
            ir.setSample(c, n,
                         static_cast<float>(0.09 * (2.0 * random.nextDouble() - 1.0) *
                                            std::exp(-6.9 * (n - delay) / (0.5 * rate))));
        ir.setSample(c, delay, 1.0f);
    }
    return ir;
}

juce::StringArray fields(const juce::String& line)
{
    juce::StringArray result;
    result.addTokens(line, ",", "");
    return result;
}
} // namespace

TEST(ImpulseReport, CsvHasOneRowPerBandAndChannelWithEmptyFieldsForTheUnmeasured)
{
    // At 22.05 kHz the 8 kHz band cannot be measured; a mono response is on both channels.
    const double rate = 22050.0;
    const auto figures = ImpulseAnalysis::analyse(response(rate, 300, 1), rate);
    juce::StringArray lines;
    lines.addLines(ImpulseReport::toCsv(figures).trimEnd());

    ASSERT_EQ(lines.size(), 1 + 2 * 8);
    EXPECT_EQ(lines[0], ImpulseReport::csvHeader);
    const auto header = fields(lines[0]);
    EXPECT_EQ(header.indexOf("t30_s"), 4);
    EXPECT_EQ(header.indexOf("first_arrival_samples"), 5);

    for (int row = 1; row < lines.size(); ++row)
        ASSERT_EQ(fields(lines[row]).size(), header.size()) << lines[row];

    const auto left = fields(lines[1]);
    EXPECT_EQ(left[0], "broadband");
    EXPECT_EQ(left[1], "left");
    EXPECT_EQ(fields(lines[2])[1], "right");
    EXPECT_NEAR(left[4].getDoubleValue(), figures.bands[0].channels[0].t30, 1e-4);
    EXPECT_NEAR(left[4].getDoubleValue(), 0.5, 0.02);
    EXPECT_EQ(left[5], "300");
    EXPECT_NEAR(left[6].getDoubleValue(), 300.0 / rate, 1e-6);
    EXPECT_NEAR(left[7].getDoubleValue(), 1.0, 1e-4);

    const auto octave = fields(lines[3]);
    EXPECT_EQ(octave[0], "125");
    EXPECT_FALSE(octave[4].isEmpty());
    EXPECT_TRUE(octave[5].isEmpty()) << "the first arrival belongs to the broadband rows";

    const auto unmeasured = fields(lines[15]);
    EXPECT_EQ(unmeasured[0], "8000");
    for (int column = 2; column < unmeasured.size(); ++column)
        EXPECT_TRUE(unmeasured[column].isEmpty()) << column;
}

TEST(ImpulseReport, CsvFileAppearsWholeOrNotAtAll)
{
    const juce::TemporaryFile folder;
    ASSERT_TRUE(folder.getFile().createDirectory());
    const auto figures = ImpulseAnalysis::analyse(response(44100.0, 10), 44100.0);

    const auto file = folder.getFile().getChildFile("deeper/ir.csv");
    ASSERT_FALSE(ImpulseReport::writeCsv(figures, file));
    EXPECT_EQ(file.loadFileAsString(), ImpulseReport::toCsv(figures));

    ASSERT_TRUE(ImpulseReport::writeCsv(figures, folder.getFile()));
    EXPECT_TRUE(folder.getFile().isDirectory());
    EXPECT_EQ(folder.getFile().getNumberOfChildFiles(juce::File::findFiles), 0);
}

TEST(ImpulseReport, PictureDecodesAtItsSizeAndShowsTheDecay)
{
    const double rate = 48000.0;
    const auto ir = response(rate, 0);
    const auto figures = ImpulseAnalysis::analyse(ir, rate);
    const auto image = ImpulseReport::draw(ir, figures, "test response");

    const juce::TemporaryFile file(".png");
    ASSERT_FALSE(morvane::EditorSnapshot::writePng(image, file.getFile()));
    const auto decoded = juce::ImageFileFormat::loadFrom(file.getFile());
    ASSERT_TRUE(decoded.isValid());
    EXPECT_EQ(decoded.getWidth(), ImpulseReport::imageWidth);
    EXPECT_EQ(decoded.getHeight(), ImpulseReport::imageHeight);

    // In the spectrogram, the start of the response is brighter than its silent end.
    const auto brightness = [&](float x, float y)
    { return decoded.getPixelAt(juce::roundToInt(x), juce::roundToInt(y)).getBrightness(); };
    const float middle = 530.0f + 160.0f;
    EXPECT_GT(brightness(75.0f, middle), brightness(1160.0f, middle) + 0.3f);

    // Nothing to show is still a picture, not a crash.
    const juce::AudioBuffer<float> empty(2, 0);
    const auto blank = ImpulseReport::draw(empty, ImpulseAnalysis::analyse(empty, rate), "");
    EXPECT_EQ(blank.getWidth(), ImpulseReport::imageWidth);
}

TEST(ImpulseReport, SummaryNamesEveryBand)
{
    const auto figures = ImpulseAnalysis::analyse(response(44100.0, 441), 44100.0);
    const auto text = ImpulseReport::summary(figures);
    EXPECT_TRUE(text.contains("441 samples (10.00 ms)"));
    for (const char* band : {"broadband", "125 Hz", "1000 Hz", "8000 Hz"})
        EXPECT_TRUE(text.contains(band)) << band;
    EXPECT_TRUE(text.contains(juce::String(figures.bands[0].channels[0].t30, 2)));
}
