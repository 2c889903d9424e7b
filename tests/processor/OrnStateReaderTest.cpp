#include "processor/OrnCore.h"
#include "support/ProcessorProbe.h"
#include "support/StateChunks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using morvane::OrnCore;
using morvane::test::makeChunk;
using morvane::test::makeNoiseBlock;
using morvane::test::ProcessorProbe;

namespace
{
constexpr float factoryValues[] = {1.0f, 0.2f, 1.0f, 0.0f, 0.85f, 0.8f, 0.0f};

juce::MemoryBlock save(OrnCore& core)
{
    juce::MemoryBlock chunk;
    core.getStateInformation(chunk);
    return chunk;
}

void restore(OrnCore& core, const juce::MemoryBlock& chunk)
{
    core.setStateInformation(chunk.getData(), static_cast<int>(chunk.getSize()));
}

std::string program(const std::string& attributes)
{
    return "<program " + attributes + "/>";
}

std::string programs(const std::string& attributes)
{
    return "<programs>" + program(attributes) + "</programs>";
}

std::string state(const std::string& programs, const std::string& midimap = "<midimap/>",
                  const std::string& rootAttributes = R"(curprogram="0" version="1")")
{
    return "<orn " + rootAttributes + ">" + programs + midimap + "</orn>";
}

/** Everything a restore may change, to compare before and after. */
struct Snapshot
{
    juce::String name, category;
    std::array<std::uint32_t, 7> valueBits{};
    std::array<std::int32_t, 256> midiMap{};

    explicit Snapshot(OrnCore& core)
        : name(core.getProgram().name), category(core.getProgram().category),
          midiMap(core.getProgram().midiMap)
    {
        for (int i = 0; i < 7; ++i)
        {
            const float value = core.getParameter(i);
            std::memcpy(&valueBits[static_cast<size_t>(i)], &value, sizeof(float));
        }
    }

    bool operator==(const Snapshot& other) const
    {
        return name == other.name && category == other.category && valueBits == other.valueBits &&
               midiMap == other.midiMap;
    }
};

/** A processor with its host and editor listening. */
struct Fixture
{
    OrnCore core;
    ProcessorProbe probe;

    Fixture()
    {
        core.dispatchPendingMessages();
        core.addListener(&probe);
        core.addChangeListener(&probe);
    }

    ~Fixture()
    {
        core.removeChangeListener(&probe);
        core.removeListener(&probe);
    }

    void restore(const std::string& document) { restoreChunk(makeChunk(document)); }

    void restoreChunk(const juce::MemoryBlock& chunk)
    {
        probe.clear();
        ::restore(core, chunk);
        core.dispatchPendingMessages();
    }

    bool changeMessageSent() const { return probe.changeMessages > 0; }
};

// A program different from the factory one in every field.
void makeDistinct(OrnCore& core)
{
    auto& program = core.getProgram();
    program.name = "Before";
    program.category = "kept";
    program.midiMap[1] = 11;
    program.midiMap[7] = 77;
    for (int i = 0; i < 7; ++i)
        core.setParameter(i, 0.05f * static_cast<float>(i + 1));
}
} // namespace

TEST(OrnStateReader, SaveRestoreSaveIsExactForAnyValuesNamesAndControllers)
{
    std::mt19937 random(99);
    for (int round = 0; round < 50; ++round)
    {
        OrnCore source;
        auto& program = source.getProgram();
        for (int i = 0; i < 7; ++i)
        {
            float value;
            do
            {
                const auto bits = static_cast<std::uint32_t>(random());
                std::memcpy(&value, &bits, sizeof(value));
            } while (std::isnan(value));
            source.setParameter(i, round == 0 ? std::numeric_limits<float>::quiet_NaN() : value);
        }
        program.name = juce::String::fromUTF8("n\xc3\xa4me <&> \"") + juce::String(round);
        program.category = juce::String::repeatedString("'\n", round);
        for (int k = 0; k < 40; ++k)
            program.midiMap[1 + random() % 255] = static_cast<std::int32_t>(random());

        const auto first = save(source);
        OrnCore target;
        restore(target, first);
        EXPECT_EQ(save(target), first);
        EXPECT_TRUE(Snapshot(target) == Snapshot(source)) << "round " << round;
    }
}

