// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/XmlScanner.h"

#include "state/AsciiCase.h"
#include "state/XmlReference.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace morvane
{

namespace
{
bool isSpace(char32_t c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameByte(char c) noexcept
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           u == ':' || u == '.' || u == '-' || u >= 0x80;
}

// An attribute value: no '<', and every '&' the start of a reference.
bool isWellFormedValue(std::string_view value) noexcept
{
    if (value.find('<') != std::string_view::npos)
        return false;
    for (auto at = value.find('&'); at != std::string_view::npos; at = value.find('&', at + 1))
        if (XmlReference::parse(value, at).length == 0)
            return false;
    return true;
}

class Walk
{
public:
    Walk(std::string_view textToRead, XmlScanner::Handler& handlerToTell)
        : text(textToRead), handler(handlerToTell)
    {
    }

    bool run()
    {
        bool doctypeSeen = false;
        for (;;)
        {
            skipSpace();
            if (atEnd())
                return false;

            const auto skipped = skipCommentOrInstruction();
            if (skipped == Skip::malformed)
                return false;
            if (skipped == Skip::skipped)
                continue;

            if (startsWith("<!DOCTYPE"))
            {
                if (doctypeSeen || !doctype())
                    return false;
                doctypeSeen = true;
                continue;
            }
            break;
        }

        if (text[pos] != '<' || !startTag() || !content())
            return false;

        for (;;)
        {
            skipSpace();
            if (atEnd())
                return true;
            if (skipCommentOrInstruction() != Skip::skipped)
                return false;
        }
    }

private:
    enum class Skip
    {
        nothing,
        skipped,
        malformed
    };

    std::string_view text;
    XmlScanner::Handler& handler;
    std::size_t pos = 0;
    int depth = 0;
    int nodes = 0;
    std::array<std::string_view, XmlScanner::maxDepth> openTags{};

    bool atEnd() const noexcept { return pos >= text.size(); }

    bool startsWith(std::string_view prefix) const noexcept
    {
        return text.size() - pos >= prefix.size() && text.substr(pos, prefix.size()) == prefix;
    }

    bool skipSpace() noexcept
    {
        const auto start = pos;
        while (!atEnd() && isSpace(static_cast<unsigned char>(text[pos])))
            ++pos;
        return pos != start;
    }

    std::string_view readName() noexcept
    {
        const auto start = pos;
        while (!atEnd() && isNameByte(text[pos]))
            ++pos;
        return text.substr(start, pos - start);
    }

    // Moves past the terminator, searching from `offset` bytes on.
    bool skipPast(std::string_view terminator, std::size_t offset) noexcept
    {
        const auto at = text.find(terminator, pos + offset);
        if (at == std::string_view::npos)
            return false;
        pos = at + terminator.size();
        return true;
    }

    bool skipQuoted() noexcept
    {
        const auto end = text.find(text[pos], pos + 1);
        if (end == std::string_view::npos)
            return false;
        pos = end + 1;
        return true;
    }

    Skip skipCommentOrInstruction() noexcept
    {
        if (startsWith("<!--"))
            return skipPast("-->", 4) ? Skip::skipped : Skip::malformed;
        if (startsWith("<?"))
            return skipPast("?>", 2) ? Skip::skipped : Skip::malformed;
        return Skip::nothing;
    }

    enum class Declaration
    {
        ended,
        subset,
        malformed
    };

    // "<!DOCTYPE" S name, then external identifiers (never loaded) and an
    // internal subset, up to the closing '>'.
    bool doctype() noexcept
    {
        pos += 9;
        if (!skipSpace() || readName().empty())
            return false;

        auto rest = skipDeclaration(true);
        if (rest == Declaration::subset)
        {
            ++pos;
            if (!internalSubset())
                return false;
            rest = skipDeclaration(false);
        }
        return rest == Declaration::ended;
    }

    bool internalSubset() noexcept
    {
        for (;;)
        {
            skipSpace();
            if (atEnd())
                return false;

            if (text[pos] == ']')
            {
                ++pos;
                return true;
            }

            const auto skipped = skipCommentOrInstruction();
            if (skipped == Skip::malformed)
                return false;
            if (skipped == Skip::skipped)
                continue;

            // Entities are where expansion bombs and external loads come from.
            if (startsWith("<!ENTITY") || !startsWith("<!"))
                return false;

            pos += 2;
            if (readName().empty() || skipDeclaration(false) != Declaration::ended)
                return false;
        }
    }

    // The rest of a markup declaration, quoted literals included, up to its
    // '>', or up to the '[' of the internal subset where one may follow.
    Declaration skipDeclaration(bool subsetMayFollow) noexcept
    {
        for (;;)
        {
            if (atEnd())
                return Declaration::malformed;

            const char c = text[pos];
            if (c == '>')
            {
                ++pos;
                return Declaration::ended;
            }
            if (c == '"' || c == '\'')
            {
                if (!skipQuoted())
                    return Declaration::malformed;
                continue;
            }
            if (c == '[' && subsetMayFollow)
                return Declaration::subset;
            // A parameter entity can only be one that was never declared.
            if (c == '%' || c == '<' || c == '[')
                return Declaration::malformed;
            ++pos;
        }
    }

    bool countNode() noexcept { return ++nodes <= XmlScanner::maxNodes; }

    // At a '<' that starts an element.
    bool startTag()
    {
        ++pos;
        const auto tag = readName();
        if (tag.empty() || depth == XmlScanner::maxDepth || !countNode())
            return false;

        const int level = depth + 1;
        handler.elementStarted(level, tag);

        for (;;)
        {
            const bool spaced = skipSpace();
            if (atEnd())
                return false;

            if (text[pos] == '>')
            {
                ++pos;
                openTags[static_cast<std::size_t>(depth++)] = tag;
                return true;
            }

            if (text[pos] == '/')
            {
                if (!startsWith("/>"))
                    return false;
                pos += 2;
                handler.elementEnded(level);
                return true;
            }

            if (!spaced || !attribute(level))
                return false;
        }
    }

    bool attribute(int level)
    {
        const auto name = readName();
        if (name.empty())
            return false;

        skipSpace();
        if (atEnd() || text[pos] != '=')
            return false;
        ++pos;
        skipSpace();
        if (atEnd() || (text[pos] != '"' && text[pos] != '\''))
            return false;

        const auto valueStart = pos + 1;
        if (!skipQuoted())
            return false;

        const auto value = text.substr(valueStart, pos - 1 - valueStart);
        if (!isWellFormedValue(value) || !countNode())
            return false;

        handler.attributeFound(level, name, value);
        return true;
    }

    // At "</".
    bool endTag()
    {
        pos += 2;
        const auto tag = readName();
        skipSpace();
        if (atEnd() || text[pos] != '>' ||
            !AsciiCase::equal(tag, openTags[static_cast<std::size_t>(depth - 1)]))
            return false;

        ++pos;
        handler.elementEnded(depth--);
        return true;
    }

    // Everything inside the root, until it ends.
    bool content()
    {
        bool textInRun = false;

        while (depth > 0)
        {
            if (atEnd())
                return false;

            if (text[pos] == '&')
            {
                const auto reference = XmlReference::parse(text, pos);
                if (reference.length == 0)
                    return false;
                textInRun = textInRun || !isSpace(reference.character);
                pos += reference.length;
                continue;
            }

            if (text[pos] != '<')
            {
                const auto end = std::min(text.find_first_of("<&", pos), text.size());
                for (; !textInRun && pos < end; ++pos)
                    textInRun = !isSpace(static_cast<unsigned char>(text[pos]));
                pos = end;
                continue;
            }

            // Comments belong to the run of text around them.
            if (startsWith("<!--"))
            {
                if (!skipPast("-->", 4))
                    return false;
                continue;
            }

            if (textInRun)
                handler.textFound(depth + 1);
            textInRun = false;

            if (startsWith("</"))
            {
                if (!endTag())
                    return false;
            }
            else if (startsWith("<![CDATA["))
            {
                if (!skipPast("]]>", 9))
                    return false;
                handler.textFound(depth + 1);
            }
            else if (startsWith("<?"))
            {
                if (!skipPast("?>", 2))
                    return false;
            }
            else if (startsWith("<!") || !startTag())
            {
                return false;
            }
        }
        return true;
    }
};
} // namespace

bool XmlScanner::scan(std::string_view text, Handler& handler)
{
    return Walk(text, handler).run();
}

} // namespace morvane
