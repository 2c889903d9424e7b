#include "processor/XmlScreen.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using morvane::XmlScreen;

namespace
{
juce::String text(const std::string& s)
{
    return XmlScreen::decode(s.data(), s.size());
}

bool allowed(const std::string& s)
{
    return XmlScreen::check(text(s)).allowed;
}

std::string nested(int depth)
{
    std::string s;
    for (int i = 0; i < depth; ++i)
        s += "<a>";
    for (int i = 0; i < depth; ++i)
        s += "</a>";
    return s;
}

std::string flat(int elements)
{
    std::string s = "<orn>";
    for (int i = 0; i < elements; ++i)
        s += "<m/>";
    return s + "</orn>";
}

// What the parser actually built: levels and elements, attributes and texts.
void measure(const juce::XmlElement& root, int& depth, int& nodes)
{
    std::vector<std::pair<const juce::XmlElement*, int>> pending{{&root, 1}};
    depth = nodes = 0;
    while (!pending.empty())
    {
        const auto [element, level] = pending.back();
        pending.pop_back();
        depth = juce::jmax(depth, level);
        nodes += element->isTextElement() ? 1 : 1 + element->getNumAttributes();
        for (auto* child = element->getFirstChildElement(); child != nullptr;
             child = child->getNextElement())
            pending.emplace_back(child, level + 1);
    }
}
} // namespace

TEST(XmlScreen, DecodingKeepsUtf8AndReplacesEachMalformedSequenceOnce)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain <a/>", "plain <a/>"},
        {"\xc3\xa4\xe2\x82\xac\xf0\x9f\x8e\xb5", "\xc3\xa4\xe2\x82\xac\xf0\x9f\x8e\xb5"},
        {std::string("ab\0cd", 5), "ab"},
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
        EXPECT_EQ(text(bytes),
                  juce::String::fromUTF8(expected.data(), static_cast<int>(expected.size())))
            << bytes;

    EXPECT_TRUE(XmlScreen::decode(nullptr, 10).isEmpty());
}

TEST(XmlScreen, NestingAndSizeAreBoundedFarAboveWhatAStateNeeds)
{
    EXPECT_EQ(XmlScreen::check(text(nested(XmlScreen::maxNestingDepth))).deepestNesting,
              XmlScreen::maxNestingDepth);
    EXPECT_TRUE(allowed(nested(XmlScreen::maxNestingDepth)));
    EXPECT_FALSE(allowed(nested(XmlScreen::maxNestingDepth + 1)));
    EXPECT_FALSE(allowed(nested(1000000)));

    EXPECT_TRUE(allowed(flat(XmlScreen::maxNodes - 1)));
    EXPECT_FALSE(allowed(flat(XmlScreen::maxNodes)));

    // An unterminated comment makes every open element search the rest of the text.
    std::string comments;
    for (int i = 0; i < 200; ++i)
        comments += "<!--";
    EXPECT_FALSE(allowed(nested(200).substr(0, 600) + comments + std::string(20u << 20, ' ')));
    EXPECT_TRUE(allowed(nested(200).substr(0, 600) + comments));

    // Each reference in an attribute value makes the parser copy the value.
    std::string references;
    for (int i = 0; i < 100000; ++i)
        references += "&amp;";
    EXPECT_FALSE(allowed("<orn a=\"" + references + "\"/>"));
    EXPECT_TRUE(allowed("<orn a=\"" + references.substr(0, 5000) + "\"/>"));
    EXPECT_TRUE(allowed("<orn>" + references + "</orn>"));
}

TEST(XmlScreen, OnlyCompleteReferencesAndNoEntityDefinitionsReachTheParser)
{
    EXPECT_TRUE(allowed(R"(<orn a="&amp;&LT;&gt;&quot;&apos;&#65;&#x1F3B5;&name;"/>)"));
    EXPECT_TRUE(allowed(R"(<!DOCTYPE orn><orn a="&amp;&#10;"/>)"));
    // A bare '&' is refused wherever it stands, even in a comment that the
    // parser would skip.
    EXPECT_FALSE(allowed(R"(<?xml version="1.0"?><orn><!-- & --></orn>)"));

    for (const char* bad :
         {"<orn>&</orn>", "<orn a=\"&#\"/>", "<orn a=\"&#x;\"/>", "<orn a=\"&#12\"/>", "<orn/>&#x4",
          "<orn>&<a/>;</orn>", "<orn a=\"&a b;\"/>", "<orn>&amp</orn>"})
        EXPECT_FALSE(allowed(bad)) << bad;

    EXPECT_FALSE(allowed(R"(<!DOCTYPE orn [<!ENTITY a "&&a;">]><orn>&a;</orn>)"));
    EXPECT_FALSE(allowed(R"(<!doctype orn><orn>&a;</orn>)"));
}

TEST(XmlScreen, TextsThatTheParserWouldMistakeAreRefused)
{
    // Cut off inside a closing tag: the parser would close everything and
    // report a complete document.
    EXPECT_FALSE(allowed("<orn><programs><program/></"));
    EXPECT_FALSE(allowed("<orn><programs><program/></programs></orn"));
    EXPECT_TRUE(allowed("<orn><programs><program/></programs></orn>"));

    // A processing instruction followed by text: the parser never leaves it.
    EXPECT_FALSE(allowed("<orn><?pi?>text</orn>"));
    EXPECT_FALSE(allowed("<orn>before <!-- c --><?pi?> after</orn>"));
    EXPECT_TRUE(allowed("<orn><?pi?><a/>text</orn>"));
}

// The walk must never see less than the parser does, whatever the text: for
// texts it lets through, what the parser builds stays within its counts.
TEST(XmlScreen, TheWalkKeepsUpWithTheParserOnMangledDocuments)
{
    const std::string seeds[] = {
        R"(<orn curprogram="0" version="1"><programs><program programname="Startup" )"
        R"(category="c" effectreverbsize="0.85"/></programs><midimap>)"
        R"(<map param="3" controllernumber="7"/></midimap></orn>)",
        R"(<?xml version="1.0"?><!DOCTYPE orn><orn a='x&amp;y'><!-- note --><b><![CDATA[<c>]]></b>)"
        R"(text &#65; more<d e="1" f='2'>&lt;</d></orn>)",
    };
    const std::string alphabet = "<>/!?-[]&;#x\"'= aCDAT\n";

    std::mt19937 random(2024);
    int parsed = 0;
    for (int round = 0; round < 20000; ++round)
    {
        auto mangled = seeds[random() % 2];
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits && !mangled.empty(); ++e)
        {
            const size_t at = random() % mangled.size();
            const char c = random() % 8 == 0 ? static_cast<char>(random())
                                             : alphabet[random() % alphabet.size()];
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

        const auto decoded = text(mangled);
        const auto verdict = XmlScreen::check(decoded);
        if (!verdict.allowed)
            continue;

        if (const auto document = juce::parseXML(decoded))
        {
            int depth = 0, nodes = 0;
            measure(*document, depth, nodes);
            ASSERT_LE(depth, verdict.deepestNesting + 1) << mangled;
            ASSERT_LE(nodes, verdict.nodes) << mangled;
            ++parsed;
        }
    }
    EXPECT_GT(parsed, 1000);
}