TEST(OrnStateReader, RestoreAppliesTheProgramTellsTheHostAndRefreshesOnce)
{
    Fixture f;
    f.restore(state(programs(R"(programname="Hall" category="Rooms" effectreverbon="1" )"
                             R"(effectreverbamount="0.5" effectreverbsignalamount="0.25" )"
                             R"(effectreverbdelay="0.125" effectreverbsize="0.75" )"
                             R"(effectreverblow="0.375" effectreverbhigh="0.0625")")));

    const float expected[] = {1.0f, 0.5f, 0.25f, 0.125f, 0.75f, 0.375f, 0.0625f};
    ASSERT_EQ(f.probe.automations.size(), 7u);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(f.core.getParameter(i), expected[i]);
        EXPECT_EQ(f.probe.automations[static_cast<size_t>(i)].index, i);
        EXPECT_EQ(f.probe.automations[static_cast<size_t>(i)].value, expected[i]);
    }
    EXPECT_EQ(f.core.getProgram().name, "Hall");
    EXPECT_EQ(f.core.getProgram().category, "Rooms");
    EXPECT_EQ(f.core.getEngineSettings().get(morvane::Parameter::delay), 0.125 * 0.125);
    EXPECT_TRUE(f.changeMessageSent());

    // The same through the single-program request.
    OrnCore other;
    const auto chunk = save(f.core);
    other.setCurrentProgramStateInformation(chunk.getData(), static_cast<int>(chunk.getSize()));
    EXPECT_TRUE(Snapshot(other) == Snapshot(f.core));
}

TEST(OrnStateReader, ChunksWithoutADocumentChangeNothingButTheEditorRefreshes)
{
    const std::string good = state(programs(R"(effectreverbsize="0.5")"));
    const auto goodChunk = makeChunk(good);
    const char* bytes = static_cast<const char*>(goodChunk.getData());

    std::vector<juce::MemoryBlock> chunks = {
        juce::MemoryBlock(),
        juce::MemoryBlock(bytes, 8),
        juce::MemoryBlock("VC2!\x01\0\0\0", 8),
        makeChunk("", 0),
        makeChunk(good, 0),
        makeChunk("not xml at all"),
        makeChunk("<orn"),
        makeChunk("<<orn/>"),
        makeChunk("\xef\xbb\xbf" + good),
        makeChunk("<orn><programs><program effectreverbsize=\"0.5\"/></programs>"),
        makeChunk("<orn a=\"1\" a2=\"2\"><programs><program x=\"&#x\"/></programs></orn>"),
        makeChunk(std::string("\0", 1) + good),
    };
    auto wrongMagic = goodChunk;
    static_cast<char*>(wrongMagic.getData())[3] = '?';
    chunks.push_back(wrongMagic);

    for (const auto& chunk : chunks)
    {
        Fixture f;
        makeDistinct(f.core);
        const Snapshot before(f.core);
        f.restoreChunk(chunk);
        EXPECT_TRUE(Snapshot(f.core) == before) << chunk.toString();
        EXPECT_TRUE(f.probe.automations.empty());
        EXPECT_TRUE(f.changeMessageSent());
    }

    // A null pointer with a size, as a careless host might send.
    Fixture f;
    const Snapshot before(f.core);
    f.core.setStateInformation(nullptr, 100);
    EXPECT_TRUE(Snapshot(f.core) == before);
}

TEST(OrnStateReader, TheLengthFieldGivesWayToTheBytesPresent)
{
    const std::string document = state(programs(R"(effectreverbsize="0.5")"));
    for (std::uint32_t length : {static_cast<std::uint32_t>(document.size()),
                                 static_cast<std::uint32_t>(document.size() + 1), 1000000u,
                                 0x7fffffffu, 0x80000000u, 0xffffffffu})
    {
        Fixture f;
        f.restoreChunk(makeChunk(document, length));
        EXPECT_EQ(f.core.getParameter(4), 0.5f) << length;
    }

    // A length that stops inside the document hides the rest of it.
    Fixture f;
    makeDistinct(f.core);
    const Snapshot before(f.core);
    f.restoreChunk(makeChunk(document, static_cast<std::uint32_t>(document.size() / 2)));
    EXPECT_TRUE(Snapshot(f.core) == before);
}

