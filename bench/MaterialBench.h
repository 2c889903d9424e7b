// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvane::bench
{

/** The material benchmarks register themselves, one per material, engine path and block size;
    a steady material keeps its settled processor between runs until this lets them all go,
    which the program does before JUCE's own objects are torn down. */
void releaseMaterialPlayers();

} // namespace morvane::bench
