// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/OrnStateReader.h"
#include "processor/ParameterTable.h"
#include "state/OrnStateWriter.h"
#include "state/StateNumbers.h"
#include "support/StateChunks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using morvane::OrnProgram;
using morvane::OrnStateReader;
using morvane::test::makeChunk;

namespace
{
juce::MemoryBlock save(const OrnProgram& program)
{
    juce::MemoryBlock chunk;
    morvane::OrnStateWriter::write(program, chunk);
    return chunk;
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
    std::array<std::uint32_t, OrnProgram::numValues> valueBits{};
    std::array<std::int32_t, OrnProgram::midiMapSize> midiMap{};

    explicit Snapshot(const OrnProgram& program)
        : name(program.name), category(program.category), midiMap(program.midiMap)
    {
        for (int i = 0; i < OrnProgram::numValues; ++i)
        {
            const float value = program.getValue(i);
            std::memcpy(&valueBits[static_cast<size_t>(i)], &value, sizeof(float));
        }
    }

    bool operator==(const Snapshot& other) const
    {
        return name == other.name && category == other.category && valueBits == other.valueBits &&
               midiMap == other.midiMap;
    }
};

/** A record, and what the last restore into it decided, applied the way the
    processor applies it. It starts different from the factory program in
    every field, so that any change shows. */
struct Target
{
    OrnProgram program;
    bool document = false, reapplied = false, changeMessage = false;

    Target()
    {
        program.name = "Before";
        program.category = "kept";
        program.midiMap[1] = 11;
        program.midiMap[7] = 77;
        for (int i = 0; i < OrnProgram::numValues; ++i)
            program.setValue(i, 0.05f * static_cast<float>(i + 1));
    }

    void restoreChunk(const juce::MemoryBlock& chunk)
    {
        const OrnStateReader reader(chunk.getData(), static_cast<int>(chunk.getSize()));
        reader.applyProgram(program);
        reader.applyControllerMap(program);
        document = reader.hasStateDocument();
        reapplied = reader.reappliesProgram();
        changeMessage = reader.sendsChangeMessage();
    }

    void restore(const std::string& text) { restoreChunk(makeChunk(text)); }

    /** True when the last restore left the record as it was and only asked the editor to refresh.
     */
    bool unchangedBy(const Snapshot& before) const
    {
        return Snapshot(program) == before && !reapplied && changeMessage;
    }
};
} // namespace

TEST(OrnStateReader, SaveRestoreSaveIsExactForAnyValuesNamesAndControllers)
{
    std::mt19937 random(99);
    for (int round = 0; round < 50; ++round)
    {
        OrnProgram source;
        for (int i = 0; i < OrnProgram::numValues; ++i)
        {
            float value;
            do
            {
                const auto bits = static_cast<std::uint32_t>(random());
                std::memcpy(&value, &bits, sizeof(value));
            } while (std::isnan(value));
            source.setValue(i, round == 0 ? std::numeric_limits<float>::quiet_NaN() : value);
        }
        // Control characters too: the writer spells them "&#1;", which XML 1.0 would refuse.
        source.name = juce::String::fromUTF8("n\xc3\xa4me <&> \" \x01\x1f\x7f\xef\xbf\xbf") +
                      juce::String(round);
        source.category = juce::String::repeatedString("'\n\r\t", round);
        for (int k = 0; k < 40; ++k)
            source.midiMap[1 + random() % 255] = static_cast<std::int32_t>(random());

        const auto first = save(source);
        OrnProgram target;
        const OrnStateReader reader(first.getData(), static_cast<int>(first.getSize()));
        reader.applyProgram(target);
        reader.applyControllerMap(target);
        EXPECT_TRUE(reader.hasStateDocument() && reader.reappliesProgram());
        EXPECT_EQ(save(target), first);
        EXPECT_TRUE(Snapshot(target) == Snapshot(source)) << "round " << round;
    }
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
        // The whole text must be well-formed, after the program too.
        makeChunk(good + "<orn/>"),
        makeChunk(good + "tail"),
        makeChunk(state(programs(R"(effectreverbsize="0.5")"), "<midimap><map</midimap>")),
        makeChunk(state(programs(R"(effectreverbsize="0.5")"), "<midimap></programs>")),
    };
    auto wrongMagic = goodChunk;
    static_cast<char*>(wrongMagic.getData())[3] = '?';
    chunks.push_back(wrongMagic);

    for (const auto& chunk : chunks)
    {
        Target target;
        const Snapshot before(target.program);
        target.restoreChunk(chunk);
        EXPECT_TRUE(target.unchangedBy(before)) << chunk.toString();
        EXPECT_FALSE(target.document);
    }

    // A null pointer with a size, as a careless host might send.
    const OrnStateReader reader(nullptr, 100);
    EXPECT_FALSE(reader.hasStateDocument());
    EXPECT_TRUE(reader.sendsChangeMessage());
}