TEST(OrnStateReader, ATruncatedChunkRestoresAllOrNothing)
{
    OrnCore source;
    makeDistinct(source);
    source.getProgram().name = "After";
    source.getProgram().midiMap[9] = 99;
    source.setParameter(4, 0.3f);
    const auto full = save(source);
    const Snapshot after(source);

    for (size_t size = 0; size <= full.getSize(); ++size)
    {
        for (const bool fixLength : {false, true})
        {
            auto chunk = juce::MemoryBlock(full.getData(), size);
            if (fixLength && size >= 9)
            {
                const auto length =
                    juce::ByteOrder::swapIfBigEndian(static_cast<juce::uint32>(size - 9));
                chunk.copyFrom(&length, 4, sizeof(length));
            }

            OrnCore target;
            const Snapshot before(target);
            restore(target, chunk);
            const Snapshot result(target);
            EXPECT_TRUE(result == before || result == after) << "size " << size;
        }
    }
}

TEST(OrnStateReader, AbsentAttributesTakeTheirDefaultsAndNamesMatchAsDocumented)
{
    Fixture f;
    makeDistinct(f.core);
    f.restore(state(programs(R"(EffectReverbSize="0.9" effectreverbamount="0.5")")));
    EXPECT_EQ(f.core.getProgram().name, "Not Saved");
    EXPECT_EQ(f.core.getProgram().category, "No category");
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(f.core.getParameter(i), i == 1 ? 0.5f : 0.0f) << i;

    // Tags in any letter case; an empty name stays empty.
    f.restore("<ORN><Programs><PROGRAM programname=\"\" effectreverbsize=\"0.25\"/></Programs>"
              "<MidiMap><MAP param=\"4\" controllernumber=\"5\"/></MidiMap></ORN>");
    EXPECT_EQ(f.core.getProgram().name, "");
    EXPECT_EQ(f.core.getParameter(4), 0.25f);
    EXPECT_EQ(f.core.getProgram().midiMap[5], 4);

    // Any other root is not a state at all.
    const Snapshot before(f.core);
    f.restore("<orm><programs>" + program(R"(effectreverbsize="0.75")") + "</programs></orm>");
    EXPECT_TRUE(Snapshot(f.core) == before);
    EXPECT_TRUE(f.changeMessageSent());
}

TEST(OrnStateReader, CurprogramChoosesAmongThePrograms)
{
    const std::string two = "<programs>" + program(R"(effectreverbsize="0.1")") +
                            program(R"(effectreverbsize="0.2")") + "</programs>";
    const std::pair<const char*, float> cases[] = {
        {R"(curprogram="1")", 0.2f},          {R"(curprogram="2")", 0.1f},
        {R"(curprogram="-1")", 0.1f},         {R"(curprogram="abc")", 0.1f},
        {R"(curprogram=" 1")", 0.2f},         {"", 0.1f},
        {R"(curprogram="4294967297")", 0.2f},
    };
    for (const auto& [attributes, expected] : cases)
    {
        Fixture f;
        f.restore(state(two, "<midimap/>", attributes));
        EXPECT_EQ(f.core.getParameter(4), expected) << attributes;
    }

    // A chosen element that is not a "program" leaves the record alone, but
    // the program is still applied again.
    Fixture f;
    makeDistinct(f.core);
    const Snapshot before(f.core);
    f.restore(state("<programs><bank effectreverbsize=\"0.9\"/></programs>"));
    EXPECT_TRUE(Snapshot(f.core) == before);
    EXPECT_EQ(f.probe.automations.size(), 7u);

    f.restore(state("<programs>text first" + program(R"(effectreverbsize="0.9")") + "</programs>"));
    EXPECT_TRUE(Snapshot(f.core) == before);
    EXPECT_EQ(f.probe.automations.size(), 7u);
}

