// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckContext.h"

namespace morvane::validate
{

/** The editor as hosts treat it: opened and closed a hundred times in a row, opened while audio
    runs, while the plug-in is suspended and at a sample rate of 0, and kept open through a
    storm of parameter changes from another thread, which it must follow without echoing any
    of them back to the host. After every open the host's window holds exactly the editor, and
    after every close nothing.

    Thread rule: runs on the calling thread, which acts as the host's interface thread, with an
    audio thread and a parameter thread of its own. */
class EditorChecks
{
public:
    static GroupResult run(const CheckContext& context);
};

} // namespace morvane::validate
