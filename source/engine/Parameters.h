// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <optional>

namespace morvane
{

// The seven parameters, in the order hosts number them (0..6) and the stored state lists them.
// Code inside the plug-in says which parameter it means by name; only the host-facing calls,
// which speak in indices, convert at the boundary through parameterAt and indexOf.
// Thread rule: any thread; everything here is constant.
enum class Parameter
{
    onOff,
    wet,
    dry,
    delay,
    size,
    lowPass,
    highPass,
};

constexpr int parameterCount = 7;

constexpr std::array<Parameter, parameterCount> allParameters{
    Parameter::onOff, Parameter::wet,     Parameter::dry,      Parameter::delay,
    Parameter::size,  Parameter::lowPass, Parameter::highPass,
};

// The host's index of a parameter.
constexpr int indexOf(Parameter parameter) noexcept
{
    return static_cast<int>(parameter);
}

// The parameter a host index names; none for an index outside 0..6.
constexpr std::optional<Parameter> parameterAt(int index) noexcept
{
    if (index < 0 || index >= parameterCount)
        return std::nullopt;
    return allParameters[static_cast<std::size_t>(index)];
}

} // namespace morvane
