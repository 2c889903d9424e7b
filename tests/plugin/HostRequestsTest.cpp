// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestHost.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace morvane;
using namespace morvane::test;
using namespace morvane::vst2;

namespace
{

class HostRequests : public ::testing::Test
{
protected:
    void SetUp() override { plugin.clearCalls(); }

    Module module;
    Plugin plugin{module};
};

// Fills a buffer with a marker, runs a text request into it and reports how many bytes the
// plug-in touched, terminator included.
template <typename Request>
size_t bytesWritten(Request request)
{
    char buffer[128];
    std::memset(buffer, 0x7f, sizeof(buffer));
    request(buffer);
    size_t last = 0;
    for (size_t i = 0; i < sizeof(buffer); ++i)
        if (buffer[i] != 0x7f)
            last = i + 1;
    return last;
}

} // namespace

TEST_F(HostRequests, DescriptorCarriesTheIdentity)
{
    const AEffect& e = *plugin.getEffect();
    EXPECT_EQ(e.magic, fourCharacters("VstP"));
    EXPECT_EQ(e.uniqueID, fourCharacters("Mvn1"));
    EXPECT_EQ(e.version, 65536);
    EXPECT_EQ(e.numInputs, 2);
    EXPECT_EQ(e.numOutputs, 2);
    EXPECT_EQ(e.numParams, 7);
    EXPECT_EQ(e.numPrograms, 1);
    EXPECT_EQ(e.initialDelay, 0);
    EXPECT_EQ(e.ioRatio, 1.0f);
    EXPECT_NE(e.processReplacing, nullptr);
    // A reverb rings on, so hosts must keep calling it after the input stops; and it takes no
    // double-precision or instrument path.
    EXPECT_EQ(e.flags & ~effFlagsHasEditor, effFlagsCanReplacing | effFlagsProgramChunks);

    EXPECT_EQ(plugin.text(effGetEffectName), "Morvane Plugin");
    EXPECT_EQ(plugin.text(effGetProductString), "Morvane Plugin");
    EXPECT_EQ(plugin.text(effGetVendorString), "Quillon");
    EXPECT_EQ(plugin.dispatch(effGetVendorVersion), 100);
    EXPECT_EQ(plugin.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(plugin.dispatch(effGetPlugCategory), 1);
    EXPECT_EQ(plugin.dispatch(effIdentify), 1316373862);
    EXPECT_EQ(plugin.dispatch(effGetNumMidiInputChannels), 0);
    EXPECT_EQ(plugin.dispatch(effGetNumMidiOutputChannels), 0);
    EXPECT_EQ(plugin.dispatch(effProcessEvents, 0, 0, plugin.getEffect()), 0);
    EXPECT_EQ(plugin.dispatch(9999), 0);

    for (const auto& call : plugin.getCalls())
        EXPECT_NE(call.opcode, audioMasterWantMidi);
}

TEST_F(HostRequests, CanDoComparesTheWholeTextExactly)
{
    const std::pair<const char*, std::intptr_t> answers[] = {{"receiveVstEvents", -1},
                                                             {"receiveVstMidiEvent", -1},
                                                             {"receiveVstMidiEvents", -1},
                                                             {"sendVstEvents", -1},
                                                             {"sendVstMidiEvent", -1},
                                                             {"sendVstMidiEvents", -1},
                                                             {"receiveVstTimeInfo", 1},
                                                             {"conformsToWindowRules", 1},
                                                             {"bypass", 1},
                                                             {"openCloseAnyThread", -1},
                                                             {"Bypass", 0},
                                                             {"bypass ", 0},
                                                             {"bypas", 0},
                                                             {"", 0},
                                                             {"sizeWindow", 0}};

    for (const auto& [text, answer] : answers)
        EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, const_cast<char*>(text)), answer) << text;
    EXPECT_EQ(plugin.dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(HostRequests, TextsStayWithinTheHostsBuffers)
{
    EXPECT_EQ(plugin.text(effGetParamName, 2), "Dry");
    EXPECT_EQ(plugin.text(effGetParamDisplay, 1), "0.20");
    EXPECT_EQ(plugin.text(effGetParamLabel, 1), "");
    EXPECT_EQ(plugin.text(effGetParamName, 7), "");
    EXPECT_EQ(plugin.text(effGetParamDisplay, -1), "");
    EXPECT_EQ(plugin.text(effGetProgramName), "default");

    // Values far outside 0..1 make the longest display texts the processor can produce.
    plugin.setParameter(1, -3.0e38f);
    EXPECT_LE(bytesWritten([&](char* b) { plugin.dispatch(effGetParamDisplay, 1, 0, b); }), 24u);
    EXPECT_LE(bytesWritten([&](char* b) { plugin.dispatch(effGetParamName, 0, 0, b); }), 16u);
    EXPECT_LE(bytesWritten([&](char* b) { plugin.dispatch(effGetParamLabel, 0, 0, b); }), 24u);
    EXPECT_LE(bytesWritten([&](char* b) { plugin.dispatch(effGetEffectName, 0, 0, b); }), 32u);
    EXPECT_LE(bytesWritten([&](char* b) { plugin.dispatch(effGetVendorString, 0, 0, b); }), 32u);
    EXPECT_LE(bytesWritten([&](char* b) { plugin.dispatch(effGetProgramName, 0, 0, b); }), 24u);

    // Requests without a buffer write nothing and do not crash.
    for (auto opcode : {effGetParamName, effGetParamDisplay, effGetParamLabel, effGetProgramName,
                        effGetEffectName, effGetVendorString, effGetProductString})
        plugin.dispatch(opcode, 0, 0, nullptr);

    char unterminated[300];
    std::memset(unterminated, 'x', sizeof(unterminated));
    plugin.dispatch(effSetProgramName, 0, 0, unterminated);
}

TEST_F(HostRequests, ParametersPassStraightThroughWithoutEcho)
{
    plugin.setParameter(1, 0.123f);
    EXPECT_EQ(plugin.getParameter(1), 0.123f);
    EXPECT_EQ(plugin.text(effGetParamDisplay, 1), "0.12");

    plugin.setParameter(7, 0.5f);
    plugin.setParameter(-1, 0.5f);
    EXPECT_EQ(plugin.getParameter(7), 0.0f);
    EXPECT_EQ(plugin.getParameter(-1), 0.0f);

    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(plugin.dispatch(effCanBeAutomated, i), 1);

    EXPECT_TRUE(plugin.getCalls(audioMasterAutomate).empty())
        << "changes the host makes are never sent back to it";
}

TEST_F(HostRequests, ProgramRequestsReachOnlyTheOneProgram)
{
    plugin.setParameter(4, 0.5f);

    plugin.dispatch(effSetProgram, 0, 1);
    plugin.dispatch(effSetProgram, 0, std::intptr_t{1} << 32);
    EXPECT_TRUE(plugin.getCalls(audioMasterAutomate).empty());

    plugin.dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(plugin.getCalls(audioMasterAutomate).size(), 7u);
    plugin.dispatch(effSetProgram, 0, 0);
    auto automations = plugin.getCalls(audioMasterAutomate);
    ASSERT_EQ(automations.size(), 14u);
    automations.erase(automations.begin(), automations.begin() + 7);
    const float expected[] = {1.0f, 0.2f, 1.0f, 0.0f, 0.5f, 0.8f, 0.0f};
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(automations[static_cast<size_t>(i)].index, i);
        EXPECT_EQ(automations[static_cast<size_t>(i)].opt, expected[i]);
    }

    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
    char name[24] = {};
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
    EXPECT_STREQ(name, "default");
    std::memset(name, 0x7f, sizeof(name));
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, 1, 0, name), 0);
    EXPECT_EQ(name[0], 0x7f);
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, -1, 0, name), 1);
    EXPECT_STREQ(name, "default");
}

