#include "processor/XmlScreen.h"

#include <cstring>

namespace morvane
{

namespace
{
using Text = juce::String::CharPointerType;
using juce::CharPointer_ASCII;

// The length of the well-formed UTF-8 sequence at p, or 0 when it is
// malformed; then badLength is the length of its longest well-formed start,
// which one replacement character stands for (Unicode's "maximal subpart").
std::size_t wellFormedLength(const unsigned char* p, std::size_t available,
                             std::size_t& badLength) noexcept
{
    const unsigned lead = p[0];
    if (lead < 0x80)
        return 1;

    std::size_t trailing = 0;
    unsigned low = 0x80, high = 0xbf;

    if (lead >= 0xc2 && lead <= 0xdf)
        trailing = 1;
    else if (lead == 0xe0)
        trailing = 2, low = 0xa0;
    else if (lead == 0xed)
        trailing = 2, high = 0x9f;
    else if (lead >= 0xe1 && lead <= 0xef)
        trailing = 2;
    else if (lead == 0xf0)
        trailing = 3, low = 0x90;
    else if (lead == 0xf4)
        trailing = 3, high = 0x8f;
    else if (lead >= 0xf1 && lead <= 0xf3)
        trailing = 3;
    else
    {
        badLength = 1;
        return 0;
    }

    for (std::size_t i = 1; i <= trailing; ++i)
    {
        const unsigned byte = i < available ? p[i] : 0u;
        if (byte < (i == 1 ? low : 0x80u) || byte > (i == 1 ? high : 0xbfu))
        {
            badLength = i;
            return 0;
        }
    }
    return trailing + 1;
}

bool isNameByte(unsigned char c) noexcept
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == ':' || c == '.' || c == '-' || c >= 0x80;
}

bool isHexDigit(unsigned char c) noexcept
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool startsWithIgnoringCase(const char* p, const char* end, const char* word) noexcept
{
    for (; *word != 0; ++p, ++word)
    {
        if (p == end)
            return false;
        const char c = (*p >= 'A' && *p <= 'Z') ? static_cast<char>(*p - 'A' + 'a') : *p;
        if (c != *word)
            return false;
    }
    return true;
}

// Every '&' must begin a complete reference: one of the five the parser
// knows (in any case, as it matches them), a decimal or hexadecimal character
// reference, or a name. Named references are resolved from a DOCTYPE, which
// the parser does recursively and without bounds, so the two may not meet.
bool referencesAreSafe(const char* text, std::size_t size) noexcept
{
    const char* const end = text + size;
    bool namedReference = false;

    for (const char* p = static_cast<const char*>(std::memchr(text, '&', size)); p != nullptr;
         p = static_cast<const char*>(std::memchr(p, '&', static_cast<std::size_t>(end - p))))
    {
        ++p;
        if (startsWithIgnoringCase(p, end, "amp;") || startsWithIgnoringCase(p, end, "quot;") ||
            startsWithIgnoringCase(p, end, "apos;") || startsWithIgnoringCase(p, end, "lt;") ||
            startsWithIgnoringCase(p, end, "gt;"))
            continue;

        const char* q = p;
        if (q != end && *q == '#')
        {
            ++q;
            const bool hex = q != end && (*q == 'x' || *q == 'X');
            if (hex)
                ++q;
            const char* digits = q;
            while (q != end &&
                   (hex ? isHexDigit(static_cast<unsigned char>(*q)) : (*q >= '0' && *q <= '9')))
                ++q;
            if (q == digits || q == end || *q != ';')
                return false;
            continue;
        }

        while (q != end && isNameByte(static_cast<unsigned char>(*q)))
            ++q;
        if (q == p || q == end || *q != ';')
            return false;
        namedReference = true;
    }

    if (!namedReference)
        return true;

    for (const char* p = static_cast<const char*>(std::memchr(text, '<', size)); p != nullptr;
         p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p))))
    {
        ++p;
        if (startsWithIgnoringCase(p, end, "!doctype"))
            return false;
    }
    return true;
}

