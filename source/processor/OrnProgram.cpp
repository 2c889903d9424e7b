// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnProgram.h"

#include "processor/ParameterTable.h"

namespace morvane
{

OrnProgram::OrnProgram() noexcept
{
    for (const Parameter parameter : allParameters)
        setValue(parameter, ParameterTable::get(parameter).factoryValue);
}

} // namespace morvane
