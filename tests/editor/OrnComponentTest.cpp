// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/OrnComponent.h"
#include "editor/EditorTestSupport.h"
#include "processor/OrnCore.h"
#include "support/ProcessorProbe.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <limits>
#include <memory>

using morvane::OrnButtonComponent;
using morvane::OrnComponent;
using morvane::OrnCore;
using morvane::OrnKnobComponent;
using namespace morvane::test;

namespace
{
/** The editor opened and closed the way the plug-in client does it. */
struct OpenEditor
{
    OrnCore& core;
    std::unique_ptr<juce::AudioProcessorEditor> editor;

    explicit OpenEditor(OrnCore& processor)
        : core(processor), editor(processor.createEditorIfNeeded())
    {
    }

    ~OpenEditor() { core.editorBeingDeleted(editor.get()); }

    template <typename Control>
    Control* find(const juce::String& caption) const
    {
        for (auto* child : editor->getChildren())
            if (auto* control = dynamic_cast<Control*>(child))
                if (control->getName() == caption)
                    return control;
        return nullptr;
    }

    OrnKnobComponent& knob(const juce::String& caption) const
    {
        auto* control = find<OrnKnobComponent>(caption);
        if (control == nullptr)
            throw std::runtime_error(("no knob " + caption).toStdString());
        return *control;
    }

    OrnButtonComponent& onOff() const
    {
        auto* control = find<OrnButtonComponent>("On");
        if (control == nullptr)
            throw std::runtime_error("no switch");
        return *control;
    }
};

/** Listens to the processor for the lifetime of a test. */
struct ListeningHost
{
    OrnCore& core;
    HostLog log;

    explicit ListeningHost(OrnCore& processor) : core(processor) { core.addListener(&log); }
    ~ListeningHost() { core.removeListener(&log); }
};

struct ControlPlace
{
    const char* caption;
    int parameterIndex;
    juce::Rectangle<int> bounds;
};

const ControlPlace knobPlaces[] = {
    {"Wet", 1, {58, 28, 60, 54}},     {"Dry", 2, {108, 28, 60, 54}},
    {"Delay", 3, {178, 28, 60, 54}},  {"Size", 4, {228, 28, 60, 54}},
    {"Lo-Cut", 6, {278, 28, 60, 54}}, {"Hi-Cut", 5, {328, 28, 60, 54}},
};
} // namespace

TEST(OrnComponent, OpensAt400By110WithEveryControlInItsPlace)
{
    OrnCore core;
    ASSERT_TRUE(core.hasEditor());
    OpenEditor open(core);
    ASSERT_NE(dynamic_cast<OrnComponent*>(open.editor.get()), nullptr);
    EXPECT_EQ(open.editor->getWidth(), 400);
    EXPECT_EQ(open.editor->getHeight(), 110);

    EXPECT_EQ(open.onOff().getBounds(), juce::Rectangle<int>(3, 28, 60, 57));
    EXPECT_EQ(open.onOff().getProperties()["index"], juce::var(0));

    // Children in the order they were added: where neighbours overlap the
    // later one is on top, so "Hi-Cut" covers the right edge of "Lo-Cut".
    juce::StringArray order;
    for (auto* child : open.editor->getChildren())
        if (dynamic_cast<juce::Slider*>(child) != nullptr ||
            dynamic_cast<juce::Button*>(child) != nullptr)
            order.add(child->getName());
    EXPECT_EQ(order.joinIntoString(","), "On,Wet,Dry,Delay,Size,Lo-Cut,Hi-Cut");

    for (const auto& place : knobPlaces)
    {
        SCOPED_TRACE(place.caption);
        EXPECT_EQ(open.knob(place.caption).getBounds(), place.bounds);
        EXPECT_EQ(open.knob(place.caption).getProperties()["index"],
                  juce::var(place.parameterIndex));
    }

    const auto* label = open.find<juce::Label>("");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->getText(), "Morvane " MORVANE_VERSION_STRING);
    EXPECT_EQ(label->getBounds(), juce::Rectangle<int>(0, 83, 400, 20));
}

