// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ParameterShaping.h"

#include "engine/EngineSettings.h"

#include <cmath>

namespace morvane
{

namespace
{

// 1/19 rounded to single precision, which is why the tapers overshoot their ends by about 7e-9.
constexpr double oneNineteenth = static_cast<double>(0.05263158f);

double clampNormalised(float value) noexcept
{
    if (!(value >= 0.0f))
        return 0.0;
    if (value > 1.0f)
        return 1.0;
    return static_cast<double>(value);
}

} // namespace

double exponentialTaper(double x) noexcept
{
    return (std::pow(20.0, x) - 1.0) * oneNineteenth;
}

double invertedExponentialTaper(double x) noexcept
{
    return 1.0 - (std::pow(20.0, 1.0 - x) - 1.0) * oneNineteenth;
}

void mapParameter(Parameter parameter, EngineSettings& settings, float value) noexcept
{
    const double x = clampNormalised(value);
    double shaped = x;
    switch (parameter)
    {
        case Parameter::onOff:
            shaped = x;
            break;
        case Parameter::wet:
        case Parameter::dry:
            shaped = exponentialTaper(x);
            break;
        case Parameter::delay:
        case Parameter::highPass:
            shaped = x * x;
            break;
        case Parameter::size:
            shaped = invertedExponentialTaper(x);
            break;
        case Parameter::lowPass:
            shaped = 0.9 * (x * x) + 0.1;
            break;
    }
    settings.set(parameter, shaped);
}

} // namespace morvane