TEST_F(HostRequests, PinsAndSpeakerArrangements)
{
    VstPinProperties pin;
    std::memset(&pin, 0x55, sizeof(pin));
    ASSERT_EQ(plugin.dispatch(effGetInputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "1");
    EXPECT_STREQ(pin.shortLabel, "1");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    EXPECT_EQ(pin.arrangementType, 0);
    ASSERT_EQ(plugin.dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "2");

    std::memset(&pin, 0x55, sizeof(pin));
    EXPECT_EQ(plugin.dispatch(effGetInputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(plugin.dispatch(effGetOutputProperties, -1, 0, &pin), 0);
    EXPECT_EQ(plugin.dispatch(effGetInputProperties, 0, 0, nullptr), 0);
    EXPECT_EQ(pin.flags, 0x55555555) << "a refused pin query writes nothing";

    VstSpeakerArrangement mono{}, stereo{};
    mono.type = kSpeakerArrMono;
    mono.numChannels = 1;
    stereo.type = kSpeakerArrStereo;
    stereo.numChannels = 2;

    EXPECT_EQ(plugin.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<std::intptr_t>(&mono),
                              &stereo),
              0);
    EXPECT_EQ(plugin.dispatch(effSetSpeakerArrangement, 0, 0, &stereo), 0);
    plugin.dispatch(effGetInputProperties, 0, 0, &pin);
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo) << "a refused layout changes nothing";
    EXPECT_EQ(plugin.getEffect()->numInputs, 2);

    EXPECT_EQ(plugin.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<std::intptr_t>(&stereo),
                              &stereo),
              1);
    plugin.dispatch(effGetOutputProperties, 1, 0, &pin);
    EXPECT_EQ(pin.flags, kVstPinUseSpeaker);
    EXPECT_EQ(pin.arrangementType, kSpeakerArrStereo);

    VstSpeakerArrangement* in = &mono;
    VstSpeakerArrangement* out = &mono;
    EXPECT_EQ(
        plugin.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<std::intptr_t>(&in), &out),
        0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
}

