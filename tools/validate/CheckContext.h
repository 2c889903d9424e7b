// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GroupResult.h"
#include "ValidateOptions.h"
#include "host/HostWindow.h"
#include "host/Module.h"

namespace morvane::validate
{

/** What every check group is handed: the loaded module, the run's options and the tally of the
    audio path that the real-time line reports.

    Thread rule: the references stay valid for the whole run; the tally is thread-safe. */
struct CheckContext
{
    const host::Module& module;
    const ValidateOptions& options;
    AudioPathTally& tally;
    /** The run's one host window (an X server may restart between clients), or null when the
        run needs none; check isOpen() before use. Main thread only. */
    host::HostWindow* window;
};

} // namespace morvane::validate