// The framework's test for characters of element and attribute names.
bool isIdentifierChar(juce::juce_wchar c) noexcept
{
    static const juce::uint32 legalChars[] = {0, 0x7ff6000, 0x87fffffe, 0x7fffffe, 0};

    if (static_cast<juce::uint32>(c) < 5u * 32u)
        return (legalChars[static_cast<juce::uint32>(c) >> 5] &
                (static_cast<juce::uint32>(1) << (static_cast<juce::uint32>(c) & 31u))) != 0;

    return juce::CharacterFunctions::isLetterOrDigit(c) || c == '_' || c == '-' || c == ':' ||
           c == '.';
}

Text findEndOfToken(Text p) noexcept
{
    while (isIdentifierChar(*p))
        ++p;
    return p;
}

/** Follows juce::XmlDocument through a text step for step: the same
    characters examined in the same order, with the parser's recursion
    replaced by a count of open elements and its output by counts. */
class ParserWalk
{
public:
    ParserWalk(const juce::String& text)
        : input(text.getCharPointer()),
          textEnd(text.getCharPointer().getAddress() + text.getNumBytesAsUTF8()),
          rescanAllowance(2 * static_cast<std::uint64_t>(text.getNumBytesAsUTF8()) + (1u << 20))
    {
    }

    XmlScreen::Verdict run() noexcept
    {
        if (input.isEmpty())
            return verdict;

        // parseHeader
        skipNextWhiteSpace();
        if (juce::CharacterFunctions::compareUpTo(input, CharPointer_ASCII("<?xml"), 5) == 0)
        {
            const auto headerEnd = juce::CharacterFunctions::find(input, CharPointer_ASCII("?>"));
            if (headerEnd.isEmpty())
                return verdict;
            input = headerEnd + 2;
            skipNextWhiteSpace();
        }

        // parseDTD
        if (juce::CharacterFunctions::compareUpTo(input, CharPointer_ASCII("<!DOCTYPE"), 9) == 0)
        {
            input += 9;
            for (int n = 1; n > 0;)
            {
                const auto c = readNextChar();
                if (outOfData)
                    return verdict;
                if (c == '<')
                    ++n;
                else if (c == '>')
                    --n;
            }
        }

        if (readElementHead() != Head::opened)
            return verdict;

        int depth = 1;
        verdict.deepestNesting = 1;

        while (depth > 0 && verdict.allowed)
        {
            switch (readChildStep())
            {
                case Step::next:
                    break;
                case Step::end:
                    --depth;
                    break;
                case Step::child:
                    ++depth;
                    verdict.deepestNesting = juce::jmax(verdict.deepestNesting, depth);
                    if (depth > XmlScreen::maxNestingDepth)
                        verdict.allowed = false;
                    break;
            }
        }
        return verdict;
    }

private:
    enum class Head
    {
        none,
        closed,
        opened
    };

    enum class Step
    {
        next,
        end,
        child
    };

    Text input;
    const char* textEnd;
    bool outOfData = false;
    XmlScreen::Verdict verdict;
    std::uint64_t referenceCopyBytes = 0;
    std::uint64_t rescanAllowance;

    bool addNode() noexcept
    {
        if (++verdict.nodes > XmlScreen::maxNodes)
            verdict.allowed = false;
        return verdict.allowed;
    }

    // A search that finds no terminator has read the rest of the text; each
    // open element may repeat it, so those reads are paid from an allowance.
    void chargeFailedSearch() noexcept
    {
        const auto remaining = static_cast<std::uint64_t>(textEnd - input.getAddress());
        if (remaining > rescanAllowance)
            verdict.allowed = false;
        else
            rescanAllowance -= remaining;
    }

    void chargeReferenceCopy(std::uint64_t bytes) noexcept
    {
        referenceCopyBytes += bytes;
        if (referenceCopyBytes > XmlScreen::maxReferenceCopyBytes)
            verdict.allowed = false;
    }

    juce::juce_wchar readNextChar() noexcept
    {
        const auto c = input.getAndAdvance();
        if (c == 0)
        {
            outOfData = true;
            --input;
        }
        return c;
    }

    bool skipTo(const char* terminator, int length) noexcept
    {
        const int index = input.indexOf(CharPointer_ASCII(terminator));
        if (index < 0)
        {
            chargeFailedSearch();
            return false;
        }
        input += index + length;
        return true;
    }

