#pragma once

#include <array>

namespace morvane
{

/** The seven automatable parameters: their host names, the attribute names
    under which the stored state keeps them, and the factory program's values.
    Any thread: the table is constant. */
struct ParameterInfo
{
    const char* name;
    const char* attribute;
    float factoryValue;
};

class ParameterTable
{
public:
    static constexpr int numParameters = 7;

    static const ParameterInfo& get(int index) noexcept;
    static bool isValidIndex(int index) noexcept { return index >= 0 && index < numParameters; }

    /** Finds a parameter by its host name or its stored attribute name,
        ignoring letter case; -1 when nothing matches. */
    static int findByName(const char* text) noexcept;
};

} // namespace morvane
