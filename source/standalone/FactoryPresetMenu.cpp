// SPDX-License-Identifier: GPL-3.0-or-later
#include "standalone/FactoryPresetMenu.h"

#include "presets/FactoryPresets.h"

namespace morvane
{

juce::PopupMenu FactoryPresetMenu::create()
{
    juce::PopupMenu menu;
    int itemId = firstItemId;
    for (const auto& preset : FactoryPresets::all())
        menu.addItem(itemId++, preset.name);
    return menu;
}

bool FactoryPresetMenu::choose(int itemId, OrnCore& processor)
{
    const int index = itemId - firstItemId;
    if (index < 0 || index >= static_cast<int>(FactoryPresets::all().size()))
        return false;
    processor.loadFactoryPreset(index);
    return true;
}

} // namespace morvane
