// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckContext.h"
#include "GroupResult.h"
#include "ValidateOptions.h"

namespace morvane::validate
{

// The one place that maps a group named on the command line to the checks that make it up.
// Thread rule: any thread; a group runs its own threads and joins them before returning.
class CheckGroups
{
public:
    static GroupResult run(Group group, const CheckContext& context);
};

} // namespace morvane::validate
