// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/OrnKnobComponent.h"
#include "editor/EditorTestSupport.h"
#include "editor/OrnLookAndFeel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using morvane::OrnKnobComponent;
using morvane::OrnLookAndFeel;
using namespace morvane::test;

namespace
{
// Drawn at four times the size, so that a point of the worked geometry falls
// well inside a pixel instead of on an edge.
constexpr float scale = 4.0f;

struct KnobFixture : public ::testing::Test
{
    OrnLookAndFeel lookAndFeel;
    OrnKnobComponent knob;

    KnobFixture()
    {
        knob.configure("Lo-Cut", morvane::Parameter::highPass);
        knob.setBounds(0, 0, 60, 54);
        knob.setLookAndFeel(&lookAndFeel);
        knob.setVisible(true);
    }

    ~KnobFixture() override { knob.setLookAndFeel(nullptr); }

    juce::Image drawnAt(double value)
    {
        knob.setValue(value, juce::dontSendNotification);
        return render(knob, scale);
    }
};

struct DragCounter : public juce::Slider::Listener
{
    int starts = 0, ends = 0, changes = 0;
    void sliderValueChanged(juce::Slider*) override { ++changes; }
    void sliderDragStarted(juce::Slider*) override { ++starts; }
    void sliderDragEnded(juce::Slider*) override { ++ends; }
};

bool isPointer(juce::Colour c)
{
    return brightness(c) > 180;
}

bool isRed(juce::Colour c)
{
    return c.getRed() - c.getGreen() > 40;
}

// A point of the ring between the knob body and the ring's outer edge, at an
// angle measured clockwise from 12 o'clock.
juce::Point<float> onRing(float angle)
{
    return {30.0f + 19.0f * std::sin(angle), 22.0f - 19.0f * std::cos(angle)};
}
} // namespace

TEST_F(KnobFixture, IsAZeroToOneKnobWithoutTextBoxOrFocus)
{
    EXPECT_EQ(knob.getProperties()["index"], juce::var(6));
    EXPECT_EQ(knob.getName(), "Lo-Cut");
    EXPECT_EQ(knob.getNumChildComponents(), 0);
    EXPECT_FALSE(knob.getWantsKeyboardFocus());

    knob.setValue(0.123456789, juce::dontSendNotification);
    EXPECT_DOUBLE_EQ(knob.getValue(), 0.1234568);
    knob.setValue(1.7, juce::dontSendNotification);
    EXPECT_EQ(knob.getValue(), 1.0);
    knob.setValue(-0.2, juce::dontSendNotification);
    EXPECT_EQ(knob.getValue(), 0.0);
}

TEST_F(KnobFixture, TwoHundredPixelsOfVerticalTravelSweepTheRange)
{
    DragCounter counter;
    knob.addListener(&counter);

    knob.setValue(0.0, juce::dontSendNotification);
    dragVertically(knob, 100.0f);
    EXPECT_DOUBLE_EQ(knob.getValue(), 0.5);

    knob.setValue(0.0, juce::dontSendNotification);
    dragVertically(knob, 200.0f);
    EXPECT_EQ(knob.getValue(), 1.0);

    dragVertically(knob, 50.0f);
    EXPECT_EQ(knob.getValue(), 1.0);
    dragVertically(knob, -300.0f);
    EXPECT_EQ(knob.getValue(), 0.0);

    EXPECT_EQ(counter.starts, 4);
    EXPECT_EQ(counter.ends, 4);
    knob.removeListener(&counter);
}

TEST_F(KnobFixture, PointerAtTheMiddleRunsStraightUpOverTheCap)
{
    const auto image = drawnAt(0.5);

    // From (30, 18.1) to (30, 9): bright along the whole line, not beyond it.
    for (float y = 9.5f; y <= 17.5f; y += 1.0f)
        EXPECT_TRUE(isPointer(pixelAt(image, 30.0f, y, scale))) << "y " << y;
    EXPECT_FALSE(isPointer(pixelAt(image, 30.0f, 7.5f, scale)));
    EXPECT_FALSE(isPointer(pixelAt(image, 30.0f, 20.0f, scale)));
    EXPECT_FALSE(isPointer(pixelAt(image, 33.0f, 13.0f, scale)));
}

