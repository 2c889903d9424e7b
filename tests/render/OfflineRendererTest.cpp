// SPDX-License-Identifier: GPL-3.0-or-later
#include "OfflineRenderer.h"
#include "AudioFiles.h"

#include "CoreSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using morvane::AudioFiles;
using morvane::CoreSource;
using morvane::OfflineRenderer;

namespace
{
juce::AudioBuffer<float> impulse(int length)
{
    juce::AudioBuffer<float> buffer(2, length);
    buffer.clear();
    buffer.setSample(0, 0, 0.8f);
    buffer.setSample(1, 0, 0.8f);
    return buffer;
}

juce::AudioBuffer<float> renderWithSeed(int blockSize, double maxTail)
{
    std::srand(42);
    CoreSource core;
    core.setParameter(4, 0.3f);
    OfflineRenderer renderer(core, blockSize);
    return renderer.render(impulse(1000), 44100.0, maxTail);
}
} // namespace

TEST(OfflineRenderer, TailRingsOutBelowTheThresholdOrStopsAtTheCap)
{
    std::srand(1);
    CoreSource core;
    core.setParameter(4, 0.3f);
    OfflineRenderer renderer(core, 512);
    const auto output = renderer.render(impulse(1000), 44100.0, 30.0);

    EXPECT_EQ(output.getNumSamples(), 1000 + renderer.getTailSamples());
    EXPECT_LT(renderer.getTailSamples(), 30 * 44100) << "a small room must not need the cap";
    const int end = output.getNumSamples();
    const int window = static_cast<int>(OfflineRenderer::silenceWindowSeconds * 44100.0);
    EXPECT_LT(output.getMagnitude(end - window, window), OfflineRenderer::silenceThreshold);
    EXPECT_GT(output.getMagnitude(1000, 4410), 1e-3f) << "the tail carries the reverb";

    const auto capped = renderWithSeed(512, 0.25);
    EXPECT_EQ(capped.getNumSamples(), 1000 + 11025);
}

TEST(OfflineRenderer, SilentPreDelayIsNotTakenForTheEndOfTheTail)
{
    // A quarter of a second of pre-delay after a one-sample impulse: the first 250 ms of the
    // tail are silent, far longer than the quiet window that ends a tail once it is heard.
    std::srand(1);
    CoreSource core;
    core.setParameter(core.findParameter("Delay"), 0.5f);
    core.setParameter(core.findParameter("Size"), 0.3f);
    OfflineRenderer renderer(core, 512);
    const auto output = renderer.render(impulse(1), 44100.0, 30.0, OfflineRenderer::Input::impulse);

    ASSERT_GT(output.getNumSamples(), 2 * 11025);
    EXPECT_LT(output.getMagnitude(1, 11000), OfflineRenderer::silenceThreshold);
    EXPECT_GT(output.getMagnitude(11025, 11025), 1e-3f) << "the reverb after the pre-delay";
    EXPECT_LT(renderer.getTailSamples(), 30 * 44100) << "it still ends once the reverb has died";

    // A source that stays silent but for its dither ends after the tail it announces, not at
    // the cap.
    core.setParameter(core.findParameter("Wet"), 0.0f);
    const auto silent = renderer.render(impulse(1), 44100.0, 30.0, OfflineRenderer::Input::impulse);
    EXPECT_FALSE(renderer.reachedTheCap());
    EXPECT_LE(renderer.getTailSamples(),
              static_cast<juce::int64>(std::ceil(core.getTailSeconds() * 44100.0)) + 1);
    EXPECT_LT(silent.getMagnitude(1, silent.getNumSamples() - 1),
              OfflineRenderer::silenceThreshold);
}

