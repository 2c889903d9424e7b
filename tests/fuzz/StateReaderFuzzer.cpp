// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the stored-state reader: any bytes a host may hand
// over, read the way the processor reads them. Besides crashes, leaks and
// hangs (which the sanitizers and libFuzzer catch) it checks two promises and
// aborts when one is broken:
//  - whatever a chunk restores, the chunk saved from it reads as a state;
//  - what a chunk restores saves, and reads back, to the very same bytes.
#include "state/OrnStateReader.h"
#include "state/OrnStateWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

using namespace morvane;

namespace
{
bool restore(const void* data, int size, OrnProgram& program)
{
    const OrnStateReader state(data, size);
    state.applyProgram(program);
    state.applyControllerMap(program);
    return state.hasStateDocument() && state.reappliesProgram();
}

void require(bool condition, const char* promise)
{
    if (!condition)
    {
        std::fprintf(stderr, "broken promise: %s\n", promise);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return 0;

    OrnProgram program;
    program.midiMap[5] = 55;
    restore(data, static_cast<int>(size), program);

    juce::MemoryBlock saved;
    OrnStateWriter::write(program, saved);

    OrnProgram reread;
    require(restore(saved.getData(), static_cast<int>(saved.getSize()), reread),
            "a saved chunk reads as a state");
    juce::MemoryBlock savedAgain;
    OrnStateWriter::write(reread, savedAgain);
    require(saved == savedAgain, "save, restore, save gives the same bytes");
    return 0;
}
