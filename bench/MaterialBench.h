// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvane::bench
{

/** The material benchmarks register themselves, one per engine path and block size; their
    processors live from one run to the next until this lets them all go, which the program does
    before JUCE's own objects are torn down. */
void releaseMaterialPlayers();

} // namespace morvane::bench
