// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/XmlReference.h"

#include <gtest/gtest.h>

#include <string>

using morvane::XmlReference;

TEST(XmlReference, ExpandsThePredefinedNamesInAnyCaseAndEveryCharacterReference)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a&amp;b&LT;&Gt;&quot;&apos;", "a&b<>\"'"},
        {"&#65;&#x42;&#X43;&#0000068;", "ABCD"},
        {"&#228;&#x20AC;&#x1F3B5;&#1;", "\xc3\xa4\xe2\x82\xac\xf0\x9f\x8e\xb5\x01"},
        // No Unicode scalar value: one replacement character each.
        {"&#0;&#xD800;&#xDFFF;&#x110000;&#99999999999999999999;",
         "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
        {"&#xFFFF;&#x10FFFF;", "\xef\xbf\xbf\xf4\x8f\xbf\xbf"},
        // An '&' that starts no reference stays as written.
        {"& &am; &#; &#x; &#12", "& &am; &#; &#x; &#12"},
    };
    for (const auto& [text, expected] : cases)
    {
        const auto expanded = XmlReference::expand(text);
        EXPECT_EQ(expanded, expected) << text;
        EXPECT_LE(expanded.size(), text.size()) << text;
    }
}

TEST(XmlReference, ParsesOneReferenceAndRefusesEveryOtherName)
{
    const std::string text = "x&#x41;&amp;";
    EXPECT_EQ(XmlReference::parse(text, 1).length, 6u);
    EXPECT_EQ(XmlReference::parse(text, 1).character, U'A');
    EXPECT_EQ(XmlReference::parse(text, 7).length, 5u);

    for (const char* bad : {"&", "&;", "&a;", "&ampx;", "&amp", "&nbsp;", "&#", "&#x", "&#-1;",
                            "&#x-1;", "&# 1;", "&#1 ;", "&#x1g;", "&#1a;"})
        EXPECT_EQ(XmlReference::parse(bad, 0).length, 0u) << bad;
}
