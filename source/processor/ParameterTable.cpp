#include "processor/ParameterTable.h"

#include <cctype>
#include <cstddef>

namespace morvane
{

namespace
{
constexpr std::array<ParameterInfo, ParameterTable::numParameters> parameters{{
    {"On / Off", "effectreverbon", 1.0f},
    {"Wet", "effectreverbamount", 0.2f},
    {"Dry", "effectreverbsignalamount", 1.0f},
    {"Delay", "effectreverbdelay", 0.0f},
    {"Size", "effectreverbsize", 0.85f},
    {"Low Pass", "effectreverblow", 0.8f},
    {"High Pass", "effectreverbhigh", 0.0f},
}};

bool equalIgnoringCase(const char* a, const char* b) noexcept
{
    for (; *a != 0 && *b != 0; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;

    return *a == *b;
}
} // namespace

const ParameterInfo& ParameterTable::get(int index) noexcept
{
    return parameters[static_cast<std::size_t>(index)];
}

int ParameterTable::findByName(const char* text) noexcept
{
    for (int i = 0; i < numParameters; ++i)
    {
        const auto& info = get(i);
        if (equalIgnoringCase(text, info.name) || equalIgnoringCase(text, info.attribute))
            return i;
    }
    return -1;
}

} // namespace morvane
