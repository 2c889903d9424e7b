// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/ParameterTable.h"

#include <array>
#include <cctype>
#include <cstddef>

namespace morvane
{

namespace
{
// In host order, which allParameters follows.
constexpr std::array<ParameterInfo, parameterCount> parameters{{
    {"On / Off", "effectreverbon", 1.0f},
    {"Wet", "effectreverbamount", 0.2f},
    {"Dry", "effectreverbsignalamount", 1.0f},
    {"Delay", "effectreverbdelay", 0.0f},
    {"Size", "effectreverbsize", 0.85f},
    {"Low Pass", "effectreverblow", 0.8f},
    {"High Pass", "effectreverbhigh", 0.0f},
}};

constexpr ParameterInfo noParameter{"", "", 0.0f};

bool equalIgnoringCase(const char* a, const char* b) noexcept
{
    for (; *a != 0 && *b != 0; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;

    return *a == *b;
}
} // namespace

const ParameterInfo& ParameterTable::get(Parameter parameter) noexcept
{
    return parameters[static_cast<std::size_t>(indexOf(parameter))];
}

const ParameterInfo& ParameterTable::get(int index) noexcept
{
    const auto parameter = parameterAt(index);
    return parameter ? get(*parameter) : noParameter;
}

int ParameterTable::findByName(const char* text) noexcept
{
    for (const Parameter parameter : allParameters)
    {
        const auto& info = get(parameter);
        if (equalIgnoringCase(text, info.name) || equalIgnoringCase(text, info.attribute))
            return indexOf(parameter);
    }
    return -1;
}

} // namespace morvane
