// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "processor/OrnCore.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace morvane
{

/** The factory presets as a submenu of the standalone application's options menu, and what
    choosing one of them does: the processor takes the preset's character and keeps its mix.

    Thread rule: message thread, like every menu. */
class FactoryPresetMenu
{
public:
    /** Item IDs from here on name the presets, in their order; the options menu's own items
        come before. */
    static constexpr int firstItemId = 100;

    /** One item per factory preset. */
    static juce::PopupMenu create();

    /** Loads the preset the item names and returns true; false for any other item. */
    static bool choose(int itemId, OrnCore& processor);
};

} // namespace morvane
