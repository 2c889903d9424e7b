// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModuleSource.h"
#include "CoreSource.h"
#include "OfflineRenderer.h"
#include "support/FakeModuleReport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>

using morvane::CoreSource;
using morvane::ModuleProbe;
using morvane::ModuleSource;
using morvane::OfflineRenderer;

namespace
{
const juce::File morvaneModule{MORVANE_VST2_MODULE};
const juce::File probeProgram{MORVANE_PROBE_PROGRAM};

juce::File testModule(const char* name)
{
    return juce::File(TEST_MODULE_DIR).getChildFile(juce::String(name) + ".so");
}

std::unique_ptr<ModuleSource> load(const juce::File& file, std::optional<unsigned> seed = {})
{
    ModuleSource::Options options;
    options.seed = seed;
    options.probeProgram = probeProgram;
    juce::String error;
    auto host = ModuleSource::load(file, options, error);
    EXPECT_NE(host, nullptr) << error;
    return host;
}

juce::AudioBuffer<float> phrase(int length)
{
    juce::AudioBuffer<float> buffer(2, length);
    juce::Random random(5);
    for (int n = 0; n < length; ++n)
    {
        const float envelope = std::exp(-static_cast<float>(n) / 2000.0f);
        buffer.setSample(0, n, envelope * (random.nextFloat() - 0.5f));
        buffer.setSample(1, n, envelope * (random.nextFloat() - 0.5f));
    }
    return buffer;
}

std::map<std::string, std::string> report(ModuleSource& host)
{
    const auto chunk = host.getState();
    return morvane::test::readFakeModuleReport(
        std::string(static_cast<const char*>(chunk.getData()), chunk.getSize()));
}
} // namespace

TEST(ModuleSource, RenderThroughTheModuleIsBitIdenticalToTheBuiltInProcessor)
{
    const auto input = phrase(30000);
    for (const int block : {512, 333})
    {
        std::srand(99);
        CoreSource core;
        core.setParameter(4, 0.6f);
        core.setParameter(1, 0.7f);
        const auto expected = OfflineRenderer(core, block).render(input, 48000.0, 2.0);

        auto host = load(morvaneModule, 99u);
        ASSERT_NE(host, nullptr);
        host->setParameter(host->findParameter("size"), 0.6f);
        host->setParameter(host->findParameter("WET"), 0.7f);
        const auto actual = OfflineRenderer(*host, block).render(input, 48000.0, 2.0);

        ASSERT_EQ(actual.getNumSamples(), expected.getNumSamples()) << block;
        for (int channel = 0; channel < 2; ++channel)
            for (int n = 0; n < expected.getNumSamples(); ++n)
                ASSERT_EQ(actual.getSample(channel, n), expected.getSample(channel, n))
                    << "block " << block << ", channel " << channel << ", sample " << n;
    }

    // A different seed is a different modulation, so the comparison above means something.
    std::srand(98);
    CoreSource other;
    other.setParameter(4, 0.6f);
    other.setParameter(1, 0.7f);
    auto host = load(morvaneModule, 99u);
    ASSERT_NE(host, nullptr);
    host->setParameter(4, 0.6f);
    host->setParameter(1, 0.7f);
    const auto a = OfflineRenderer(other, 512).render(input, 48000.0, 2.0);
    const auto b = OfflineRenderer(*host, 512).render(input, 48000.0, 2.0);
    bool differs = false;
    for (int n = 0; n < std::min(a.getNumSamples(), b.getNumSamples()) && !differs; ++n)
        differs = a.getSample(0, n) != b.getSample(0, n);
    EXPECT_TRUE(differs);
}

TEST(ModuleSource, ParametersAreFoundByTheModulesNamesAndStateRoundTrips)
{
    auto host = load(morvaneModule);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->getNumParameters(), 7);
    EXPECT_EQ(host->getName(), "Morvane Plugin");
    EXPECT_EQ(host->findParameter("  low PASS "), 5);
    EXPECT_EQ(host->findParameter("On / Off"), 0);
    EXPECT_EQ(host->findParameter("Loudness"), -1);
    EXPECT_EQ(host->getParameterName(4), "Size");
    EXPECT_EQ(host->getParameterName(7), "");

    host->setParameter(4, 0.9f);
    host->setParameter(99, 0.1f);
    host->setParameter(-1, 0.1f);
    EXPECT_EQ(host->getParameter(4), 0.9f);
    EXPECT_EQ(host->getParameterText(4), "0.90");

    // The module's chunk is the built-in processor's state, byte for byte.
    CoreSource core;
    core.setParameter(4, 0.9f);
    const auto chunk = host->getState();
    EXPECT_EQ(chunk, core.getState());

    auto second = load(morvaneModule);
    ASSERT_NE(second, nullptr);
    ASSERT_FALSE(second->setState(chunk));
    EXPECT_EQ(second->getParameter(4), 0.9f);
}

