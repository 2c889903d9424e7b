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

void mapParameter(int index, EngineSettings& settings, float value) noexcept
{
    const double x = clampNormalised(value);
    double shaped = 0.0;
    switch (index)
    {
        case 0:
            shaped = x;
            break;
        case 1:
        case 2:
            shaped = exponentialTaper(x);
            break;
        case 3:
        case 6:
            shaped = x * x;
            break;
        case 4:
            shaped = invertedExponentialTaper(x);
            break;
        case 5:
            shaped = 0.9 * (x * x) + 0.1;
            break;
        default:
            return;
    }
    settings.set(index + 1, shaped);
}

} // namespace morvane
