// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_core/juce_core.h>

namespace morvane
{

/** Numbers as the stored state writes and reads them.

    Writing: the general notation of printf's %.20g, independent of the
    process locale (a host may well have switched the decimal point to a
    comma), so 1 is "1", 0 is "0" and 0.2f is "0.20000000298023223877".

    Reading: the answers of the framework's String::getIntValue and
    String::getDoubleValue (leading whitespace skipped, the leading number
    taken, anything else read as 0), computed without the signed overflow
    that the framework's versions run into on texts such as
    "99999999999999999999" or "1e99999999999".

    Thread rule: any thread (no shared state). */
class StateNumbers
{
public:
    /** %.20g of the value; every NaN is written as "nan", whatever its sign
        bit, so that a saved NaN reads back to the same text. */
    static juce::String formatDouble(double value);

    /** The framework reads integers with the C library's atoi: whitespace, an
        optional sign, decimal digits; the value is saturated to 64 bits and
        then keeps its low 32 bits, as the C library does. */
    static int readInt(const juce::String& text) noexcept;

    /** The framework's decimal reader: at most 18 significant digits,
        "nan" and "inf" in any case, and an exponent beyond the range of a
        double giving 0 or infinity. */
    static double readDouble(const juce::String& text) noexcept;
};

} // namespace morvane