TEST(ModuleSource, AnswersTheModuleAsAHostAndFeedsAMonoModuleBothChannels)
{
    auto host = load(testModule("gain"));
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->getName(), "Test Gain");
    EXPECT_EQ(host->findParameter("output gain level"), 0) << "names are trimmed";
    EXPECT_EQ(host->getParameterText(0), "0.50 x");

    host->prepare(44100.0, 256);
    EXPECT_NEAR(host->getTailSeconds(), 4800.0 / 44100.0, 1e-12);

    juce::AudioBuffer<float> audio(2, 1000); // longer than the block: processed in pieces
    for (int n = 0; n < 1000; ++n)
    {
        audio.setSample(0, n, 0.4f);
        audio.setSample(1, n, -0.2f);
    }
    host->process(audio);
    for (int n = 0; n < 1000; ++n)
    {
        ASSERT_FLOAT_EQ(audio.getSample(0, n), 0.5f * 0.1f) << n;
        ASSERT_FLOAT_EQ(audio.getSample(1, n), 0.5f * 0.1f) << n;
    }

    auto seen = report(*host);
    EXPECT_EQ(seen["version"], "2400");
    EXPECT_EQ(seen["rate"], "44100");
    EXPECT_EQ(seen["block"], "256");
    EXPECT_EQ(seen["level"], "4") << "an offline render";
    EXPECT_EQ(seen["vendor"], "Quillon");
    EXPECT_EQ(seen["canTime"], "1");
    EXPECT_EQ(seen["canFly"], "0");
    EXPECT_EQ(seen["calls"], "4");
    EXPECT_EQ(seen["timeinfo"], "yes");
    EXPECT_EQ(seen["pos"], "768") << "the last block started after three of 256";
    EXPECT_EQ(seen["timerate"], "44100");
    EXPECT_EQ(seen["tempo"], "120.0");
    EXPECT_EQ(seen["sig"], "4/4");
    EXPECT_EQ(seen["ppq"], juce::String(768.0 / 44100.0 * 2.0, 3).toStdString());
    EXPECT_EQ(seen["playing"] + seen["tempoValid"] + seen["sigValid"] + seen["ppqValid"], "1111");
    EXPECT_GE(host->getAutomationNotices(), 1);

    // A new prepare starts the transport again.
    host->release();
    host->prepare(48000.0, 64);
    juce::AudioBuffer<float> one(2, 64);
    one.clear();
    host->process(one);
    seen = report(*host);
    EXPECT_EQ(seen["pos"], "0");
    EXPECT_EQ(seen["rate"], "48000");

    ASSERT_FALSE(host->setState(juce::MemoryBlock("abc", 3)));
    EXPECT_EQ(report(*host)["state"], "abc");
    EXPECT_TRUE(host->setState(juce::MemoryBlock()));
}

TEST(ModuleProbe, ModulesThatFailToLoadAreRefusedWithOneLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"no_entry", "no entry point"}, {"null_effect", "returned no effect"},
        {"wrong_magic", "wrong magic"}, {"crash", "crashed while loading"},
        {"missing", "no module file"},
    };
    // Through the probe program, and by the forked child alone when there is none.
    for (const auto& program : {probeProgram, juce::File("/nonexistent/morvane-probe")})
        for (const auto& [name, expected] : cases)
        {
            const auto problem = ModuleProbe::probe(testModule(name), 10.0, program);
            ASSERT_TRUE(problem.has_value()) << name;
            EXPECT_TRUE(problem->contains(expected)) << name << ": " << *problem;
            EXPECT_FALSE(problem->containsChar('\n')) << *problem;

            ModuleSource::Options options;
            options.probeProgram = program;
            juce::String error;
            EXPECT_EQ(ModuleSource::load(testModule(name), options, error), nullptr) << name;
            EXPECT_EQ(error, *problem);
        }

    const auto notALibrary = juce::File::createTempFile(".so");
    ASSERT_TRUE(notALibrary.replaceWithText("not a library"));
    const auto problem = ModuleProbe::probe(notALibrary, 10.0, probeProgram);
    notALibrary.deleteFile();
    ASSERT_TRUE(problem.has_value());
    EXPECT_TRUE(problem->contains("cannot load")) << *problem;

    EXPECT_FALSE(ModuleProbe::probe(testModule("gain"), 10.0, probeProgram));
    EXPECT_FALSE(ModuleProbe::probe(morvaneModule, 30.0, probeProgram));
}

TEST(ModuleProbe, AModuleThatHangsWhileLoadingIsGivenUpOnInTime)
{
    const auto start = std::chrono::steady_clock::now();
    const auto problem = ModuleProbe::probe(testModule("hang"), 0.5, probeProgram);
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(problem.has_value());
    EXPECT_TRUE(problem->contains("did not finish loading within 0.5 s")) << *problem;
    EXPECT_LT(waited, std::chrono::seconds(20)) << "not a hang of our own";
}