TEST(OrnStateReader, TheLengthFieldGivesWayToTheBytesPresent)
{
    const std::string document = state(programs(R"(effectreverbsize="0.5")"));
    for (std::uint32_t length : {static_cast<std::uint32_t>(document.size()),
                                 static_cast<std::uint32_t>(document.size() + 1), 1000000u,
                                 0x7fffffffu, 0x80000000u, 0xffffffffu})
    {
        Target target;
        target.restoreChunk(makeChunk(document, length));
        EXPECT_EQ(target.program.getValue(4), 0.5f) << length;
    }

    // A length that stops inside the document hides the rest of it.
    Target target;
    const Snapshot before(target.program);
    target.restoreChunk(makeChunk(document, static_cast<std::uint32_t>(document.size() / 2)));
    EXPECT_TRUE(target.unchangedBy(before));
}

TEST(OrnStateReader, ATruncatedChunkRestoresAllOrNothing)
{
    Target source;
    source.program.name = "After";
    source.program.midiMap[9] = 99;
    source.program.setValue(4, 0.3f);
    const auto full = save(source.program);
    const Snapshot after(source.program);

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

            OrnProgram target;
            const Snapshot before(target);
            const OrnStateReader reader(chunk.getData(), static_cast<int>(chunk.getSize()));
            reader.applyProgram(target);
            reader.applyControllerMap(target);
            const Snapshot result(target);
            EXPECT_TRUE(result == before || result == after) << "size " << size;
        }
    }
}

TEST(OrnStateReader, AbsentAttributesTakeTheirDefaultsAndNamesMatchAsDocumented)
{
    Target target;
    target.restore(state(programs(R"(EffectReverbSize="0.9" effectreverbamount="0.5")")));
    EXPECT_EQ(target.program.name, "Not Saved");
    EXPECT_EQ(target.program.category, "No category");
    for (int i = 0; i < OrnProgram::numValues; ++i)
        EXPECT_EQ(target.program.getValue(i), i == 1 ? 0.5f : 0.0f) << i;

    // Tags in any letter case, end tags too; an empty name stays empty; of
    // two attributes with one name the first counts.
    target.restore("<ORN><Programs><PROGRAM programname=\"\" effectreverbsize=\"0.25\" "
                   "effectreverbsize=\"0.75\"/></programs><MidiMap><MAP param=\"4\" "
                   "controllernumber=\"5\" param=\"6\"/></MIDIMAP></Orn>");
    EXPECT_EQ(target.program.name, "");
    EXPECT_EQ(target.program.getValue(4), 0.25f);
    EXPECT_EQ(target.program.midiMap[5], 4);

    // Any other root is not a state at all.
    const Snapshot before(target.program);
    target.restore("<orm><programs>" + program(R"(effectreverbsize="0.75")") + "</programs></orm>");
    EXPECT_TRUE(target.unchangedBy(before));
    EXPECT_FALSE(target.document);

    // Only the first "programs" and the first "midimap" are read, and only their children.
    target.restore(
        R"(<orn><programs><program effectreverbsize="0.5"><program effectreverbsize="0.1"/>)"
        R"(</program></programs><programs><program effectreverbsize="0.2"/></programs>)"
        R"(<midimap><map param="1" controllernumber="2"><map param="1" )"
        R"(controllernumber="3"/></map></midimap><midimap><map param="1" )"
        R"(controllernumber="4"/></midimap></orn>)");
    EXPECT_EQ(target.program.getValue(4), 0.5f);
    EXPECT_EQ(target.program.midiMap[2], 1);
    EXPECT_EQ(target.program.midiMap[3], 0);
    EXPECT_EQ(target.program.midiMap[4], 0);
}

