// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/XmlScanner.h"

#include <gtest/gtest.h>

#include <string>

using morvane::XmlScanner;

namespace
{
/** Writes down what the scanner reports, one short token an event. */
class Trace final : public XmlScanner::Handler
{
public:
    std::string events;

    void elementStarted(int level, std::string_view tag) override
    {
        events += std::to_string(level) + "<" + std::string(tag) + " ";
    }

    void attributeFound(int, std::string_view name, std::string_view value) override
    {
        events += std::string(name) + "=" + std::string(value) + " ";
    }

    void elementEnded(int level) override { events += std::to_string(level) + "> "; }

    void textFound(int level) override { events += std::to_string(level) + "t "; }
};

bool wellFormed(const std::string& text)
{
    Trace trace;
    return XmlScanner::scan(text, trace);
}

std::string traceOf(const std::string& text)
{
    Trace trace;
    return XmlScanner::scan(text, trace) ? trace.events : "malformed";
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
} // namespace

TEST(XmlScanner, ReportsElementsAttributesAndTextInDocumentOrder)
{
    EXPECT_EQ(traceOf(R"(<orn a="1" b='x&amp;"'><p/>text<!-- c --> more<q c = "2">)"
                      R"(<![CDATA[<r>]]></q>  <!-- only space -->  <?pi?>&#65;</orn>)"),
              R"(1<orn a=1 b=x&amp;" 2<p 2> 2t 2<q c=2 3t 2> 2t 1> )");

    // Comments and processing instructions around the root, and a DOCTYPE that declares no entity.
    EXPECT_EQ(traceOf("<?xml version=\"1.0\" encoding=\"latin1\"?>\n<!-- saved -->"
                      "<!DOCTYPE orn SYSTEM \"orn.dtd\" [<!ELEMENT orn ANY>"
                      "<!ATTLIST orn a CDATA \"x>]\"><!-- ] --><?pi ]?>]>"
                      "<orn/><!-- after -->\n<?pi?>\r\n"),
              "1<orn 1> ");

    // End tags name their element in any letter case.
    EXPECT_EQ(traceOf("<Orn><PROGRAMS></programs ></ORN>"), "1<Orn 2<PROGRAMS 2> 1> ");
}

TEST(XmlScanner, NestingAndSizeAreBoundedFarAboveWhatAStateNeeds)
{
    EXPECT_TRUE(wellFormed(nested(XmlScanner::maxDepth)));
    EXPECT_FALSE(wellFormed(nested(XmlScanner::maxDepth + 1)));
    EXPECT_FALSE(wellFormed(nested(1000000)));
    // An empty element opens a level too.
    const auto levels = static_cast<size_t>(XmlScanner::maxDepth);
    EXPECT_TRUE(wellFormed(nested(XmlScanner::maxDepth - 1).insert(3 * levels - 3, "<b/>")));
    EXPECT_FALSE(wellFormed(nested(XmlScanner::maxDepth).insert(3 * levels, "<b/>")));

    // Elements and attributes count alike.
    auto flat = [](int elements, const std::string& element)
    {
        std::string s = "<orn>";
        for (int i = 0; i < elements; ++i)
            s += element;
        return s + "</orn>";
    };
    EXPECT_TRUE(wellFormed(flat(XmlScanner::maxNodes - 1, "<m/>")));
    EXPECT_FALSE(wellFormed(flat(XmlScanner::maxNodes, "<m/>")));
    EXPECT_TRUE(wellFormed(flat(XmlScanner::maxNodes / 2 - 1, "<m a=''/>")));
    EXPECT_FALSE(wellFormed(flat(XmlScanner::maxNodes / 2, "<m a=''/>")));

    // Text, comments and references cost nothing against the limits.
    std::string references;
    for (int i = 0; i < 100000; ++i)
        references += "&amp;<!---->";
    EXPECT_TRUE(wellFormed("<orn>" + references + "</orn>"));
    std::string inValue;
    for (int i = 0; i < 100000; ++i)
        inValue += "&amp;&#x1F3B5;";
    EXPECT_TRUE(wellFormed("<orn a=\"" + inValue + "\"/>"));
}

TEST(XmlScanner, EntityDeclarationsAreRefusedWhereverTheyStand)
{
    for (const char* text :
         {R"(<!DOCTYPE orn [<!ENTITY a "x">]><orn/>)",
          R"(<!DOCTYPE orn [<!ENTITY % p "x"> %p;]><orn/>)", R"(<!DOCTYPE orn [ %p; ]><orn/>)",
          R"(<!DOCTYPE orn [<!ATTLIST orn a CDATA %p;>]><orn/>)", R"(<!DOCTYPE orn><orn>&a;</orn>)",
          R"(<!DOCTYPE orn><!DOCTYPE orn><orn/>)", R"(<orn/><!DOCTYPE orn>)",
          R"(<orn><!DOCTYPE orn></orn>)", R"(<!doctype orn><orn/>)",
          R"(<!DOCTYPE orn [<!ELEMENT orn ANY>)", R"(<!DOCTYPE orn "unterminated><orn/>)"})
        EXPECT_FALSE(wellFormed(text)) << text;
}

TEST(XmlScanner, TheWholeTextMustBeOneWellFormedDocument)
{
    for (const char* text : {"",
                             "   ",
                             "text",
                             "\xef\xbb\xbf<orn/>",
                             "x<orn/>",
                             "<orn/>x",
                             "<orn/><orn/>",
                             "<orn/>&amp;",
                             "<orn/><![CDATA[]]>",
                             "<orn>",
                             "<orn",
                             "<orn/",
                             "< orn/>",
                             "<orn></",
                             "<orn></orn",
                             "<orn></orm>",
                             "<orn><a></orn></a>",
                             "<orn></orn></orn>",
                             "<orn a/>",
                             "<orn a=/>",
                             "<orn a=1/>",
                             "<orn a=\"1/>",
                             "<orn a=\"1\"b=\"2\"/>",
                             "<orn a=\"<\"/>",
                             "<orn =\"1\"/>",
                             "<orn>&</orn>",
                             "<orn>&amp</orn>",
                             "<orn>&name;</orn>",
                             "<orn a=\"&#;\"/>",
                             "<orn a=\"&#x;\"/>",
                             "<orn a=\"&#12\"/>",
                             "<orn a=\"&#12a;\"/>",
                             "<orn><!-- open</orn>",
                             "<orn><?pi </orn>",
                             "<orn><![CDATA[ open</orn>",
                             "<orn><!ELEMENT></orn>",
                             "<!-- open <orn/>",
                             "<? open <orn/>",
                             "<orn/><!--"})
        EXPECT_FALSE(wellFormed(text)) << text;

    for (const char* text :
         {"<orn/>", " \t\r\n<orn/> \t\r\n", "<orn a='\"' b=\"'\"/>", "<orn a = '1'\n\tb='2' />",
          "<a.b-c_d:e9 f.g='' />", "<\xc3\xa4\xe2\x82\xac \xc3\xb6=''></\xc3\xa4\xe2\x82\xac>",
          "<orn>]]> > \x01 \"</orn>", "<orn><!----><!-- - -- --></orn>"})
        EXPECT_TRUE(wellFormed(text)) << text;
}
