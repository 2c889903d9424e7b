// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvane
{

// Construction-time helpers, callable from any thread.

// Smallest prime not below n; values below 4 are returned unchanged.
int nextPrime(int n) noexcept;

// Buffer length for a delay of timeMs at sampleRate. Every delay buffer in the engine is sized by
// this rule, so all of them have prime lengths and their echoes rarely coincide.
int bufferLength(float timeMs, float sampleRate) noexcept;

// The length a buffer is built with: bufferLength, but at least one slot, so that even a rate too
// low for the length rule leaves a buffer whose positions stay inside it.
int bufferSlots(float timeMs, float sampleRate) noexcept;

} // namespace morvane
