// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulsePicture.h"
#include "EditorSnapshot.h"
#include "SyntheticResponse.h"

#include <gtest/gtest.h>

using morvane::ImpulseAnalysis;
using morvane::ImpulsePicture;

TEST(ImpulsePicture, DecodesAtItsSizeAndShowsTheDecay)
{
    morvane::testing::SyntheticResponse room;
    room.rt60 = 0.5;
    room.sampleRate = 48000.0;
    room.arrivalSeconds = 0.0;
    const auto ir = room.render();
    const auto figures = ImpulseAnalysis::analyse(ir, room.sampleRate);
    const auto image = ImpulsePicture::draw(ir, figures, "test response");

    const juce::TemporaryFile file(".png");
    ASSERT_FALSE(morvane::EditorSnapshot::writePng(image, file.getFile()));
    const auto decoded = juce::ImageFileFormat::loadFrom(file.getFile());
    ASSERT_TRUE(decoded.isValid());
    EXPECT_EQ(decoded.getWidth(), ImpulsePicture::width);
    EXPECT_EQ(decoded.getHeight(), ImpulsePicture::height);

    // In the spectrogram, the start of the response is brighter than its silent end.
    const auto brightness = [&](float x, float y)
    { return decoded.getPixelAt(juce::roundToInt(x), juce::roundToInt(y)).getBrightness(); };
    const float middle = 530.0f + 160.0f;
    EXPECT_GT(brightness(75.0f, middle), brightness(1160.0f, middle) + 0.3f);

    // Nothing to show is still a picture, not a crash.
    const juce::AudioBuffer<float> empty(2, 0);
    const auto blank = ImpulsePicture::draw(empty, ImpulseAnalysis::analyse(empty, 48000.0), "");
    EXPECT_EQ(blank.getWidth(), ImpulsePicture::width);
}