TEST(OrnComponent, TurningAKnobChangesItsOwnParameterInsideOneGesture)
{
    OrnCore core;
    for (int i = 1; i < 7; ++i)
        core.setParameter(i, 0.0f);
    OpenEditor open(core);

    for (const auto& place : knobPlaces)
    {
        SCOPED_TRACE(place.caption);
        ListeningHost host(core);
        dragVertically(open.knob(place.caption), 200.0f);

        EXPECT_EQ(core.getParameter(place.parameterIndex), 1.0f);

        const auto& events = host.log.events;
        ASSERT_GE(events.size(), 3u);
        EXPECT_EQ(events.front().kind, HostLog::Kind::begin);
        EXPECT_EQ(events.back().kind, HostLog::Kind::end);
        for (size_t i = 0; i < events.size(); ++i)
        {
            EXPECT_EQ(events[i].index, place.parameterIndex);
            if (i > 0 && i + 1 < events.size())
            {
                EXPECT_EQ(events[i].kind, HostLog::Kind::value);
            }
        }
        EXPECT_EQ(events[events.size() - 2].value, 1.0f);
    }
}

TEST(OrnComponent, ClickingTheSwitchTurnsTheEffectOffAndOnAndTellsTheHost)
{
    OrnCore core;
    OpenEditor open(core);
    ListeningHost host(core);
    ASSERT_TRUE(open.onOff().getToggleState());

    click(open.onOff());
    EXPECT_EQ(core.getParameter(0), 0.0f);
    ASSERT_EQ(host.log.events.size(), 1u);
    EXPECT_EQ(host.log.events[0].kind, HostLog::Kind::value);
    EXPECT_EQ(host.log.events[0].index, 0);
    EXPECT_EQ(host.log.events[0].value, 0.0f);

    click(open.onOff());
    EXPECT_EQ(core.getParameter(0), 1.0f);
    ASSERT_EQ(host.log.events.size(), 2u);
    EXPECT_EQ(host.log.events[1].value, 1.0f);
}

TEST(OrnComponent, OpensShowingTheCurrentValuesAndFollowsTheHostSilently)
{
    OrnCore core;
    core.setParameter(4, 0.3f);
    core.setParameter(0, 0.5f);
    OpenEditor open(core);

    EXPECT_DOUBLE_EQ(open.knob("Size").getValue(), 0.3);
    EXPECT_DOUBLE_EQ(open.knob("Hi-Cut").getValue(), 0.8);
    EXPECT_FALSE(open.onOff().getToggleState()) << "0.5 is off: only above 0.5 is on";

    ListeningHost host(core);
    core.setParameter(4, 0.25f);
    core.setParameter(0, 0.51f);
    EXPECT_DOUBLE_EQ(open.knob("Size").getValue(), 0.3) << "moves only when the message arrives";

    deliverPendingMessages();
    EXPECT_DOUBLE_EQ(open.knob("Size").getValue(), 0.25);
    EXPECT_TRUE(open.onOff().getToggleState());
    EXPECT_TRUE(host.log.events.empty()) << "a refresh must not echo back to the host";
    EXPECT_EQ(core.getParameter(4), 0.25f);
}

TEST(OrnComponent, UnusableValuesFromTheHostLeaveDrawingAndControlsWorking)
{
    OrnCore core;
    OpenEditor open(core);
    const float nan = std::numeric_limits<float>::quiet_NaN();

    ListeningHost host(core);
    core.setParameter(0, nan);
    core.setParameter(1, 1.7f);
    core.setParameter(2, -0.5f);
    core.setParameter(3, std::numeric_limits<float>::infinity());
    core.setParameter(4, nan);
    deliverPendingMessages();

    EXPECT_FALSE(open.onOff().getToggleState());
    EXPECT_EQ(open.knob("Wet").getValue(), 1.0);
    EXPECT_EQ(open.knob("Dry").getValue(), 0.0);
    EXPECT_EQ(open.knob("Delay").getValue(), 1.0);
    EXPECT_EQ(open.knob("Size").getValue(), 0.0);
    EXPECT_TRUE(host.log.events.empty());
    EXPECT_EQ(core.getParameter(1), 1.7f) << "showing a value must not change it";

    const auto image = render(*open.editor);
    EXPECT_EQ(image.getPixelAt(20, 12), juce::Colour(200, 200, 200));

    dragVertically(open.knob("Size"), 100.0f);
    EXPECT_EQ(core.getParameter(4), 0.5f);
}

