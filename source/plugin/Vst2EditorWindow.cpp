// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 declarations are needed to embed the window in the host's; they stay in this file
// because Xlib's macros clash with ordinary names elsewhere.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "plugin/Vst2EditorWindow.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace morvane
{

namespace
{

// Xlib's default error handler ends the process, and a plug-in inside a host must not install
// handlers of its own the way a stand-alone program does, so the window system leaves the
// host's handler in place. Window managers differ, and on some servers JUCE's requests fail
// harmlessly (a property atom that no window manager created, say). While editor windows exist,
// errors on the plug-in's own connection are therefore dropped, and all others go on to the
// handler that was there before.
XErrorHandler previousErrorHandler = nullptr;
::Display* filteredDisplay = nullptr;
int liveWindows = 0;

int filterErrors(::Display* display, XErrorEvent* event)
{
    if (display == filteredDisplay)
        return 0;
    return previousErrorHandler != nullptr ? previousErrorHandler(display, event) : 0;
}

void windowCreated()
{
    if (liveWindows++ > 0)
        return;
    auto* windowSystem = juce::XWindowSystem::getInstance();
    if (windowSystem == nullptr || windowSystem->getDisplay() == nullptr)
        return;
    filteredDisplay = windowSystem->getDisplay();
    previousErrorHandler = juce::X11Symbols::getInstance()->xSetErrorHandler(filterErrors);
}

void windowDeleted()
{
    if (--liveWindows > 0 || filteredDisplay == nullptr)
        return;

    auto* symbols = juce::X11Symbols::getInstance();
    const auto current = symbols->xSetErrorHandler(previousErrorHandler);
    // A handler the host installed since then stays; it may pass errors on to ours.
    if (current != filterErrors)
        symbols->xSetErrorHandler(current);
    else
        filteredDisplay = nullptr;
}

} // namespace

Vst2EditorWindow::Vst2EditorWindow(std::unique_ptr<juce::AudioProcessorEditor> editorToHold)
    : editor(std::move(editorToHold))
{
    windowCreated();
    setOpaque(true);
    editor->setOpaque(true);
    addAndMakeVisible(*editor);
    setSize(editor->getWidth(), editor->getHeight());
}

Vst2EditorWindow::~Vst2EditorWindow()
{
    removeFromDesktop();

    if (auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating())
        if (auto* display = windowSystem->getDisplay())
        {
            // The host looks at its window right after effEditClose returns.
            const juce::XWindowSystemUtilities::ScopedXLock xLock;
            juce::X11Symbols::getInstance()->xSync(display, False);
        }

    windowDeleted();
}

bool Vst2EditorWindow::isWindowSystemAvailable()
{
    auto* windowSystem = juce::XWindowSystem::getInstance();
    return windowSystem != nullptr && windowSystem->isX11Available() &&
           windowSystem->getDisplay() != nullptr;
}

bool Vst2EditorWindow::attachTo(unsigned long hostWindow)
{
    if (hostWindow == 0 || !isWindowSystemAvailable())
        return false;

    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    const auto parent = static_cast<::Window>(hostWindow);

    {
        // A window id the host made up would end in an X error that Xlib turns into an exit.
        const juce::XWindowSystemUtilities::ScopedXLock xLock;
        XWindowAttributes attributes{};
        if (juce::X11Symbols::getInstance()->xGetWindowAttributes(display, parent, &attributes) ==
            0)
            return false;
    }

    setVisible(false);
    addToDesktop(0, reinterpret_cast<void*>(hostWindow));

    const auto window = reinterpret_cast<::Window>(getWindowHandle());
    if (window == 0)
        return false;

    {
        const juce::XWindowSystemUtilities::ScopedXLock xLock;
        juce::X11Symbols::getInstance()->xReparentWindow(display, window, parent, 0, 0);
        // The host is likely to move or resize its window right after this call; the server
        // must already know the window is its child by then.
        juce::X11Symbols::getInstance()->xFlush(display);
    }

    setVisible(true);

    const juce::XWindowSystemUtilities::ScopedXLock xLock;
    juce::X11Symbols::getInstance()->xSync(display, False);
    return true;
}

juce::Rectangle<int> Vst2EditorWindow::getEditorBounds() const
{
    return editor->getBounds().withZeroOrigin();
}

void Vst2EditorWindow::paint(juce::Graphics& g)
{
    g.fillAll(juce::Colours::black);
}

void Vst2EditorWindow::childBoundsChanged(juce::Component* child)
{
    if (child == editor.get())
        setSize(editor->getWidth(), editor->getHeight());
}

} // namespace morvane
