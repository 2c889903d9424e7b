// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

namespace juce
{
// The message loop's single step, which the toolkit keeps for its own run
// loops; the tests use it to deliver what is queued without waiting on a clock.
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace juce

namespace morvane::test
{

/** The colour behind every control in the editor. */
inline const juce::Colour editorBackground{30, 20, 5};

/** Paints a component with the software renderer onto an opaque background,
    at the given scale (pixel i covers component coordinates i / scale). */
inline juce::Image render(juce::Component& component, float scale = 1.0f,
                          juce::Colour background = editorBackground)
{
    juce::Image image(juce::Image::ARGB, juce::roundToInt(component.getWidth() * scale),
                      juce::roundToInt(component.getHeight() * scale), true,
                      juce::SoftwareImageType());
    juce::Graphics g(image);
    g.fillAll(background);
    g.addTransform(juce::AffineTransform::scale(scale));
    component.paintEntireComponent(g, true);
    return image;
}

/** The pixel that covers point (x, y) of a component drawn at the given scale. */
inline juce::Colour pixelAt(const juce::Image& image, float x, float y, float scale = 1.0f)
{
    return image.getPixelAt(static_cast<int>(x * scale), static_cast<int>(y * scale));
}

inline int brightness(juce::Colour c)
{
    return (c.getRed() + c.getGreen() + c.getBlue()) / 3;
}

/** The brightest pixel of a region given in image pixels. */
inline juce::Colour brightestIn(const juce::Image& image, juce::Rectangle<int> area)
{
    juce::Colour best = image.getPixelAt(area.getX(), area.getY());
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (brightness(image.getPixelAt(x, y)) > brightness(best))
                best = image.getPixelAt(x, y);
    return best;
}

/** The darkest pixel of a region given in image pixels. */
inline juce::Colour darkestIn(const juce::Image& image, juce::Rectangle<int> area)
{
    juce::Colour best = image.getPixelAt(area.getX(), area.getY());
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (brightness(image.getPixelAt(x, y)) < brightness(best))
                best = image.getPixelAt(x, y);
    return best;
}

inline bool sameImage(const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return false;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt(x, y) != b.getPixelAt(x, y))
                return false;
    return true;
}

/** A left-button mouse event on a component, as the toolkit would deliver it. */
inline juce::MouseEvent mouseEvent(juce::Component& target, juce::Point<float> position,
                                   juce::Point<float> downPosition, bool dragged)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent(
        juce::Desktop::getInstance().getMainMouseSource(), position,
        juce::ModifierKeys(juce::ModifierKeys::leftButtonModifier),
        juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
        juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
        juce::MouseInputSource::defaultTiltY, &target, &target, now, downPosition, now, 1, dragged);
}

/** Presses the mouse in the middle of a component, moves it straight up by
    the given number of pixels (down for negative numbers) in equal steps,
    and releases it. */
inline void dragVertically(juce::Component& target, float pixelsUp, int steps = 10)
{
    const auto start = target.getLocalBounds().getCentre().toFloat();
    target.mouseDown(mouseEvent(target, start, start, false));
    auto position = start;
    for (int step = 1; step <= steps; ++step)
    {
        position = start - juce::Point<float>(0.0f, pixelsUp * static_cast<float>(step) /
                                                        static_cast<float>(steps));
        target.mouseDrag(mouseEvent(target, position, start, true));
    }
    target.mouseUp(mouseEvent(target, position, start, steps > 0));
}

/** A press and release in the middle of a component without moving. */
inline void click(juce::Component& target)
{
    const auto centre = target.getLocalBounds().getCentre().toFloat();
    target.mouseDown(mouseEvent(target, centre, centre, false));
    target.mouseUp(mouseEvent(target, centre, centre, false));
}

/** Delivers every message queued so far, change messages included. */
inline void deliverPendingMessages()
{
    bool reached = false;
    juce::MessageManager::callAsync([&reached] { reached = true; });
    while (!reached)
        juce::dispatchNextMessageOnSystemQueue(false);
}

/** What the host hears from the processor, in the order it hears it. */
class HostLog : public juce::AudioProcessorListener
{
public:
    enum class Kind
    {
        begin,
        value,
        end
    };

    struct Event
    {
        Kind kind;
        int index;
        float value;
    };

    std::vector<Event> events;

    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float value) override
    {
        events.push_back({Kind::value, index, value});
    }

    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}

    void audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index) override
    {
        events.push_back({Kind::begin, index, 0.0f});
    }

    void audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index) override
    {
        events.push_back({Kind::end, index, 0.0f});
    }
};

} // namespace morvane::test