TEST(OrnComponent, PaintsTheFramedPanelTitleBarAndVersionLine)
{
    OrnCore core;
    OpenEditor open(core);
    const auto image = render(*open.editor);
    const juce::Colour grey(200, 200, 200);

    EXPECT_EQ(image.getPixelAt(2, 2), editorBackground);

    // The frame (7, 5, 386, 100), drawn 2 pixels wide across each edge.
    EXPECT_EQ(image.getPixelAt(5, 24), editorBackground);
    EXPECT_EQ(image.getPixelAt(6, 24), grey);
    EXPECT_EQ(image.getPixelAt(7, 24), grey);
    EXPECT_EQ(image.getPixelAt(8, 24), editorBackground);
    EXPECT_EQ(image.getPixelAt(391, 24), editorBackground);
    EXPECT_EQ(image.getPixelAt(392, 24), grey);
    EXPECT_EQ(image.getPixelAt(393, 24), grey);
    EXPECT_EQ(image.getPixelAt(394, 24), editorBackground);
    EXPECT_EQ(image.getPixelAt(120, 103), editorBackground);
    EXPECT_EQ(image.getPixelAt(120, 104), grey);
    EXPECT_EQ(image.getPixelAt(120, 105), grey);
    EXPECT_EQ(image.getPixelAt(120, 106), editorBackground);

    // The title bar (7, 5, 386, 15) in the outline's grey, with the title in
    // dark bold text around its middle.
    EXPECT_EQ(image.getPixelAt(20, 12), grey);
    EXPECT_EQ(image.getPixelAt(380, 18), grey);
    EXPECT_EQ(image.getPixelAt(120, 21), editorBackground);
    EXPECT_LT(brightness(darkestIn(image, {160, 5, 80, 15})), 30);
    EXPECT_EQ(darkestIn(image, {20, 6, 100, 13}), grey);
}

TEST(OrnComponent, VersionLineIsHalfTransparentWhite)
{
    OrnCore core;
    OpenEditor open(core);

    // Drawn four times larger so that the glyphs' stems cover whole pixels:
    // 250 at alpha 0.5 (127) over (30, 20, 5).
    const float scale = 4.0f;
    const auto image = render(*open.editor, scale);
    const auto text = brightestIn(image, {140 * 4, 84 * 4, 120 * 4, 19 * 4});
    EXPECT_NEAR(text.getRed(), 140, 2);
    EXPECT_NEAR(text.getGreen(), 135, 2);
    EXPECT_NEAR(text.getBlue(), 127, 2);
}

TEST(OrnComponent, KeepsItsCaptionColoursOffTheSharedLookAndFeel)
{
    auto& shared = juce::LookAndFeel::getDefaultLookAndFeel();
    const auto sharedCaption = shared.findColour(juce::Slider::textBoxTextColourId);
    ASSERT_FALSE(shared.isColourSpecified(OrnButtonComponent::buttonCaptionColourId));

    OrnCore core;
    {
        OpenEditor open(core);
        const auto caption = juce::Colour(0xccfafafa);
        EXPECT_EQ(open.knob("Wet").findColour(juce::Slider::textBoxTextColourId), caption);
        EXPECT_EQ(open.onOff().findColour(OrnButtonComponent::buttonCaptionColourId, false),
                  caption);

        EXPECT_EQ(shared.findColour(juce::Slider::textBoxTextColourId), sharedCaption);
        EXPECT_FALSE(shared.isColourSpecified(OrnButtonComponent::buttonCaptionColourId));
    }
    EXPECT_EQ(&juce::LookAndFeel::getDefaultLookAndFeel(), &shared);
}

