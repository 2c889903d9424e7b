// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace morvane::validate
{

/** Tallies what a stretch of output holds that a host must never receive: non-finite samples
    and subnormal ones (which cost a hundred times a normal number on some processors and mark
    a feedback loop that decays into them), with the peak and energy of the rest.

    Thread rule: one thread at a time. */
class SignalScan
{
public:
    void scan(const float* samples, int count) noexcept;

    std::uint64_t samples() const noexcept { return total; }
    std::uint64_t nonFinite() const noexcept { return nonFiniteCount; }
    std::uint64_t subnormal() const noexcept { return subnormalCount; }
    float peak() const noexcept { return peakValue; }
    /** Root mean square of the finite samples. */
    double rms() const noexcept;

    SignalScan& operator+=(const SignalScan& other) noexcept;

private:
    std::uint64_t total = 0;
    std::uint64_t nonFiniteCount = 0;
    std::uint64_t subnormalCount = 0;
    std::uint64_t finiteCount = 0;
    float peakValue = 0.0f;
    double energy = 0.0;
};

} // namespace morvane::validate
