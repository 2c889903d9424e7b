// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/StateChunkText.h"
#include "support/StateChunks.h"

#include <gtest/gtest.h>

#include <string>

using morvane::StateChunkText;
using morvane::test::makeChunk;

namespace
{
std::string textOf(const juce::MemoryBlock& chunk)
{
    const StateChunkText text(chunk.getData(), static_cast<int>(chunk.getSize()));
    return std::string(text.text());
}
} // namespace

TEST(StateChunkText, OnlyAStateFrameCarriesText)
{
    const auto good = makeChunk("<orn/>");
    const StateChunkText framed(good.getData(), static_cast<int>(good.getSize()));
    EXPECT_TRUE(framed.isFramed());
    EXPECT_EQ(framed.text(), "<orn/>");

    auto wrongMagic = good;
    static_cast<char*>(wrongMagic.getData())[0] = 'v';
    for (const auto& chunk : {wrongMagic, makeChunk("<orn/>", 0),
                              juce::MemoryBlock(good.getData(), 8), juce::MemoryBlock()})
    {
        const StateChunkText text(chunk.getData(), static_cast<int>(chunk.getSize()));
        EXPECT_FALSE(text.isFramed());
        EXPECT_TRUE(text.text().empty());
    }
    EXPECT_FALSE(StateChunkText(nullptr, 100).isFramed());

    // The text ends at the length, at the end of the data or at a zero byte, whichever comes first.
    EXPECT_EQ(textOf(makeChunk("<orn/>", 3)), "<or");
    EXPECT_EQ(textOf(makeChunk("<orn/>", 0xffffffffu)), "<orn/>");
    EXPECT_EQ(textOf(makeChunk(std::string("<o\0rn/>", 7))), "<o");
}

TEST(StateChunkText, KeepsUtf8AndReplacesEachMalformedSequenceOnce)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain <a/>", "plain <a/>"},
        {"\xc3\xa4\xe2\x82\xac\xf0\x9f\x8e\xb5", "\xc3\xa4\xe2\x82\xac\xf0\x9f\x8e\xb5"},
        {"a\xff"
         "b",
         "a\xef\xbf\xbd"
         "b"},
        {"a\xc3", "a\xef\xbf\xbd"},
        {"\xe2\x82", "\xef\xbf\xbd"},
        {"\xf0\x9f\x8e", "\xef\xbf\xbd"},
        {"\xc0\xaf", "\xef\xbf\xbd\xef\xbf\xbd"},
        {"\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
        {"\xf4\x90\x80\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
        {"\xe2\x82<", "\xef\xbf\xbd<"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(textOf(makeChunk(bytes)), expected) << bytes;
}
