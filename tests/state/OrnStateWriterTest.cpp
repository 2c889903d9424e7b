// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/OrnStateWriter.h"
#include "support/StateChunks.h"

#include <gtest/gtest.h>

#include <limits>

using morvane::OrnProgram;
using morvane::test::documentOf;

namespace
{
juce::MemoryBlock save(const OrnProgram& program)
{
    juce::MemoryBlock chunk{"stale", 5};
    morvane::OrnStateWriter::write(program, chunk);
    return chunk;
}
} // namespace

TEST(OrnStateWriter, FactoryStateIsTheDocumentedChunkByteForByte)
{
    const OrnProgram factory;
    const std::string document =
        R"(<orn curprogram="0" version="1"><programs><program programname="Startup" )"
        R"(category="category 1" effectreverbon="1" effectreverbamount="0.20000000298023223877" )"
        R"(effectreverbsignalamount="1" effectreverbdelay="0" )"
        R"(effectreverbsize="0.85000002384185791016" effectreverblow="0.80000001192092895508" )"
        R"(effectreverbhigh="0"/></programs><midimap/></orn>)";

    const auto chunk = save(factory);
    EXPECT_EQ(chunk, morvane::test::makeChunk(document));

    const auto* bytes = static_cast<const unsigned char*>(chunk.getData());
    EXPECT_EQ(juce::ByteOrder::littleEndianInt(bytes + 4), chunk.getSize() - 9);
    EXPECT_EQ(bytes[chunk.getSize() - 1], 0);
}

TEST(OrnStateWriter, TextsAreEscapedOntoOneLineAndControllersAscend)
{
    OrnProgram program;
    program.name =
        juce::String::fromUTF8("Hall <\"big\"> & 'wide'\nsecond line\t\xc3\xbc\xe2\x82\xac");
    program.category = "a&b";
    program.midiMap[200] = std::numeric_limits<std::int32_t>::min();
    program.midiMap[7] = 3;
    program.midiMap[255] = std::numeric_limits<std::int32_t>::max();
    program.midiMap[64] = -5;
    program.setValue(3, -0.5f);
    program.setValue(4, 1.0e-30f);
    program.setValue(5, std::numeric_limits<float>::infinity());
    program.setValue(6, std::numeric_limits<float>::quiet_NaN());

    const auto document = documentOf(save(program));
    EXPECT_EQ(document.find('\n'), std::string::npos);
    EXPECT_EQ(document.find('\r'), std::string::npos);
    EXPECT_EQ(document.rfind("<?xml", 0), std::string::npos);
    EXPECT_NE(document.find(R"(programname="Hall &lt;&quot;big&quot;&gt; &amp; 'wide'&#10;second )"
                            R"(line&#9;&#252;&#8364;" category="a&amp;b")"),
              std::string::npos);
    EXPECT_NE(
        document.find(R"(effectreverbdelay="-0.5" effectreverbsize="1.000000003171076851e-30" )"
                      R"(effectreverblow="inf" effectreverbhigh="nan")"),
        std::string::npos);
    EXPECT_NE(document.find(R"(<midimap><map param="3" controllernumber="7"/>)"
                            R"(<map param="-5" controllernumber="64"/>)"
                            R"(<map param="-2147483648" controllernumber="200"/>)"
                            R"(<map param="2147483647" controllernumber="255"/></midimap>)"),
              std::string::npos);
}
