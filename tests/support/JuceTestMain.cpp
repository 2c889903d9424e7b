// SPDX-License-Identifier: GPL-3.0-or-later
#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

// JUCE's singletons (the message manager above all) must live for the whole
// run, so every JUCE-based test program starts from this entry point.
int main(int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