TEST_F(HostRequests, TailFollowsSizeAndTheSampleRate)
{
    plugin.resume(44100.0);
    const auto tail44 = plugin.dispatch(effGetTailSize);
    plugin.suspend();
    plugin.resume(96000.0);
    const auto tail96 = plugin.dispatch(effGetTailSize);

    EXPECT_GT(tail44, 44100 * 5) << "Size 0.85 rings for seconds";
    // The same room at another rate: only the rounding of the delay lengths differs.
    const double seconds44 = static_cast<double>(tail44) / 44100.0;
    EXPECT_NEAR(static_cast<double>(tail96) / 96000.0, seconds44, seconds44 * 0.02);

    plugin.setParameter(4, 0.2f);
    const auto smallRoom = plugin.dispatch(effGetTailSize);
    plugin.setParameter(3, 1.0f);
    const auto smallRoomLongDelay = plugin.dispatch(effGetTailSize);
    EXPECT_LT(smallRoom, tail96);
    EXPECT_NEAR(static_cast<double>(smallRoomLongDelay - smallRoom), 96000.0, 10.0)
        << "the whole pre-delay belongs to the tail";

    plugin.setParameter(4, 1.0f);
    EXPECT_GT(plugin.dispatch(effGetTailSize), tail96);
}

TEST_F(HostRequests, ChunkStaysValidUntilTheNextRequestForOne)
{
    void* bank = nullptr;
    const auto bankSize = plugin.dispatch(effGetChunk, 0, 0, &bank);
    if (bankSize == 0)
        GTEST_SKIP() << "the processor stores no state yet";
    ASSERT_NE(bank, nullptr);
    const std::string bankBytes(static_cast<const char*>(bank), static_cast<size_t>(bankSize));

    // Other requests leave the copy alone, and handing it straight back is safe.
    plugin.setParameter(4, 0.3f);
    plugin.text(effGetParamDisplay, 4);
    EXPECT_EQ(std::string(static_cast<const char*>(bank), static_cast<size_t>(bankSize)),
              bankBytes);
    EXPECT_EQ(plugin.dispatch(effSetChunk, 0, bankSize, bank), 0);
    EXPECT_EQ(plugin.getParameter(4), 0.85f);

    void* program = nullptr;
    const auto programSize = plugin.dispatch(effGetChunk, 1, 0, &program);
    EXPECT_EQ(std::string(static_cast<const char*>(program), static_cast<size_t>(programSize)),
              bankBytes)
        << "the bank holds one program, so both kinds carry the same document";

    plugin.setParameter(4, 0.3f);
    EXPECT_EQ(plugin.dispatch(effSetChunk, 1, static_cast<std::intptr_t>(bankBytes.size()),
                              const_cast<char*>(bankBytes.data())),
              0);
    EXPECT_EQ(plugin.getParameter(4), 0.85f);

    plugin.setParameter(4, 0.3f);
    EXPECT_EQ(plugin.dispatch(effSetChunk, 0, 0, const_cast<char*>(bankBytes.data())), 0);
    EXPECT_EQ(plugin.dispatch(effSetChunk, 0, -5, const_cast<char*>(bankBytes.data())), 0);
    EXPECT_EQ(plugin.dispatch(effSetChunk, 0, 100, nullptr), 0);
    EXPECT_EQ(plugin.getParameter(4), 0.3f) << "an empty chunk restores nothing";

    EXPECT_EQ(plugin.dispatch(effGetChunk, 0, 0, nullptr), 0);
}
