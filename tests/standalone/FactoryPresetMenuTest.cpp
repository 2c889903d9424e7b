// SPDX-License-Identifier: GPL-3.0-or-later
#include "standalone/FactoryPresetMenu.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

using morvane::FactoryPresetMenu;
using morvane::FactoryPresets;
using morvane::OrnCore;

TEST(FactoryPresetMenu, OneItemPerPresetInOrderAfterTheOptionsMenusOwnItems)
{
    const auto menu = FactoryPresetMenu::create();
    const auto& presets = FactoryPresets::all();
    std::size_t count = 0;
    for (juce::PopupMenu::MenuItemIterator item(menu); item.next();)
    {
        ASSERT_LT(count, presets.size());
        EXPECT_EQ(item.getItem().itemID, FactoryPresetMenu::firstItemId + static_cast<int>(count));
        EXPECT_EQ(item.getItem().text, presets[count].name);
        EXPECT_TRUE(item.getItem().isEnabled);
        ++count;
    }
    EXPECT_EQ(count, presets.size());
    // JUCE's own options menu numbers its items 1 to 4.
    EXPECT_GT(FactoryPresetMenu::firstItemId, 4);
}

TEST(FactoryPresetMenu, ChoosingAPresetLoadsItAndOtherItemsAreLeftToTheWindow)
{
    OrnCore core;
    const auto& presets = FactoryPresets::all();
    const int last = FactoryPresetMenu::firstItemId + static_cast<int>(presets.size()) - 1;
    for (const int other : {1, 4, FactoryPresetMenu::firstItemId - 1, last + 1})
    {
        EXPECT_FALSE(FactoryPresetMenu::choose(other, core)) << other;
        EXPECT_EQ(core.getProgram().name, "Startup");
    }
    EXPECT_TRUE(FactoryPresetMenu::choose(last, core));
    EXPECT_EQ(core.getProgram().name, presets.back().name);
    EXPECT_EQ(core.getParameter(morvane::indexOf(morvane::Parameter::size)),
              presets.back()
                  .values[static_cast<std::size_t>(morvane::indexOf(morvane::Parameter::size))]);
}