TEST(OrnStateReader, CurprogramChoosesAmongThePrograms)
{
    const std::string two = "<programs>" + program(R"(effectreverbsize="0.1")") +
                            program(R"(effectreverbsize="0.2")") + "</programs>";
    const std::pair<const char*, float> cases[] = {
        {R"(curprogram="1")", 0.2f},          {R"(curprogram="2")", 0.1f},
        {R"(curprogram="-1")", 0.1f},         {R"(curprogram="abc")", 0.1f},
        {R"(curprogram=" 1")", 0.2f},         {"", 0.1f},
        {R"(curprogram="4294967297")", 0.2f}, {R"(curprogram="1" curprogram="0")", 0.2f},
    };
    for (const auto& [attributes, expected] : cases)
    {
        Target target;
        target.restore(state(two, "<midimap/>", attributes));
        EXPECT_EQ(target.program.getValue(4), expected) << attributes;
        EXPECT_TRUE(target.reapplied);
    }

    // A chosen child that is not a "program" leaves the record alone, but
    // the program is still applied again; text counts as a child.
    for (const std::string& children : {std::string("<bank effectreverbsize=\"0.9\"/>"),
                                        "text first" + program(R"(effectreverbsize="0.9")"),
                                        "<![CDATA[]]>" + program(R"(effectreverbsize="0.9")")})
    {
        Target target;
        const Snapshot before(target.program);
        target.restore(state("<programs>" + children + "</programs>"));
        EXPECT_TRUE(Snapshot(target.program) == before) << children;
        EXPECT_TRUE(target.reapplied) << children;
    }

    Target target;
    target.restore(state("<programs> &#65; " + program(R"(effectreverbsize="0.9")") + "</programs>",
                         "<midimap/>", R"(curprogram="1")"));
    EXPECT_EQ(target.program.getValue(4), 0.9f);
}

TEST(OrnStateReader, MissingOrEmptyProgramsEndTheRestoreEarly)
{
    // No "programs": the controller entries are still read, nothing is re-applied.
    Target target;
    target.restore("<orn><midimap><map param=\"5\" controllernumber=\"7\"/></midimap></orn>");
    EXPECT_EQ(target.program.midiMap[7], 5);
    EXPECT_EQ(target.program.name, "Before");
    EXPECT_FALSE(target.reapplied);
    EXPECT_TRUE(target.changeMessage);

    // Empty "programs": nothing at all, not even a change message, wherever the "midimap" is.
    const Snapshot before(target.program);
    for (const std::string& document :
         {state("<programs/>", "<midimap><map param=\"6\" controllernumber=\"7\"/></midimap>"),
          std::string("<orn><midimap><map param=\"6\" controllernumber=\"7\"/></midimap>"
                      "<programs></programs></orn>"),
          state("<programs> <!-- none --> &#32;<?pi?>&#x9; </programs>")})
    {
        target.restore(document);
        EXPECT_TRUE(Snapshot(target.program) == before) << document;
        EXPECT_FALSE(target.reapplied);
        EXPECT_FALSE(target.changeMessage) << document;
    }
}

