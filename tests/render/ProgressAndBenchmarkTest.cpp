// SPDX-License-Identifier: GPL-3.0-or-later
#include "Benchmark.h"
#include "OfflineRenderer.h"
#include "ProgressBar.h"
#include "RenderSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using morvane::Benchmark;
using morvane::Material;
using morvane::Materials;
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

// What a counting source saw, kept when the benchmark has let go of it.
struct Seen
{
    int prepares = 0, releases = 0, largestBlock = 0;
    long long frames = 0;
};

class RecordingSource : public CountingSource
{
public:
    explicit RecordingSource(Seen& into) : seen(into) {}
    ~RecordingSource() override { seen = {prepares, releases, largestBlock, frames}; }

private:
    Seen& seen;
};

// Each material on a source of its own, prepared once: steady material settles, then each run
// times the next stretch of it; the two that end in silence are timed whole in every run.
TEST(Benchmark, EveryMaterialOnItsOwnSourceInBlocksWithTheMedianOfItsRuns)
{
    EXPECT_EQ(Benchmark::median({3.0, 1.0, 2.0}), 2.0);
    EXPECT_EQ(Benchmark::median({4.0, 1.0, 2.0, 3.0}), 2.5);
    EXPECT_EQ(Benchmark::median({}), 0.0);

    std::vector<Seen> seen(morvane::allMaterials.size());
    std::size_t made = 0;
    const Benchmark::SourceMaker make = [&]() -> std::unique_ptr<morvane::RenderSource>
    { return std::make_unique<RecordingSource>(seen.at(made++)); };
    constexpr double rate = 8000.0;
    constexpr int runs = 3;
    const auto result = Benchmark::run(make, rate, 100, 0.05, runs);

    ASSERT_TRUE(result.has_value());
    ASSERT_EQ(made, morvane::allMaterials.size());
    ASSERT_EQ(result->materials.size(), made);
    EXPECT_EQ(result->materials.front().material, Material::stereoNoise);
    EXPECT_EQ(result->materials.front().ratioToNoise, 1.0);
    EXPECT_EQ(result->medianNsPerFrame, result->materials.front().medianNsPerFrame);
    EXPECT_NEAR(result->realTimeFactor * result->medianNsPerFrame * rate, 1e9, 1.0);

    const auto settle = static_cast<long long>(Materials::settleSeconds * rate);
    for (std::size_t i = 0; i < made; ++i)
    {
        const auto& figures = result->materials[i];
        const Material material = morvane::allMaterials[i];
        EXPECT_EQ(figures.material, material);
        ASSERT_EQ(figures.nsPerFrame.size(), static_cast<std::size_t>(runs));
        EXPECT_EQ(figures.medianNsPerFrame, Benchmark::median(figures.nsPerFrame));
        EXPECT_GT(figures.medianNsPerFrame, 0.0);
        EXPECT_EQ(seen[i].prepares, 1);
        EXPECT_EQ(seen[i].releases, 1);
        EXPECT_EQ(seen[i].largestBlock, 100);
        const auto expected = Materials::isSteady(material)
                                  ? settle + runs * 400
                                  : runs * Materials::lengthFrames(material, rate);
        EXPECT_EQ(seen[i].frames, expected) << Materials::name(material);
    }
}

TEST(Benchmark, AMissingSourceEndsTheBenchmark)
{
    int made = 0;
    const Benchmark::SourceMaker make = [&]() -> std::unique_ptr<morvane::RenderSource>
    { return ++made < 3 ? std::make_unique<CountingSource>() : nullptr; };
    EXPECT_FALSE(Benchmark::run(make, 8000.0, 64, 0.01, 1).has_value());
    EXPECT_EQ(made, 3);
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
