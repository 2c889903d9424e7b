// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderOptions.h"

#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

using morvane::RenderOptions;

namespace
{
std::optional<juce::String> parse(std::initializer_list<const char*> words, RenderOptions& out)
{
    juce::StringArray args;
    for (auto* word : words)
        args.add(word);
    return RenderOptions::parse(args, out);
}
} // namespace

TEST(RenderOptions, ParametersAreFoundByNameOrStoredNameInAnyCase)
{
    RenderOptions options;
    ASSERT_FALSE(parse({"in.wav", "--set", "Size=0.9", "--set", "low pass = 0.25", "--set",
                        "EFFECTREVERBDELAY=0", "--set", "on / off=1", "--tail", "2.5", "--bits",
                        "32", "--block", "64", "--seed", "7", "-o", "x.wav"},
                       options));
    EXPECT_EQ(options.inputPath, "in.wav");
    EXPECT_EQ(options.outputPath, "x.wav");
    ASSERT_EQ(options.settings.size(), 4u);
    EXPECT_EQ(options.settings[0], std::make_pair(4, 0.9f));
    EXPECT_EQ(options.settings[1], std::make_pair(5, 0.25f));
    EXPECT_EQ(options.settings[2], std::make_pair(3, 0.0f));
    EXPECT_EQ(options.settings[3], std::make_pair(0, 1.0f));
    EXPECT_EQ(options.maxTailSeconds, 2.5);
    EXPECT_EQ(options.bitsPerSample, 32);
    EXPECT_EQ(options.blockSize, 64);
    EXPECT_EQ(options.seed, 7u);
}

TEST(RenderOptions, MistakesAreReportedNotGuessed)
{
    const std::initializer_list<const char*> mistakes[] = {
        {"--set", "Reverb=0.5"}, {"--set", "Size"},      {"--set", "Size="}, {"--set", "Size=0.5x"},
        {"--set", "Size=nan"},   {"--set", "Size=-0.1"}, {"--set"},          {"--tail", "-1"},
        {"--tail", "forever"},   {"--block", "0"},       {"--block", "1.5"}, {"--bits", "16"},
        {"--seed", "-3"},        {"--unknown"},          {"a.wav", "b.wav"},
    };
    for (const auto& words : mistakes)
    {
        RenderOptions options;
        const auto error = parse(words, options);
        ASSERT_TRUE(error.has_value())
            << juce::StringArray(words.begin(), static_cast<int>(words.size())).joinIntoString(" ");
        EXPECT_FALSE(error->containsChar('\n'));
    }
}

TEST(RenderOptions, StateFilesAndPresetsNameWhereToStart)
{
    RenderOptions options;
    ASSERT_FALSE(parse({"in.wav", "--load-state", "a.state", "--save-state", "b.state"}, options));
    EXPECT_EQ(options.loadStatePath, "a.state");
    EXPECT_EQ(options.saveStatePath, "b.state");
    EXPECT_FALSE(options.preset);

    // A picture of the editor shows whatever state it is given.
    RenderOptions picture;
    ASSERT_FALSE(parse({"--snapshot", "x.png", "--load-state", "a.state"}, picture));
    EXPECT_EQ(picture.loadStatePath, "a.state");

    const auto& presets = morvane::FactoryPresets::all();
    RenderOptions preset;
    ASSERT_FALSE(parse({"--preset", "pad-wash", "--set", "Wet=0.5"}, preset));
    ASSERT_TRUE(preset.preset);
    EXPECT_EQ(presets[*preset.preset].name, "Pad Wash");
    EXPECT_EQ(preset.settings.size(), 1u);
    RenderOptions listing;
    ASSERT_FALSE(parse({"--list-presets"}, listing));
    EXPECT_TRUE(listing.listPresets);

    RenderOptions unknown;
    const auto error = parse({"--preset", "Broom Closet"}, unknown);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains("'Broom Closet'") && error->contains(presets.front().name))
        << *error;

    const std::initializer_list<const char*> mistakes[] = {
        {"--load-state"},
        {"--save-state", ""},
        {"--snapshot", "x.png", "--save-state", "a.state"},
        {"--preset"},
        {"--preset", ""},
        {"--preset", "cathedral", "--load-state", "a.state"},
    };
    for (const auto& words : mistakes)
    {
        RenderOptions wrong;
        EXPECT_TRUE(parse(words, wrong).has_value());
    }
}

TEST(RenderOptions, AModulesParameterNamesWaitForTheModuleAndBenchTakesAnOptionalLength)
{
    RenderOptions module;
    ASSERT_FALSE(parse({"--set", "Decay=0.3", "--set", " 2 =1", "--plugin", "x.so"}, module));
    EXPECT_EQ(module.pluginPath, "x.so");
    EXPECT_TRUE(module.settings.empty()) << "resolved by the module, not here";
    ASSERT_EQ(module.namedSettings.size(), 2u);
    EXPECT_EQ(module.namedSettings[0], std::make_pair(juce::String("Decay"), 0.3f));
    EXPECT_EQ(module.namedSettings[1], std::make_pair(juce::String("2"), 1.0f));

    RenderOptions builtIn;
    ASSERT_FALSE(parse({"--set", "3=0.5", "--set", "size=0.25"}, builtIn));
    ASSERT_EQ(builtIn.settings.size(), 2u);
    EXPECT_EQ(builtIn.settings[0], std::make_pair(3, 0.5f));
    EXPECT_EQ(builtIn.settings[1], std::make_pair(4, 0.25f));
    EXPECT_EQ(RenderOptions::parameterIndex("7", 7), -1);
    EXPECT_EQ(RenderOptions::parameterIndex("-1", 7), -1);
    EXPECT_EQ(RenderOptions::parameterIndex("99999999999", 7), -1);

    RenderOptions bench;
    ASSERT_FALSE(parse({"--bench", "--quiet", "--runs", "3", "--rate", "96000"}, bench));
    EXPECT_EQ(bench.benchSeconds, RenderOptions::defaultBenchSeconds);
    EXPECT_TRUE(bench.quiet);
    EXPECT_EQ(bench.benchRuns, 3);
    EXPECT_EQ(bench.sampleRate, 96000.0);
    RenderOptions timed;
    ASSERT_FALSE(parse({"--bench", "2.5", "--block", "64"}, timed));
    EXPECT_EQ(timed.benchSeconds, 2.5);

    const std::initializer_list<const char*> mistakes[] = {
        {"--set", "7=0.5"},
        {"--plugin"},
        {"--bench", "0"},
        {"--bench", "in.wav"},
        {"--runs", "3"},
        {"--bench", "--runs", "0"},
        {"--load-timeout", "0"},
        {"--snapshot", "a.png", "--plugin", "x.so"},
        {"--bench", "-o", "x.wav"},
        {"--plugin", "x.so", "--set", "Decay=2"},
    };
    for (const auto& words : mistakes)
    {
        RenderOptions wrong;
        EXPECT_TRUE(parse(words, wrong).has_value())
            << juce::StringArray(words.begin(), static_cast<int>(words.size())).joinIntoString(" ");
    }
}