// An impulse's tail rings until it has fallen a fixed depth below its own peak, however loud
// the reverb is; a recording's stops at a fixed level, so a quieter reverb ends sooner.
TEST(OfflineRenderer, ImpulseTailEndsBelowItsOwnPeakRecordingTailAtAFixedLevel)
{
    struct Tail
    {
        juce::int64 samples;
        float peak, end;
    };
    const auto render = [](float wet, OfflineRenderer::Input kind)
    {
        std::srand(1);
        CoreSource core;
        core.setParameter(core.findParameter("Size"), 0.3f);
        core.setParameter(core.findParameter("Dry"), 0.0f);
        core.setParameter(core.findParameter("Wet"), wet);
        OfflineRenderer renderer(core, 512);
        const auto output = renderer.render(impulse(1), 44100.0, 30.0, kind);
        EXPECT_FALSE(renderer.reachedTheCap());
        const int window = static_cast<int>(OfflineRenderer::silenceWindowSeconds * 44100.0);
        const int length = output.getNumSamples();
        return Tail{renderer.getTailSamples(), output.getMagnitude(1, length - 1),
                    output.getMagnitude(length - window, window)};
    };

    const auto loud = render(1.0f, OfflineRenderer::Input::impulse);
    const auto quiet = render(0.2f, OfflineRenderer::Input::impulse);
    EXPECT_NEAR(static_cast<double>(quiet.samples), static_cast<double>(loud.samples),
                0.01 * static_cast<double>(loud.samples));
    for (const auto& tail : {loud, quiet})
    {
        const double depthDb = juce::Decibels::gainToDecibels(tail.end / tail.peak);
        EXPECT_LT(depthDb, -OfflineRenderer::impulseDepthDb);
        EXPECT_GT(depthDb, -OfflineRenderer::impulseDepthDb - 20.0) << "it ends once it is there";
    }

    EXPECT_LT(render(0.2f, OfflineRenderer::Input::recording).samples,
              render(1.0f, OfflineRenderer::Input::recording).samples * 3 / 4);
}

TEST(OfflineRenderer, BlockSizeDoesNotChangeTheResult)
{
    const auto small = renderWithSeed(64, 0.5);
    const auto odd = renderWithSeed(333, 0.5);
    ASSERT_EQ(small.getNumSamples(), odd.getNumSamples());
    for (int channel = 0; channel < 2; ++channel)
    {
        for (int n = 0; n < small.getNumSamples(); ++n)
            ASSERT_EQ(small.getSample(channel, n), odd.getSample(channel, n)) << n;
    }
}

TEST(AudioFiles, FloatWavRoundTripsExactlyAndFailuresLeaveNoFile)
{
    const juce::TemporaryFile folder;
    ASSERT_TRUE(folder.getFile().createDirectory());
    const auto file = folder.getFile().getChildFile("round.wav");

    const auto audio = renderWithSeed(128, 0.1);
    ASSERT_FALSE(AudioFiles::writeWav(file, audio, 44100.0, 32));

    AudioFiles::Recording back;
    ASSERT_FALSE(AudioFiles::read(file, back));
    EXPECT_EQ(back.sampleRate, 44100.0);
    ASSERT_EQ(back.audio.getNumSamples(), audio.getNumSamples());
    for (int n = 0; n < audio.getNumSamples(); ++n)
        ASSERT_EQ(back.audio.getSample(1, n), audio.getSample(1, n));

    const auto blocked = folder.getFile().getChildFile("plain-file");
    ASSERT_TRUE(blocked.replaceWithText("x"));
    EXPECT_TRUE(AudioFiles::writeWav(blocked.getChildFile("out.wav"), audio, 44100.0, 24));
    EXPECT_TRUE(
        AudioFiles::writeWav(folder.getFile().getChildFile("bad-rate.wav"), audio, 0.0, 24));
    EXPECT_FALSE(folder.getFile().getChildFile("bad-rate.wav").exists());

    AudioFiles::Recording missing;
    EXPECT_TRUE(AudioFiles::read(folder.getFile().getChildFile("none.flac"), missing));
}
