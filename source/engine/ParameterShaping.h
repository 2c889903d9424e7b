// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Parameters.h"

namespace morvane
{

class EngineSettings;

// Gain curve: 0 at 0, 1 at 1 (within the rounding of the 1/19 factor), slow at the bottom so
// most of the knob's travel covers the quiet range.
double exponentialTaper(double x) noexcept;

// The same curve turned over: fast at the bottom, fine control near 1.
double invertedExponentialTaper(double x) noexcept;

// Shapes a normalised parameter value and stores it as that parameter's setting. The value is
// clamped to 0..1 first (NaN counts as 0), since the engine trusts its settings to keep every
// read inside its buffers.
// Thread rule: any thread.
void mapParameter(Parameter parameter, EngineSettings& settings, float value) noexcept;

} // namespace morvane
