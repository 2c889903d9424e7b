// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace morvane::host
{

/** The host's side of an editor: a window on the host's own X connection for the plug-in to
    embed its editor in, and a look at what the plug-in put there.

    Thread rule: the thread that made it only. */
class HostWindow
{
public:
    struct Child
    {
        int width;
        int height;
        bool mapped;
    };

    HostWindow();
    ~HostWindow();

    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    /** False without a usable X display. */
    bool isOpen() const noexcept { return display != nullptr; }

    /** The X window id, as a host passes it at effEditOpen. */
    void* handle() const noexcept;

    std::vector<Child> children() const;

private:
    void* display = nullptr;
    unsigned long window = 0;
};

} // namespace morvane::host
