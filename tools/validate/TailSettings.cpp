// SPDX-License-Identifier: GPL-3.0-or-later
#include "TailSettings.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace morvane::validate
{

namespace
{
using Values = std::array<float, 7>;
constexpr int sizeIndex = 4;

void apply(const HostedInstance& instance, const Values& values)
{
    const auto count = std::min(static_cast<std::size_t>(instance.numParameters()), values.size());
    for (std::size_t i = 0; i < count; ++i)
        instance.setParameter(static_cast<int>(i), values[i]);
}
} // namespace

void TailSettings::applyLongest(const HostedInstance& instance)
{
    apply(instance, {1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f});
}

// The smallest room, the rest as it was: the feedback lines lose the most on every trip, and the
// input filters still shape what goes in.
void TailSettings::applyShortest(const HostedInstance& instance)
{
    if (instance.numParameters() > sizeIndex)
        instance.setParameter(sizeIndex, 0.0f);
}

} // namespace morvane::validate
