// SPDX-License-Identifier: GPL-3.0-or-later
#include "standalone/StandaloneWindow.h"

#include "standalone/FactoryPresetMenu.h"

namespace morvane
{

StandaloneWindow::StandaloneWindow(const juce::String& title, juce::PropertySet* settings)
    : juce::StandaloneFilterWindow(title,
                                   juce::LookAndFeel::getDefaultLookAndFeel().findColour(
                                       juce::ResizableWindow::backgroundColourId),
                                   settings, false)
{
}

void StandaloneWindow::buttonClicked(juce::Button*)
{
    // JUCE's item numbers, which handleMenuResult acts on.
    juce::PopupMenu menu;
    menu.addItem(1, TRANS("Audio/MIDI Settings..."));
    menu.addSeparator();
    menu.addItem(2, TRANS("Save current state..."));
    menu.addItem(3, TRANS("Load a saved state..."));
    menu.addSeparator();
    menu.addSubMenu("Factory presets", FactoryPresetMenu::create());
    menu.addSeparator();
    menu.addItem(4, TRANS("Reset to default state"));

    menu.showMenuAsync(juce::PopupMenu::Options(),
                       [window = juce::Component::SafePointer<StandaloneWindow>(this)](int itemId)
                       {
                           if (window != nullptr && itemId != 0)
                               window->menuItemChosen(itemId);
                       });
}

void StandaloneWindow::menuItemChosen(int itemId)
{
    auto* processor = dynamic_cast<OrnCore*>(getAudioProcessor());
    if (processor == nullptr || !FactoryPresetMenu::choose(itemId, *processor))
        handleMenuResult(itemId);
}

} // namespace morvane