TEST(OrnComponent, ClosingWithAChangeMessagePendingIsSafe)
{
    OrnCore core;
    ProcessorProbe probe;
    core.addChangeListener(&probe);
    deliverPendingMessages();
    probe.clear();

    {
        OpenEditor open(core);
        core.setParameter(4, 0.6f);
    }
    deliverPendingMessages();
    EXPECT_EQ(probe.changeMessages, 1) << "the pending message was delivered after closing";

    core.setParameter(4, 0.7f);
    deliverPendingMessages();
    EXPECT_EQ(probe.changeMessages, 2);
    core.removeChangeListener(&probe);
}

namespace
{
/** A bare virtual display has no window manager, so the atoms that one would
    register do not exist and the toolkit's window set-up fails against them.
    This connection creates them the way a desktop session has them, and stays
    open while the test runs: the server forgets its atoms when its last
    client leaves. The library stays loaded to the end of the process: it
    keeps caches for as long as it is loaded, and unloading it would make the
    leak checker count them against the editor. */
class WindowManagerAtoms
{
public:
    WindowManagerAtoms()
    {
        xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (xlib == nullptr)
            return;
        auto openDisplay = reinterpret_cast<void* (*)(const char*)>(dlsym(xlib, "XOpenDisplay"));
        auto internAtom = reinterpret_cast<unsigned long (*)(void*, const char*, int)>(
            dlsym(xlib, "XInternAtom"));
        closeDisplay = reinterpret_cast<int (*)(void*)>(dlsym(xlib, "XCloseDisplay"));
        if (openDisplay == nullptr || internAtom == nullptr || closeDisplay == nullptr)
            return;
        display = openDisplay(nullptr);
        if (display == nullptr)
            return;
        for (const char* name : {"WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW",
                                 "_NET_WM_PING", "WM_CHANGE_STATE", "WM_STATE",
                                 "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN"})
            internAtom(display, name, 0);
    }

    ~WindowManagerAtoms()
    {
        if (display != nullptr)
            closeDisplay(display);
        if (xlib != nullptr)
            dlclose(xlib);
    }

    bool connected() const { return display != nullptr; }

private:
    void* xlib = nullptr;
    void* display = nullptr;
    int (*closeDisplay)(void*) = nullptr;
};
} // namespace

// Opened the way a host shows it: in a native window on the desktop, painted
// through the window system, and closed with a refresh still queued. Needs a
// display, so this suite runs on a virtual one of its own.
TEST(OrnComponentWindow, OpensAndClosesOnTheDesktopAHundredTimes)
{
    const WindowManagerAtoms atoms;
    ASSERT_TRUE(atoms.connected())
        << "no display: run this suite through tests/support/with-xvfb.sh";
    ASSERT_NE(juce::Desktop::getInstance().getDisplays().getPrimaryDisplay(), nullptr);

    OrnCore core;
    for (int i = 0; i < 100; ++i)
    {
        OpenEditor open(core);
        open.editor->addToDesktop(0);
        open.editor->setVisible(true);
        auto* peer = open.editor->getPeer();
        ASSERT_NE(peer, nullptr);
        peer->performAnyPendingRepaintsNow();

        core.setParameter(4, static_cast<float>(i) / 100.0f);
        if (i % 2 == 0)
            deliverPendingMessages();
        EXPECT_FLOAT_EQ(static_cast<float>(open.knob("Size").getValue()),
                        static_cast<float>(i - i % 2) / 100.0f);
    }
    deliverPendingMessages();
    EXPECT_EQ(juce::Desktop::getInstance().getNumComponents(), 0);
    EXPECT_EQ(core.getActiveEditor(), nullptr);
}