    void skipNextWhiteSpace() noexcept
    {
        for (;;)
        {
            input.incrementToEndOfWhitespace();

            if (input.isEmpty())
            {
                outOfData = true;
                break;
            }

            if (*input == '<')
            {
                if (input[1] == '!' && input[2] == '-' && input[3] == '-')
                {
                    input += 4;
                    if (!skipTo("-->", 3))
                    {
                        outOfData = true;
                        break;
                    }
                    continue;
                }

                if (input[1] == '?')
                {
                    input += 2;
                    if (!skipTo("?>", 2))
                    {
                        outOfData = true;
                        break;
                    }
                    continue;
                }
            }
            break;
        }
    }

    // readEntity: returns how many bytes the reference adds to the text.
    std::uint64_t readReference() noexcept
    {
        ++input;

        for (const char* name : {"amp;", "quot;", "apos;", "lt;", "gt;"})
        {
            const int length = static_cast<int>(std::strlen(name));
            if (input.compareIgnoreCaseUpTo(CharPointer_ASCII(name), length) == 0)
            {
                input += length;
                return 1;
            }
        }

        if (*input == '#')
        {
            ++input;

            if (*input == 'x' || *input == 'X')
            {
                ++input;
                int numChars = 0;
                while (input[0] != ';')
                {
                    // The parser would step over the end of the text here.
                    if (input[0] == 0)
                    {
                        verdict.allowed = false;
                        return 0;
                    }
                    if (juce::CharacterFunctions::getHexDigitValue(input[0]) < 0 || ++numChars > 8)
                        break;
                    ++input;
                }
                ++input;
            }
            else if (input[0] >= '0' && input[0] <= '9')
            {
                int numChars = 0;
                for (;;)
                {
                    const auto firstChar = input[0];
                    if (firstChar == 0)
                        return 4;
                    if (firstChar == ';')
                        break;
                    if (++numChars > 12)
                        break;
                    ++input;
                }
                ++input;
            }
            else
            {
                return 1;
            }
            return 4;
        }

        const auto nameStart = input.getAddress();
        const int closingSemiColon = input.indexOf(static_cast<juce::juce_wchar>(';'));
        if (closingSemiColon < 0)
        {
            chargeFailedSearch();
            outOfData = true;
            return 1;
        }
        input += closingSemiColon + 1;
        return static_cast<std::uint64_t>(input.getAddress() - nameStart);
    }

    void readQuotedString() noexcept
    {
        const auto quote = readNextChar();
        std::uint64_t length = 0;

        while (!outOfData && verdict.allowed)
        {
            const auto c = readNextChar();
            if (c == quote)
                break;

            --input;

            if (c == '&')
            {
                // The reference's text is appended, and later the text after
                // it, each time by copying the value so far.
                chargeReferenceCopy(2 * length);
                length += readReference();
            }
            else
            {
                const auto start = input.getAddress();
                for (;;)
                {
                    const auto character = *input;

                    if (character == quote)
                    {
                        ++input;
                        return;
                    }

                    if (character == '&')
                    {
                        length += static_cast<std::uint64_t>(input.getAddress() - start);
                        break;
                    }

                    if (character == 0)
                    {
                        outOfData = true;
                        break;
                    }

                    ++input;
                }
            }
        }
    }

    // readNextElement, up to the point where it would read the children.
    Head readElementHead() noexcept
    {
        skipNextWhiteSpace();

        if (outOfData || *input != '<')
            return Head::none;

        ++input;
        auto endOfToken = findEndOfToken(input);

        if (endOfToken == input)
        {
            skipNextWhiteSpace();
            endOfToken = findEndOfToken(input);

            if (endOfToken == input)
                return Head::none;
        }

        if (!addNode())
            return Head::closed;
        input = endOfToken;

        for (;;)
        {
            skipNextWhiteSpace();
            const auto c = *input;

            if (c == '/' && input[1] == '>')
            {
                input += 2;
                break;
            }

            if (c == '>')
            {
                ++input;
                return Head::opened;
            }

            if (isIdentifierChar(c))
            {
                const auto attNameEnd = findEndOfToken(input);

                if (attNameEnd != input)
                {
                    input = attNameEnd;
                    skipNextWhiteSpace();

                    if (readNextChar() == '=')
                    {
                        skipNextWhiteSpace();
                        const auto nextChar = *input;

                        if (nextChar == '"' || nextChar == '\'')
                        {
                            if (!addNode())
                                return Head::closed;
                            readQuotedString();
                            if (!verdict.allowed)
                                return Head::closed;
                            continue;
                        }
                    }
                    else
                    {
                        return Head::closed;
                    }
                }
            }
            break;
        }
        return Head::closed;
    }

