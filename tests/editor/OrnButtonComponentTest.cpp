// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/OrnButtonComponent.h"
#include "editor/EditorTestSupport.h"
#include "editor/OrnLookAndFeel.h"

#include <gtest/gtest.h>

using morvane::OrnButtonComponent;
using morvane::OrnLookAndFeel;
using namespace morvane::test;

namespace
{
struct SwitchFixture : public ::testing::Test
{
    OrnLookAndFeel lookAndFeel;
    OrnButtonComponent button;

    SwitchFixture()
    {
        button.configure("On");
        button.setBounds(0, 0, 60, 57);
        button.setLookAndFeel(&lookAndFeel);
        button.setVisible(true);
    }

    ~SwitchFixture() override { button.setLookAndFeel(nullptr); }

    juce::Image drawn(bool on)
    {
        button.setToggleState(on, juce::dontSendNotification);
        return render(button);
    }
};

struct ClickCounter : public juce::Button::Listener
{
    int clicks = 0;
    void buttonClicked(juce::Button*) override { ++clicks; }
};
} // namespace

TEST_F(SwitchFixture, ClickingTogglesAndReportsOnlyUserClicks)
{
    ClickCounter counter;
    button.addListener(&counter);

    EXPECT_EQ(button.getName(), "On");
    EXPECT_EQ(button.getProperties()["index"], juce::var(0));
    EXPECT_FALSE(button.getWantsKeyboardFocus());
    EXPECT_FALSE(button.getToggleState());

    click(button);
    EXPECT_TRUE(button.getToggleState());
    EXPECT_EQ(counter.clicks, 1);
    click(button);
    EXPECT_FALSE(button.getToggleState());
    EXPECT_EQ(counter.clicks, 2);

    button.setToggleState(true, juce::dontSendNotification);
    EXPECT_TRUE(button.getToggleState());
    EXPECT_EQ(counter.clicks, 2);

    button.removeListener(&counter);
}

TEST_F(SwitchFixture, LampIsRedAndGlowingWhenOnAndDullBrownWhenOff)
{
    const auto on = drawn(true);
    const auto off = drawn(false);

    // Inside the lamp (23, 15, 14, 6), clear of its two outlines.
    const auto lampOff = off.getPixelAt(30, 18);
    EXPECT_EQ(lampOff, juce::Colour(80, 60, 50));
    const auto lampOn = on.getPixelAt(30, 18);
    EXPECT_GT(lampOn.getRed(), 190);
    EXPECT_LT(lampOn.getGreen(), 120);
    EXPECT_LT(lampOn.getBlue(), 80);

    // The lamp's black outline, and the glow spilling over the grey face below it.
    EXPECT_EQ(off.getPixelAt(23, 18), juce::Colour(0, 0, 0));
    const auto faceOff = off.getPixelAt(30, 25);
    const auto faceOn = on.getPixelAt(30, 25);
    EXPECT_NEAR(faceOff.getRed(), faceOff.getBlue(), 2);
    EXPECT_GT(faceOn.getRed() - faceOn.getBlue(), 40);

    // Beyond the glow's 10-pixel radius the face is the same in both states.
    EXPECT_EQ(on.getPixelAt(20, 28), off.getPixelAt(20, 28));
}

TEST_F(SwitchFixture, BevelLightSwapsCornersWithTheState)
{
    const auto on = drawn(true);
    const auto off = drawn(false);

    // The housing (13, 9, 34, 25) is black where the bevel (14, 10, 32, 23) leaves it.
    EXPECT_EQ(off.getPixelAt(13, 20), juce::Colour(0, 0, 0));
    EXPECT_EQ(on.getPixelAt(13, 20), juce::Colour(0, 0, 0));

    // The bevel's light corner is the top left when off and the bottom right when on.
    EXPECT_GT(brightness(off.getPixelAt(14, 20)), brightness(on.getPixelAt(14, 20)) + 5);
    EXPECT_GT(brightness(on.getPixelAt(45, 30)), brightness(off.getPixelAt(45, 30)) + 5);
}

TEST_F(SwitchFixture, HoverAndPressDoNotChangeTheLook)
{
    for (const bool on : {false, true})
    {
        const auto normal = drawn(on);
        button.setState(juce::Button::buttonOver);
        EXPECT_TRUE(sameImage(render(button), normal)) << "over, on " << on;
        button.setState(juce::Button::buttonDown);
        EXPECT_TRUE(sameImage(render(button), normal)) << "down, on " << on;
        button.setState(juce::Button::buttonNormal);
    }
}

TEST_F(SwitchFixture, CaptionIsDrawnInTheLookAndFeelsCaptionColour)
{
    // The caption (0, 41, 60, 10) lies under the edge of the switch's shadow,
    // which darkens it by at most a tenth: 250 at alpha 0.8 over (30, 20, 5)
    // is (206, 204, 201) before the shadow.
    const auto caption = brightestIn(drawn(false), {0, 41, 60, 14});
    EXPECT_LE(caption.getRed(), 207);
    EXPECT_GE(caption.getBlue(), 180);
    EXPECT_GE(caption.getRed(), caption.getBlue());

    // The caption follows the look-and-feel: another colour there, another caption.
    lookAndFeel.setColour(OrnButtonComponent::buttonCaptionColourId, juce::Colours::lime);
    const auto green = brightestIn(drawn(false), {0, 41, 60, 14});
    EXPECT_GT(green.getGreen(), 200);
    EXPECT_LT(green.getRed(), 60);
}