TEST(OrnStateReader, MissingOrEmptyProgramsEndTheRestoreEarly)
{
    // No "programs": the controller entries are still read, nothing is re-applied.
    Fixture f;
    makeDistinct(f.core);
    f.restore("<orn><midimap><map param=\"5\" controllernumber=\"7\"/></midimap></orn>");
    EXPECT_EQ(f.core.getProgram().midiMap[7], 5);
    EXPECT_EQ(f.core.getProgram().name, "Before");
    EXPECT_TRUE(f.probe.automations.empty());
    EXPECT_TRUE(f.changeMessageSent());

    // Empty "programs": nothing at all, not even a change message.
    const Snapshot before(f.core);
    f.restore(state("<programs/>", "<midimap><map param=\"6\" controllernumber=\"7\"/></midimap>"));
    EXPECT_TRUE(Snapshot(f.core) == before);
    EXPECT_TRUE(f.probe.automations.empty());
    EXPECT_FALSE(f.changeMessageSent());

    f.restore(state("<programs> <!-- none --> </programs>"));
    EXPECT_FALSE(f.changeMessageSent());
}

TEST(OrnStateReader, ControllerEntriesFollowTheTableRules)
{
    Fixture f;
    auto& map = f.core.getProgram().midiMap;
    map[1] = 11;
    map[2] = 22;
    map[3] = 33;

    f.restore(state(programs(""), "<midimap>"
                                  R"(<map param="3" controllernumber="7"/>)"
                                  R"(<map param="5" controllernumber="7"/>)"
                                  R"(<map param="9" controllernumber="0"/>)"
                                  R"(<map param="9" controllernumber="256"/>)"
                                  R"(<map param="9" controllernumber="-1"/>)"
                                  R"(<map param="9"/>)"
                                  R"(<map controllernumber="2"/>)"
                                  R"(<other param="-5" controllernumber="255"/>)"
                                  R"(<map param="2147483647" controllernumber="100"/>)"
                                  R"(<map param="99999999999999999999" controllernumber="101"/>)"
                                  R"(<map param="12" Controllernumber="3"/>)"
                                  "</midimap>"));

    EXPECT_EQ(map[0], 0);
    EXPECT_EQ(map[1], 11);
    EXPECT_EQ(map[2], 0);
    EXPECT_EQ(map[3], 33);
    EXPECT_EQ(map[7], 5);
    EXPECT_EQ(map[100], 2147483647);
    EXPECT_EQ(map[101], -1);
    EXPECT_EQ(map[255], -5);

    // The next save writes each entry once, in ascending order.
    const auto document = morvane::test::documentOf(save(f.core));
    EXPECT_NE(document.find("<midimap>"
                            R"(<map param="11" controllernumber="1"/>)"
                            R"(<map param="33" controllernumber="3"/>)"
                            R"(<map param="5" controllernumber="7"/>)"
                            R"(<map param="2147483647" controllernumber="100"/>)"
                            R"(<map param="-1" controllernumber="101"/>)"
                            R"(<map param="-5" controllernumber="255"/>)"
                            "</midimap>"),
              std::string::npos);

    // A state without "midimap" keeps the table.
    const auto table = map;
    f.restore("<orn><programs>" + program("") + "</programs></orn>");
    EXPECT_EQ(map, table);
}