TEST(OrnStateReader, ControllerEntriesFollowTheTableRules)
{
    Target target;
    auto& map = target.program.midiMap;
    map[1] = 11;
    map[2] = 22;
    map[3] = 33;

    target.restore(state(programs(""),
                         "<midimap>"
                         R"(<map param="3" controllernumber="7"/>)"
                         R"(<map param="5" controllernumber="7"/>)"
                         R"(<map param="9" controllernumber="0"/>)"
                         R"(<map param="9" controllernumber="256"/>)"
                         R"(<map param="9" controllernumber="-1"/>)"
                         R"(<map param="9"/>)"
                         R"(<map controllernumber="2"/>)"
                         R"(<other param="-5" controllernumber="255"/>)"
                         "text between"
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
    const auto document = morvane::test::documentOf(save(target.program));
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
    target.restore("<orn><programs>" + program("") + "</programs></orn>");
    EXPECT_EQ(map, table);
}

TEST(OrnStateReader, NumbersAreReadAsTheFrameworkReadsThem)
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
        {"&#32;3", 3.0f},
        {"-0.5", -0.5f},
        {"&#x2D;0.5", -0.5f},
        {"3.4028235e38", std::numeric_limits<float>::max()},
        {"1e-50", 0.0f},
    };

    for (const auto& [text, expected] : cases)
    {
        std::string attributes;
        for (int i = 0; i < OrnProgram::numValues; ++i)
            attributes +=
                std::string(morvane::ParameterTable::get(i).attribute) + "=\"" + text + "\" ";

        Target target;
        target.restore(state(programs(attributes)));
        for (int i = 0; i < OrnProgram::numValues; ++i)
        {
            const float value = target.program.getValue(i);
            if (std::isnan(expected))
                EXPECT_TRUE(std::isnan(value)) << text;
            else
                EXPECT_EQ(value, expected) << text;
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
        // An external entity, which must never be loaded.
        R"(<!DOCTYPE orn [<!ENTITY x SYSTEM "/etc/passwd">]><orn><programs>)" +
            program(R"(programname="&x;")") + "</programs></orn>",
        // An entity name that would be parsed as markup.
        "<orn><programs>&<program effectreverbsize=\"0.5\"/>;</programs></orn>",
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
        Target target;
        const Snapshot before(target.program);
        target.restore(document);
        EXPECT_TRUE(target.unchangedBy(before)) << document.substr(0, 80);
    }
}

TEST(OrnStateReader, LargeAndBrokenTextsStillRestore)
{
    // A fifty-megabyte name is a document like any other.
    Target target;
    const std::string name(50u << 20, 'n');
    target.restore(state(programs("programname=\"" + name + R"(" effectreverbsize="0.5")")));
    EXPECT_EQ(target.program.name.getNumBytesAsUTF8(), name.size());
    EXPECT_EQ(target.program.getValue(4), 0.5f);

    // Bytes that are not UTF-8 become replacement characters; the rest is read.
    target.restore(state(programs("programname=\"a\xff"
                                  "b\xc3\" effectreverbsize=\"0.25\"")));
    EXPECT_EQ(target.program.name, juce::String::fromUTF8("a\xef\xbf\xbd"
                                                          "b\xef\xbf\xbd"));
    EXPECT_EQ(target.program.getValue(4), 0.25f);
    EXPECT_EQ(morvane::test::documentOf(save(target.program)).find('\xff'), std::string::npos);

    // A processing instruction before text, which once made the parser loop for ever, and
    // references in every spelling.
    target.restore(state("<programs><?pi?>text" +
                             program(R"(programname="&AMP;&Lt;&#65;&#x1F3B5;&#0;&#xD800;")") +
                             "</programs>",
                         "<midimap/>", R"(curprogram="1")"));
    EXPECT_EQ(target.program.name, juce::String::fromUTF8("&<A\xf0\x9f\x8e\xb5"
                                                          "\xef\xbf\xbd\xef\xbf\xbd"));
}

namespace
{
bool tagIs(const juce::XmlElement& element, const char* name)
{
    const auto tag = element.getTagName();
    if (!tag.containsOnly("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_:.-"))
        return false;
    return tag.equalsIgnoreCase(name);
}

const juce::XmlElement* firstChildTagged(const juce::XmlElement& parent, const char* name)
{
    for (auto* child = parent.getFirstChildElement(); child != nullptr;
         child = child->getNextElement())
        if (tagIs(*child, name))
            return child;
    return nullptr;
}

/** The reading rules applied to the framework's tree of a document, as a
    second opinion on what the one-pass reader keeps. */
void readTree(const juce::XmlElement& root, Target& target)
{
    using morvane::StateNumbers;
    target.reapplied = false;
    target.changeMessage = true;
    target.document = tagIs(root, "orn");
    if (!target.document)
        return;

    if (const auto* programs = firstChildTagged(root, "programs"))
    {
        const int numChildren = programs->getNumChildElements();
        if (numChildren == 0)
        {
            target.changeMessage = false;
            return;
        }

        const auto* chosen = programs->getFirstChildElement();
        const int current = StateNumbers::readInt(root.getStringAttribute("curprogram"));
        if (current > 0 && current < numChildren)
            chosen = programs->getChildElement(current);

        if (tagIs(*chosen, "program"))
        {
            target.program.name = chosen->getStringAttribute("programname", "Not Saved");
            target.program.category = chosen->getStringAttribute("category", "No category");
            for (int i = 0; i < OrnProgram::numValues; ++i)
            {
                const auto text =
                    chosen->getStringAttribute(morvane::ParameterTable::get(i).attribute);
                target.program.setValue(i, static_cast<float>(StateNumbers::readDouble(text)));
            }
        }
        target.reapplied = true;
    }

    if (const auto* midimap = firstChildTagged(root, "midimap"))
        for (auto* child = midimap->getFirstChildElement(); child != nullptr;
             child = child->getNextElement())
        {
            const int controller =
                StateNumbers::readInt(child->getStringAttribute("controllernumber"));
            if (controller >= 1 && controller < OrnProgram::midiMapSize)
                target.program.midiMap[static_cast<size_t>(controller)] =
                    StateNumbers::readInt(child->getStringAttribute("param"));
        }
}
} // namespace

// On every mangled state that the reader takes for a document, the framework's
// parser (which the reader replaced) builds a tree that reads the same.
// Processing instructions stay out: the framework never leaves one followed by text.
TEST(OrnStateReader, ReadsWhatTheFrameworkTreeHoldsOnMangledStates)
{
    const std::string seeds[] = {
        R"(<orn curprogram="1" version="1"><programs><program programname="a&amp;b" )"
        R"(category="c" effectreverbsize="0.85" effectreverbon='1'/><program )"
        R"(effectreverblow="0.5"/></programs><midimap><map param="3" controllernumber="7"/>)"
        R"(<map param="4" controllernumber="9"/></midimap></orn>)",
        R"(<orn curprogram="2"><!-- note --><programs> <b><![CDATA[<c>]]></b> text &#65; more)"
        R"(<program programname="&lt;x&gt;" effectreverbdelay="0.25"/></programs></orn>)",
    };
    const std::string alphabet = "<>/!-[]&;#x\"'= aCDATmp12\n";

    std::mt19937 random(2024);
    int compared = 0;
    for (int round = 0; round < 20000; ++round)
    {
        auto mangled = seeds[random() % 2];
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits && !mangled.empty(); ++e)
        {
            const size_t at = random() % mangled.size();
            const char c = alphabet[random() % alphabet.size()];
            switch (random() % 4)
            {
                case 0:
                    mangled.insert(at, 1, c);
                    break;
                case 1:
                    mangled.erase(at, 1 + random() % 4);
                    break;
                case 2:
                    mangled[at] = c;
                    break;
                default:
                    mangled.insert(at, mangled.substr(random() % mangled.size(), random() % 40));
                    break;
            }
        }

        Target reader;
        reader.restore(mangled);
        if (!reader.document)
            continue;

        const auto tree = juce::parseXML(
            juce::String::fromUTF8(mangled.data(), static_cast<int>(mangled.size())));
        ASSERT_NE(tree, nullptr) << mangled;
        Target fromTree;
        readTree(*tree, fromTree);
        ASSERT_TRUE(Snapshot(reader.program) == Snapshot(fromTree.program)) << mangled;
        ASSERT_EQ(reader.reapplied, fromTree.reapplied) << mangled;
        ASSERT_EQ(reader.changeMessage, fromTree.changeMessage) << mangled;
        ++compared;
    }
    EXPECT_GT(compared, 1000);
}