    // One pass of readChildElements' loop for the innermost open element.
    Step readChildStep() noexcept
    {
        const auto preWhitespaceInput = input;
        skipNextWhiteSpace();

        if (outOfData)
            return Step::end;

        if (*input == '<')
        {
            const auto c1 = input[1];

            if (c1 == '/')
            {
                // A closing tag cut off by the end of the text closes every
                // open element without complaint, so a truncated state would
                // pass for a complete one with its tail missing.
                const int closeTag = input.indexOf(static_cast<juce::juce_wchar>('>'));
                if (closeTag < 0)
                {
                    verdict.allowed = false;
                    return Step::end;
                }
                input += closeTag + 1;
                return Step::end;
            }

            if (c1 == '!' && juce::CharacterFunctions::compareUpTo(
                                 input + 2, CharPointer_ASCII("[CDATA["), 7) == 0)
            {
                input += 9;
                for (;;)
                {
                    const auto c0 = *input;
                    if (c0 == 0)
                    {
                        outOfData = true;
                        break;
                    }
                    if (c0 == ']' && input[1] == ']' && input[2] == '>')
                    {
                        addNode();
                        input += 3;
                        break;
                    }
                    ++input;
                }
                return Step::next;
            }

            switch (readElementHead())
            {
                case Head::none:
                    return Step::end;
                case Head::closed:
                    return Step::next;
                case Head::opened:
                    return Step::child;
            }
        }

        // A block of character data, read back from before the whitespace.
        input = preWhitespaceInput;
        bool hasText = false;

        for (;;)
        {
            const auto c = *input;

            if (c == '<')
            {
                if (input[1] == '!' && input[2] == '-' && input[3] == '-')
                {
                    input += 4;
                    if (!skipTo("-->", 3))
                    {
                        outOfData = true;
                        return Step::end;
                    }
                    continue;
                }
                break;
            }

            if (c == 0)
            {
                outOfData = true;
                return Step::end;
            }

            if (c == '&')
            {
                // Screened references expand to text; none can start markup.
                readReference();
                hasText = true;
                if (!verdict.allowed)
                    return Step::end;
            }
            else
            {
                for (;; ++input)
                {
                    const auto nextChar = *input;
                    if (nextChar == '<' || nextChar == '&')
                        break;
                    if (nextChar == 0)
                    {
                        outOfData = true;
                        return Step::end;
                    }
                    hasText = true;
                }
            }
        }

        // Nothing read (a processing instruction followed by text): the
        // parser would come back to this same place for ever.
        if (input == preWhitespaceInput)
        {
            verdict.allowed = false;
            return Step::end;
        }

        if (hasText)
            addNode();
        return Step::next;
    }
};
} // namespace

juce::String XmlScreen::decode(const char* bytes, std::size_t numBytes)
{
    if (bytes == nullptr || numBytes == 0)
        return {};

    if (const auto* zero = std::memchr(bytes, 0, numBytes))
        numBytes = static_cast<std::size_t>(static_cast<const char*>(zero) - bytes);

    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    juce::MemoryOutputStream repaired;
    std::size_t copiedUpTo = 0;
    std::size_t i = 0;

    while (i < numBytes)
    {
        std::size_t badLength = 0;
        const auto length = wellFormedLength(p + i, numBytes - i, badLength);
        if (length > 0)
        {
            i += length;
            continue;
        }

        repaired.write(bytes + copiedUpTo, i - copiedUpTo);
        repaired.write("\xef\xbf\xbd", 3);
        i += badLength;
        copiedUpTo = i;
    }

    if (copiedUpTo == 0)
        return juce::String(juce::CharPointer_UTF8(bytes),
                            juce::CharPointer_UTF8(bytes + numBytes));

    repaired.write(bytes + copiedUpTo, numBytes - copiedUpTo);
    return repaired.toUTF8();
}

XmlScreen::Verdict XmlScreen::check(const juce::String& text)
{
    if (!referencesAreSafe(text.toRawUTF8(), text.getNumBytesAsUTF8()))
    {
        Verdict refused;
        refused.allowed = false;
        return refused;
    }
    return ParserWalk(text).run();
}

} // namespace morvane
