#include "processor/OrnProgram.h"

#include "processor/ParameterTable.h"

namespace morvane
{

OrnProgram::OrnProgram() noexcept
{
    for (int i = 0; i < numValues; ++i)
        setValue(i, ParameterTable::get(i).factoryValue);
}

} // namespace morvane
