// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/HostWindow.h"

#include <X11/Xlib.h>

namespace morvane::host
{

namespace
{

Display* asDisplay(void* display)
{
    return static_cast<Display*>(display);
}

} // namespace

HostWindow::HostWindow()
{
    Display* connection = XOpenDisplay(nullptr);
    if (connection == nullptr)
        return;
    const int screen = DefaultScreen(connection);
    window = XCreateSimpleWindow(connection, RootWindow(connection, screen), 0, 0, 640, 480, 0,
                                 BlackPixel(connection, screen), BlackPixel(connection, screen));
    XMapWindow(connection, window);
    XSync(connection, False);
    display = connection;
}

HostWindow::~HostWindow()
{
    if (display == nullptr)
        return;
    XDestroyWindow(asDisplay(display), window);
    XCloseDisplay(asDisplay(display));
}

void* HostWindow::handle() const noexcept
{
    return reinterpret_cast<void*>(window);
}

std::vector<HostWindow::Child> HostWindow::children() const
{
    std::vector<Child> result;
    if (display == nullptr)
        return result;

    XSync(asDisplay(display), False);
    Window root = 0, parent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    if (XQueryTree(asDisplay(display), window, &root, &parent, &list, &count) == 0)
        return result;
    for (unsigned int i = 0; i < count; ++i)
    {
        XWindowAttributes attributes{};
        XGetWindowAttributes(asDisplay(display), list[i], &attributes);
        result.push_back({attributes.width, attributes.height, attributes.map_state != IsUnmapped});
    }
    if (list != nullptr)
        XFree(list);
    return result;
}

} // namespace morvane::host
