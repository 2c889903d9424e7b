// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckGroups.h"

#include "AutomationChecks.h"
#include "CostChecks.h"
#include "EditorChecks.h"
#include "RateChecks.h"
#include "RealtimeChecks.h"
#include "SoakRun.h"
#include "StateChecks.h"

namespace morvane::validate
{

GroupResult CheckGroups::run(Group group, const CheckContext& context)
{
    switch (group)
    {
        case Group::rates:
            return RateChecks::run(context);
        case Group::automation:
            return AutomationChecks::run(context);
        case Group::state:
            return StateChecks::run(context);
        case Group::editor:
            return EditorChecks::run(context);
        case Group::cost:
            return CostChecks::run(context);
        case Group::realtime:
            return RealtimeChecks::run(context);
        case Group::soak:
            return SoakRun::run(context);
    }
    return GroupResult("unknown");
}

} // namespace morvane::validate
