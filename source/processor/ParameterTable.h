// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Parameters.h"

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
    static constexpr int numParameters = parameterCount;

    static const ParameterInfo& get(Parameter parameter) noexcept;

    /** By host index, for code that walks the parameters in host order (the
        stored state, the renderer's options); an index outside 0..6 gets an
        entry with empty names and a factory value of 0. */
    static const ParameterInfo& get(int index) noexcept;

    /** Finds a parameter by its host name or its stored attribute name,
        ignoring letter case; its host index, or -1 when nothing matches. */
    static int findByName(const char* text) noexcept;
};

} // namespace morvane
