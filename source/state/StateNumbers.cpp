// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/StateNumbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace morvane
{

namespace
{
bool isCWhitespace(char c) noexcept
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The low 32 bits of a 64-bit value as a signed number, spelt out so that no
// conversion depends on the implementation.
int lowBitsAsInt(std::int64_t value) noexcept
{
    const auto bits = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) & 0xffffffffu);
    if (bits <= static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        return static_cast<int>(bits);
    return -static_cast<int>(~bits) - 1;
}

void writeExponentDigits(int exponent, char* destination) noexcept
{
    for (int divisor = 100; divisor > 1; divisor /= 10)
    {
        const int digit = exponent / divisor;
        *destination++ = static_cast<char>('0' + digit);
        exponent -= digit * divisor;
    }
    *destination = static_cast<char>('0' + exponent);
}

double readDigits(const char* text) noexcept
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (cLocale != static_cast<locale_t>(nullptr))
        return strtod_l(text, nullptr, cLocale);

    // Without a C locale object the digits are converted without any locale at all.
    double value = 0.0;
    const char* end = text;
    while (*end != 0)
        ++end;
    const char* start = text;
    if (*start == '-')
        ++start;
    if (std::from_chars(start, end, value).ec != std::errc())
        return 0.0;
    return start != text ? -value : value;
}
} // namespace

juce::String StateNumbers::formatDouble(double value)
{
    if (std::isnan(value))
        return "nan";

    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 20);
    return juce::String(buffer, static_cast<size_t>(result.ptr - buffer));
}

int StateNumbers::readInt(const juce::String& text) noexcept
{
    const char* p = text.toRawUTF8();
    while (isCWhitespace(*p))
        ++p;

    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;

    // Accumulated as a magnitude that saturates, like strtol on a 64-bit system.
    constexpr std::uint64_t limit = static_cast<std::uint64_t>(1) << 63;
    std::uint64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
    {
        const auto digit = static_cast<std::uint64_t>(*p - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }

    std::int64_t value = 0;
    if (negative)
        value = magnitude >= limit ? std::numeric_limits<std::int64_t>::min()
                                   : -static_cast<std::int64_t>(magnitude);
    else
        value = magnitude >= limit ? std::numeric_limits<std::int64_t>::max()
                                   : static_cast<std::int64_t>(magnitude);

    return lowBitsAsInt(value);
}

double StateNumbers::readDouble(const juce::String& text) noexcept
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr int maxSignificantDigits = 18;
    constexpr std::int64_t exponentCeiling = 1000000000000000;

    // Sign, digits, point, "e-" and three exponent digits, then the terminator.
    char buffer[maxSignificantDigits + 8] = {};
    char* write = buffer;

    auto t = text.getCharPointer().findEndOfWhitespace();
    bool negative = false;
    auto c = *t;

    if (c == '-')
    {
        negative = true;
        *write++ = '-';
        c = *++t;
    }
    else if (c == '+')
    {
        c = *++t;
    }

    if (c == 'n' || c == 'N')
    {
        const bool isNan = (t[1] == 'a' || t[1] == 'A') && (t[2] == 'n' || t[2] == 'N');
        return isNan ? std::numeric_limits<double>::quiet_NaN() : 0.0;
    }

    if (c == 'i' || c == 'I')
    {
        const bool isInf = (t[1] == 'n' || t[1] == 'N') && (t[2] == 'f' || t[2] == 'F');
        return isInf ? (negative ? -inf : inf) : 0.0;
    }

    int significantDigits = 0;
    std::int64_t extraExponent = 0;
    bool pointFound = false;
    bool leadingZeros = false;

    for (;;)
    {
        if (t.isDigit())
        {
            const int digit = static_cast<int>(t.getAndAdvance() - '0');

            if (significantDigits >= maxSignificantDigits)
            {
                if (!pointFound)
                    ++extraExponent;
                continue;
            }

            if (!pointFound && significantDigits == 0 && digit == 0)
            {
                leadingZeros = true;
                continue;
            }

            *write++ = static_cast<char>('0' + digit);
            ++significantDigits;
        }
        else if (!pointFound && *t == '.')
        {
            ++t;
            *write++ = '.';
            pointFound = true;
        }
        else
        {
            break;
        }
    }

    if (significantDigits == 0)
    {
        // Text without digits is no number. Zero digits are zero whatever
        // follows, and keep their sign: the framework answers +0 for "-0",
        // which %.20g writes for a negative zero, and infinity for "0e400".
        if (!leadingZeros)
            return 0.0;
        return negative ? -0.0 : 0.0;
    }

    c = *t;
    std::int64_t exponent = extraExponent;

    if (c == 'e' || c == 'E')
    {
        ++t;
        bool positive = true;
        if (*t == '-' || *t == '+')
        {
            positive = *t == '+';
            ++t;
        }

        std::int64_t written = 0;
        while (t.isDigit())
        {
            const int digit = static_cast<int>(t.getAndAdvance() - '0');
            if (written < exponentCeiling)
                written = written * 10 + digit;
        }
        exponent += positive ? written : -written;
    }
    else if (extraExponent == 0)
    {
        return readDigits(buffer);
    }

    if (exponent < 0)
    {
        if (exponent < std::numeric_limits<double>::min_exponent10 - 1)
            return negative ? -0.0 : 0.0;
        *write++ = 'e';
        *write++ = '-';
        exponent = -exponent;
    }
    else if (exponent > std::numeric_limits<double>::max_exponent10 + 1)
    {
        // The framework writes a malformed exponent beyond 999 integer digits;
        // such a number is beyond any double either way.
        return negative ? -inf : inf;
    }
    else
    {
        *write++ = 'e';
    }

    writeExponentDigits(static_cast<int>(exponent), write);
    return readDigits(buffer);
}

} // namespace morvane
