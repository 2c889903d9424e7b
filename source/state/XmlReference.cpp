// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/XmlReference.h"

#include "state/AsciiCase.h"

#include <utility>

namespace morvane
{

namespace
{
constexpr char32_t replacementCharacter = 0xfffd;
constexpr char32_t beyondUnicode = 0x110000;

int digitValue(char c, bool hex) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && AsciiCase::lower(c) >= 'a' && AsciiCase::lower(c) <= 'f')
        return AsciiCase::lower(c) - 'a' + 10;
    return -1;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80)
    {
        out += static_cast<char>(c);
        return;
    }
    if (c < 0x800)
    {
        out += static_cast<char>(0xc0 | (c >> 6));
    }
    else
    {
        if (c < 0x10000)
        {
            out += static_cast<char>(0xe0 | (c >> 12));
        }
        else
        {
            out += static_cast<char>(0xf0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        }
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    }
    out += static_cast<char>(0x80 | (c & 0x3f));
}

// position is the index of the '&' of "&#".
XmlReference::Parsed parseCharacterReference(std::string_view text, std::size_t position) noexcept
{
    std::size_t i = position + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex)
        ++i;

    const std::size_t firstDigit = i;
    char32_t value = 0;
    for (; i < text.size(); ++i)
    {
        const int digit = digitValue(text[i], hex);
        if (digit < 0)
            break;
        // Saturated: every value from here on is outside Unicode alike.
        value = value >= beyondUnicode ? beyondUnicode
                                       : value * (hex ? 16u : 10u) + static_cast<char32_t>(digit);
    }

    if (i == firstDigit || i == text.size() || text[i] != ';')
        return {};

    const bool scalar = value != 0 && value < beyondUnicode && (value < 0xd800 || value > 0xdfff);
    return {i + 1 - position, scalar ? value : replacementCharacter};
}
} // namespace

XmlReference::Parsed XmlReference::parse(std::string_view text, std::size_t position) noexcept
{
    if (position + 1 < text.size() && text[position + 1] == '#')
        return parseCharacterReference(text, position);

    static constexpr std::pair<std::string_view, char32_t> predefined[] = {
        {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    for (const auto& [name, character] : predefined)
        if (AsciiCase::equal(text.substr(position + 1, name.size()), name))
            return {name.size() + 1, character};
    return {};
}

std::string XmlReference::expand(std::string_view text)
{
    std::string out;
    out.reserve(text.size());

    std::size_t copiedUpTo = 0;
    for (auto at = text.find('&'); at != std::string_view::npos; at = text.find('&', copiedUpTo))
    {
        out.append(text.substr(copiedUpTo, at - copiedUpTo));
        const auto reference = parse(text, at);
        if (reference.length == 0)
        {
            out += '&';
            copiedUpTo = at + 1;
            continue;
        }
        appendUtf8(out, reference.character);
        copiedUpTo = at + reference.length;
    }

    out.append(text.substr(copiedUpTo));
    return out;
}

} // namespace morvane