TEST(OrnStateReader, OddNumbersAreStoredAsReadAndTheSoundStaysFinite)
{
    const std::pair<const char*, float> cases[] = {
        {"nan", std::numeric_limits<float>::quiet_NaN()},
        {"inf", std::numeric_limits<float>::infinity()},
        {"-1e300", -std::numeric_limits<float>::infinity()},
        {"1e999", std::numeric_limits<float>::infinity()},
        {"1e99999999999", std::numeric_limits<float>::infinity()},
        {"0x10", 0.0f},
        {"", 0.0f},
        {"  3", 3.0f},
        {"-0.5", -0.5f},
        {"3.4028235e38", std::numeric_limits<float>::max()},
        {"1e-50", 0.0f},
    };

    for (const auto& [text, expected] : cases)
    {
        std::string attributes;
        for (const char* name :
             {"effectreverbamount", "effectreverbsignalamount", "effectreverbdelay",
              "effectreverbsize", "effectreverblow", "effectreverbhigh"})
            attributes += std::string(name) + "=\"" + text + "\" ";

        Fixture f;
        f.core.setRateAndBufferSizeDetails(44100.0, 256);
        f.restore(state(programs(R"(effectreverbon="1" )" + attributes)));

        for (int i = 1; i < 7; ++i)
        {
            const float value = f.core.getParameter(i);
            if (std::isnan(expected))
                EXPECT_TRUE(std::isnan(value)) << text;
            else
                EXPECT_EQ(value, expected) << text;
        }

        juce::MidiBuffer midi;
        for (int block = 0; block < 20; ++block)
        {
            auto buffer = makeNoiseBlock(256, static_cast<juce::uint32>(block + 1));
            f.core.processBlock(buffer, midi);
            for (int channel = 0; channel < 2; ++channel)
                for (int n = 0; n < 256; ++n)
                    ASSERT_TRUE(std::isfinite(buffer.getSample(channel, n))) << text;
        }
    }
}

TEST(OrnStateReader, HostileChunksAreRefusedWithoutHarm)
{
    auto nested = [](int depth)
    {
        std::string text = "<orn><programs>";
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        return text + "</programs></orn>";
    };

    std::vector<std::string> documents = {
        nested(10000),
        nested(1000000),
        // Entities defined in terms of themselves, and the classic expansion bomb.
        R"(<!DOCTYPE orn [<!ENTITY a "&&a;">]><orn><programs>&a;</programs></orn>)",
        R"(<!DOCTYPE orn [<!ENTITY a "x"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;">)"
        R"(<!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;">]><orn><programs>)" +
            program(R"(programname="&c;")") + "</programs></orn>",
        // An entity name that would be parsed as markup.
        "<orn><programs>&<program effectreverbsize=\"0.5\"/>;</programs></orn>",
        // A processing instruction followed by text, which the parser never leaves.
        "<orn><programs><?pi?>text" + program("") + "</programs></orn>",
        // A character reference that the end of the text cuts off.
        "<orn><programs>" + program(R"(programname="x")") + "</programs></orn>&#x4",
        "<orn><programs>" + program(R"(programname="&#x4)"),
        // Fifty megabytes of controller entries.
        "<orn><midimap>" +
            []
            {
                std::string entries;
                const std::string entry = R"(<map param="3" controllernumber="7"/>)";
                entries.reserve(50u << 20);
                while (entries.size() < (50u << 20))
                    entries += entry;
                return entries;
            }() +
            "</midimap></orn>",
    };

    for (const auto& document : documents)
    {
        Fixture f;
        makeDistinct(f.core);
        const Snapshot before(f.core);
        f.restore(document);
        EXPECT_TRUE(Snapshot(f.core) == before) << document.substr(0, 80);
        EXPECT_TRUE(f.changeMessageSent());
    }
}

TEST(OrnStateReader, LargeAndBrokenTextsStillRestore)
{
    // A fifty-megabyte name is a document like any other.
    Fixture f;
    const std::string name(50u << 20, 'n');
    f.restore(state(programs("programname=\"" + name + R"(" effectreverbsize="0.5")")));
    EXPECT_EQ(f.core.getProgram().name.getNumBytesAsUTF8(), name.size());
    EXPECT_EQ(f.core.getParameter(4), 0.5f);

    // Bytes that are not UTF-8 become replacement characters; the rest is read.
    f.restore(state(programs("programname=\"a\xff"
                             "b\xc3\" effectreverbsize=\"0.25\"")));
    EXPECT_EQ(f.core.getProgram().name, juce::String::fromUTF8("a\xef\xbf\xbd"
                                                               "b\xef\xbf\xbd"));
    EXPECT_EQ(f.core.getParameter(4), 0.25f);
    EXPECT_EQ(morvane::test::documentOf(save(f.core)).find('\xff'), std::string::npos);
}