TEST_F(KnobFixture, PointerAtTheEndsPointsDownAtHalfPastSevenAndHalfPastFour)
{
    // At +-2.355 rad the cap radius 13 gives A = +-9.196 and B = 9.189, and the
    // pointer takes the downward sign: it ends at (30 +- 9.196, 31.189).
    const float a = 13.0f * std::sin(2.355f);
    const float b = std::sqrt(169.0f - a * a);

    for (const double value : {0.0, 1.0})
    {
        SCOPED_TRACE(value);
        const float side = value > 0.5 ? 1.0f : -1.0f;
        const juce::Point<float> start(30.0f + side * 0.3f * a, 22.0f + 0.3f * b);
        const juce::Point<float> end(30.0f + side * a, 22.0f + b);
        const juce::Point<float> mirroredEnd(30.0f - side * a, 22.0f + b);
        const auto image = drawnAt(value);

        const auto nearEnd = start + (end - start) * 0.85f;
        const auto beyondEnd = end + (end - start) * (1.5f / start.getDistanceFrom(end));
        EXPECT_TRUE(isPointer(pixelAt(image, nearEnd.x, nearEnd.y, scale)));
        EXPECT_FALSE(isPointer(pixelAt(image, beyondEnd.x, beyondEnd.y, scale)));
        const auto nearMirroredEnd = start + (mirroredEnd - start) * 0.85f;
        EXPECT_FALSE(isPointer(pixelAt(image, nearMirroredEnd.x, nearMirroredEnd.y, scale)));
        EXPECT_FALSE(isPointer(pixelAt(image, 30.0f, 12.0f, scale)));
    }
}

TEST_F(KnobFixture, ValueArcCoversTheTravelUpToTheValue)
{
    const float leftAngles[] = {-2.0f, -1.0f};
    const float rightAngles[] = {1.0f, 2.0f};

    const auto atZero = drawnAt(0.0);
    const auto atHalf = drawnAt(0.5);
    const auto atOne = drawnAt(1.0);

    for (const float angle : leftAngles)
    {
        const auto p = onRing(angle);
        EXPECT_FALSE(isRed(pixelAt(atZero, p.x, p.y, scale))) << angle;
        EXPECT_TRUE(isRed(pixelAt(atHalf, p.x, p.y, scale))) << angle;
        EXPECT_TRUE(isRed(pixelAt(atOne, p.x, p.y, scale))) << angle;
    }
    for (const float angle : rightAngles)
    {
        const auto p = onRing(angle);
        EXPECT_FALSE(isRed(pixelAt(atZero, p.x, p.y, scale))) << angle;
        EXPECT_FALSE(isRed(pixelAt(atHalf, p.x, p.y, scale))) << angle;
        EXPECT_TRUE(isRed(pixelAt(atOne, p.x, p.y, scale))) << angle;
    }

    // Without the arc the track shows: a grey ring, lighter than the background.
    const auto track = pixelAt(atZero, onRing(-1.0f).x, onRing(-1.0f).y, scale);
    EXPECT_NEAR(track.getRed(), track.getGreen(), 6);
    EXPECT_GT(brightness(track), brightness(editorBackground) + 30);
}

TEST_F(KnobFixture, CaptionIsDrawnInTheLookAndFeelsCaptionColour)
{
    // Left of the knob's shadow and below its ring only the caption's first
    // letter lies on the background: 250 at alpha 0.8 (204) over (30, 20, 5).
    const auto image = drawnAt(0.5);
    const auto caption = brightestIn(image, {0, 41 * 4, 14 * 4, 13 * 4});
    EXPECT_NEAR(caption.getRed(), 206, 2);
    EXPECT_NEAR(caption.getGreen(), 204, 2);
    EXPECT_NEAR(caption.getBlue(), 201, 2);
}

TEST_F(KnobFixture, ValuesFromOutsideTheRangeDrawAtTheNearerEnd)
{
    const auto atZero = drawnAt(0.0);
    const auto atOne = drawnAt(1.0);

    EXPECT_TRUE(sameImage(drawnAt(std::numeric_limits<double>::quiet_NaN()), atZero));
    EXPECT_TRUE(sameImage(drawnAt(-3.0), atZero));
    EXPECT_TRUE(sameImage(drawnAt(1.0e9), atOne));
    EXPECT_TRUE(sameImage(drawnAt(std::numeric_limits<double>::infinity()), atOne));
}
