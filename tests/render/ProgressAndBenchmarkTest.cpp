#include "Benchmark.h"
#include "OfflineRenderer.h"
#include "ProgressBar.h"
#include "RenderSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

using morvane::Benchmark;
using morvane::OfflineRenderer;
using morvane::ProgressBar;

namespace
{
// A source that halves its input and keeps count of how it was driven.
class CountingSource : public morvane::RenderSource
{
public:
    int prepares = 0, releases = 0, largestBlock = 0;
    long long frames = 0;
    bool prepared = false;
    double tail = 0.0;

    juce::String getName() const override { return "counting"; }
    int getNumParameters() const override { return 0; }
    juce::String getParameterName(int) const override { return {}; }
    int findParameter(const juce::String&) const override { return -1; }
    float getParameter(int) const override { return 0.0f; }
    void setParameter(int, float) override {}
    juce::String getParameterText(int) const override { return {}; }
    juce::MemoryBlock getState() override { return {}; }
    std::optional<juce::String> setState(const juce::MemoryBlock&) override { return "no"; }
    void prepare(double, int) override
    {
        ++prepares;
        prepared = true;
    }
    void process(juce::AudioBuffer<float>& audio) override
    {
        EXPECT_TRUE(prepared) << "processed without prepare";
        largestBlock = std::max(largestBlock, audio.getNumSamples());
        frames += audio.getNumSamples();
        audio.applyGain(0.5f);
    }
    void release() override
    {
        ++releases;
        prepared = false;
    }
    double getTailSeconds() const override { return tail; }
};

std::string contentsOf(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[256];
    while (const auto got = std::fread(buffer, 1, sizeof buffer, file))
        text.append(buffer, got);
    return text;
}
} // namespace

TEST(ProgressBar, ShowsOnlyForWorkThatTakesMoreThanASecond)
{
    EXPECT_FALSE(ProgressBar::worthShowing(0.0, 0.0));
    EXPECT_FALSE(ProgressBar::worthShowing(0.05, 0.001)) << "too little seen to judge";
    EXPECT_FALSE(ProgressBar::worthShowing(0.5, 0.9));
    EXPECT_TRUE(ProgressBar::worthShowing(0.3, 0.2));
    EXPECT_TRUE(ProgressBar::worthShowing(1.0, 0.99));

    EXPECT_EQ(ProgressBar::line("x", 0.5).toStdString(),
              "x [" + std::string(20, '#') + std::string(20, ' ') + "]  50%");
    EXPECT_EQ(ProgressBar::line("x", 7.0).toStdString(), "x [" + std::string(40, '#') + "] 100%");
    EXPECT_EQ(ProgressBar::line("x", std::nan("")).toStdString(),
              "x [" + std::string(40, ' ') + "]   0%");

    std::FILE* quiet = std::tmpfile();
    std::FILE* shown = std::tmpfile();
    ASSERT_TRUE(quiet != nullptr && shown != nullptr);
    {
        ProgressBar disabled(quiet, "rendering", false);
        ProgressBar enabled(shown, "rendering", true);
        enabled.update(0.5);
        EXPECT_FALSE(enabled.hasDrawn()) << "half done at once: a short job";
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        disabled.update(0.01);
        enabled.update(0.01);
        EXPECT_TRUE(enabled.hasDrawn()) << "1 % after 0.15 s: a long job";
    }
    EXPECT_EQ(contentsOf(quiet), "");
    const auto text = contentsOf(shown);
    EXPECT_EQ(text.rfind("\rrendering [", 0), 0u) << text;
    EXPECT_EQ(text.back(), '\r') << "the line is cleared at the end";
    std::fclose(quiet);
    std::fclose(shown);
}

TEST(Benchmark, RunsEachRepetitionFromAFreshPrepareInBlocksAndReportsTheMedian)
{
    EXPECT_EQ(Benchmark::median({3.0, 1.0, 2.0}), 2.0);
    EXPECT_EQ(Benchmark::median({4.0, 1.0, 2.0, 3.0}), 2.5);
    EXPECT_EQ(Benchmark::median({}), 0.0);

    CountingSource source;
    const auto result = Benchmark::run(source, 44100.0, 100, 0.05, 3);
    EXPECT_EQ(source.prepares, 3);
    EXPECT_EQ(source.releases, 3);
    EXPECT_EQ(source.frames, 3 * 2205);
    EXPECT_EQ(source.largestBlock, 100);
    ASSERT_EQ(result.nsPerFrame.size(), 3u);
    EXPECT_EQ(result.medianNsPerFrame, Benchmark::median(result.nsPerFrame));
    EXPECT_GT(result.medianNsPerFrame, 0.0);
    EXPECT_NEAR(result.realTimeFactor * result.medianNsPerFrame * 44100.0, 1e9, 1.0);

    const auto noise = Benchmark::noise(48000);
    EXPECT_EQ(noise.getNumChannels(), 2);
    EXPECT_NEAR(noise.getRMSLevel(0, 0, 48000), 0.55 / std::sqrt(3.0), 0.01);
    EXPECT_LE(noise.getMagnitude(0, 48000), 0.55f);
    EXPECT_NE(noise.getSample(0, 100), noise.getSample(1, 100)) << "two channels, not one";
}

TEST(OfflineRenderer, ReportsProgressUpToTheEndAndReleasesTheSource)
{
    CountingSource source;
    source.tail = 0.5;
    juce::AudioBuffer<float> input(2, 4410);
    input.clear();
    input.setSample(0, 0, 1.0f);

    OfflineRenderer renderer(source, 256);
    std::vector<double> reported;
    renderer.onProgress = [&reported](double share) { reported.push_back(share); };
    renderer.render(input, 44100.0, 1.0);

    ASSERT_GE(reported.size(), 2u);
    EXPECT_EQ(reported.back(), 1.0);
    for (size_t i = 1; i < reported.size(); ++i)
        EXPECT_GE(reported[i], reported[i - 1]) << "progress never goes back";
    EXPECT_LT(reported[reported.size() - 2], 1.0);
    EXPECT_EQ(source.prepares, 1);
    EXPECT_EQ(source.releases, 1);
}
