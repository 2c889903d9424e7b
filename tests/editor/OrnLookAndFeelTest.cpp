// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/OrnLookAndFeel.h"

#include <gtest/gtest.h>

#include <limits>

using morvane::OrnLookAndFeel;

TEST(OrnLookAndFeel, AlphaByteIsAlphaTimes255Point996Truncated)
{
    const std::pair<float, int> table[] = {{0.0f, 0},   {0.1f, 25},  {0.2f, 51},
                                           {0.3f, 76},  {0.5f, 127}, {0.6f, 153},
                                           {0.7f, 179}, {0.8f, 204}, {1.0f, 255}};
    for (const auto& [alpha, byte] : table)
    {
        const auto colour = OrnLookAndFeel::colour(250, 20, 5, alpha);
        EXPECT_EQ(colour.getAlpha(), byte) << alpha;
        EXPECT_EQ(colour.getRed(), 250);
        EXPECT_EQ(colour.getGreen(), 20);
        EXPECT_EQ(colour.getBlue(), 5);
    }

    EXPECT_EQ(OrnLookAndFeel::colour(1, 2, 3, std::numeric_limits<float>::quiet_NaN()).getAlpha(),
              0);
    EXPECT_EQ(OrnLookAndFeel::colour(1, 2, 3, -0.5f).getAlpha(), 0);
    EXPECT_EQ(OrnLookAndFeel::colour(1, 2, 3, 7.0f).getAlpha(), 255);
}

TEST(OrnLookAndFeel, VerdanaFallsBackToDejaVuSansWhereItIsMissing)
{
    const auto installed = juce::Font::findAllTypefaceNames();
    const juce::String expected = installed.contains("Verdana")       ? "Verdana"
                                  : installed.contains("DejaVu Sans") ? "DejaVu Sans"
                                                                      : "";
    if (expected.isEmpty())
        GTEST_SKIP() << "neither Verdana nor DejaVu Sans is installed (scripts/setup.sh adds it)";

    const juce::String uprightStyle = expected == "Verdana" ? "Regular" : "Book";
    for (const int style : {juce::Font::plain, juce::Font::bold})
    {
        const auto font = OrnLookAndFeel::font(14.0f, style);
        const auto typeface = font.getTypefacePtr();
        ASSERT_NE(typeface, nullptr);
        EXPECT_EQ(typeface->getName(), expected);
        EXPECT_EQ(typeface->getStyle(), style == juce::Font::bold ? "Bold" : uprightStyle)
            << "the upright face, not whichever file was found first";
        EXPECT_GT(font.getStringWidthFloat("MORVANE"), 40.0f);
    }
}
