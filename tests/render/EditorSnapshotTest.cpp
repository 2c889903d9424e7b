// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorSnapshot.h"
#include "RenderOptions.h"

#include "processor/OrnCore.h"

#include <gtest/gtest.h>

#include <memory>

using morvane::EditorSnapshot;
using morvane::RenderOptions;

namespace
{
// A point on the Size knob's ring near the end of its travel, where the value
// arc shows only when Size is near 1.
juce::Colour sizeRingNearTheEnd(const juce::Image& image, float scale)
{
    return image.getPixelAt(static_cast<int>((228.0f + 47.3f) * scale),
                            static_cast<int>((28.0f + 29.9f) * scale));
}

bool isRed(juce::Colour c)
{
    return c.getRed() - c.getGreen() > 40;
}
} // namespace

TEST(EditorSnapshot, DrawsTheEditorShowingTheSettingsAtTheRequestedScale)
{
    morvane::OrnCore processor;
    const auto factory = EditorSnapshot::draw(processor, 1.0f);
    EXPECT_EQ(factory.getWidth(), 400);
    EXPECT_EQ(factory.getHeight(), 110);
    EXPECT_FALSE(isRed(sizeRingNearTheEnd(factory, 1.0f))) << "factory Size is 0.85";
    EXPECT_EQ(factory.getPixelAt(20, 12), juce::Colour(200, 200, 200));

    processor.setParameter(4, 1.0f);
    processor.setParameter(0, 0.0f);
    const auto turned = EditorSnapshot::draw(processor, 2.0f);
    EXPECT_EQ(turned.getWidth(), 800);
    EXPECT_EQ(turned.getHeight(), 220);
    EXPECT_TRUE(isRed(sizeRingNearTheEnd(turned, 2.0f)));
    EXPECT_EQ(turned.getPixelAt(2 * 33, 2 * 46), juce::Colour(80, 60, 50)) << "lamp off";
}

TEST(EditorSnapshot, WritesAWholePngOrSaysWhyNot)
{
    const auto folder = juce::File::createTempFile("snapshot");
    ASSERT_TRUE(folder.createDirectory());
    const std::unique_ptr<const juce::File, void (*)(const juce::File*)> removeAfterwards(
        &folder, [](const juce::File* f) { f->deleteRecursively(); });
    morvane::OrnCore processor;
    const auto image = EditorSnapshot::draw(processor, 1.0f);

    const auto target = folder.getChildFile("pictures/editor.png");
    ASSERT_FALSE(EditorSnapshot::writePng(image, target));
    const auto readBack = juce::ImageFileFormat::loadFrom(target);
    ASSERT_TRUE(readBack.isValid());
    EXPECT_EQ(readBack.getBounds(), image.getBounds());
    EXPECT_EQ(readBack.getPixelAt(200, 50), image.getPixelAt(200, 50));

    const auto underAFile = target.getChildFile("editor.png");
    const auto error = EditorSnapshot::writePng(image, underAFile);
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->containsChar('\n'));
    EXPECT_FALSE(underAFile.exists());

    const auto error2 = EditorSnapshot::writePng(image, folder);
    ASSERT_TRUE(error2);
    EXPECT_TRUE(folder.isDirectory());
}

TEST(EditorSnapshot, CommandLineAsksForAPictureOnlyWhenItMakesSense)
{
    RenderOptions options;
    ASSERT_FALSE(RenderOptions::parse(
        juce::StringArray{"--snapshot", "editor.png", "--scale", "2", "--set", "Size=1"}, options));
    EXPECT_EQ(options.snapshotPath, "editor.png");
    EXPECT_EQ(options.snapshotScale, 2.0f);
    ASSERT_EQ(options.settings.size(), 1u);

    const juce::StringArray mistakes[] = {
        {"--scale", "2"},
        {"in.wav", "--snapshot", "editor.png"},
        {"--snapshot", "editor.png", "--scale", "0"},
        {"--snapshot", "editor.png", "--scale", "nan"},
        {"--snapshot"},
        {"--snapshot", "editor.png", "--save-state", "state.xml"},
    };
    for (const auto& words : mistakes)
    {
        RenderOptions rejected;
        const auto error = RenderOptions::parse(words, rejected);
        ASSERT_TRUE(error);
        EXPECT_FALSE(error->containsChar('\n'));
    }
}
