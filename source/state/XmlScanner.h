// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace morvane
{

/** Decides whether a text is one well-formed XML document and tells a
    handler what it holds on the way, building nothing.

    The walk goes once from the front to the end, without recursion: the
    open elements are a fixed array of maxDepth entries, and every byte is
    looked at a bounded number of times, so no text can exhaust a stack and
    the time grows with the length of the text alone. A text beyond a limit
    is answered like a malformed one.

    What is read, and the few points where it is more lenient than XML 1.0:
    - Before the root: white space, comments, processing instructions (an
      XML declaration among them; its encoding is not read, the text is
      UTF-8) and one DOCTYPE. A DOCTYPE's external identifier is never
      loaded; its internal subset may hold element, attribute-list and
      notation declarations, comments and processing instructions, which are
      skipped, but a DOCTYPE that declares an entity, or names a parameter
      entity, is refused. After the root: white space, comments and
      processing instructions only.
    - Names are runs of ASCII letters, digits, '_', ':', '.', '-' and of
      non-ASCII characters. An end tag names its element in any letter case
      (tags are compared that way everywhere in the stored state).
    - Attributes are name = "value" or 'value', separated by white space.
      Values may not hold '<'; their white space is kept as written. When a
      name is given twice, the handler hears both and the first counts.
    - References are those of XmlReference; any other '&' is malformed.
    - Characters are not checked against XML's set: a control character
      reads like any other, as the writer's "&#1;" does.
    - Comments end at the first "-->", processing instructions at the first
      "?>", CDATA sections at the first "]]>".

    Thread rule: any thread; a scan belongs to the thread that runs it. */
class XmlScanner
{
public:
    /** Elements open at once: the root is one level. */
    static constexpr int maxDepth = 256;

    /** Elements and attributes in the whole text. */
    static constexpr int maxNodes = 8192;

    /** What the walk reports, in document order. Levels count from the root at 1. */
    class Handler
    {
    public:
        virtual ~Handler() = default;

        /** An element's start tag, before its attributes. */
        virtual void elementStarted(int level, std::string_view tag) = 0;

        /** An attribute of the element just started; the value as written,
            references not yet expanded (XmlReference::expand). */
        virtual void attributeFound(int level, std::string_view name, std::string_view value) = 0;

        /** The end of the element at the level, right after its start tag when it is empty. */
        virtual void elementEnded(int level) = 0;

        /** A text node at the level: a CDATA section, or a run of character
            data and references that holds more than white space (comments
            inside the run do not divide it). */
        virtual void textFound(int level) = 0;
    };

    /** True when the text is a well-formed document within the limits. On
        false the handler may have heard part of it, which then counts for
        nothing. */
    static bool scan(std::string_view text, Handler& handler);
};

} // namespace morvane
