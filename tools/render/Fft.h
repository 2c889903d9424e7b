// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <complex>
#include <vector>

namespace morvane
{

/** The discrete Fourier transform by radix-2 decimation in time. Any thread. */
class Fft
{
public:
    /** Transforms in place; the size must be a power of two. */
    static void transform(std::vector<std::complex<double>>& data);
};

} // namespace morvane
