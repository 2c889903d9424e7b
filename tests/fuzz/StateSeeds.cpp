// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the fuzzer's starting corpus: chunks as the plug-in itself saves
// them, from the factory program to full controller tables and odd values.
#include "state/OrnStateWriter.h"

#include <cstdio>
#include <limits>

using namespace morvane;

namespace
{
bool writeSeed(const juce::File& directory, const juce::String& name, const OrnProgram& program)
{
    juce::MemoryBlock chunk;
    OrnStateWriter::write(program, chunk);
    return directory.getChildFile(name + ".state")
        .replaceWithData(chunk.getData(), chunk.getSize());
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: state_seeds DIRECTORY\n");
        return 2;
    }

    const juce::File directory = juce::File::getCurrentWorkingDirectory().getChildFile(argv[1]);
    if (!directory.createDirectory())
    {
        std::fprintf(stderr, "state_seeds: cannot create %s\n", argv[1]);
        return 1;
    }

    bool written = true;

    OrnProgram factory;
    written &= writeSeed(directory, "factory", factory);

    OrnProgram named;
    named.name = juce::String::fromUTF8("Hall <\"big\"> & 'wide'\n\x01\xc3\xbc\xe2\x82\xac");
    named.category = "Rooms";
    named.midiMap[7] = 3;
    named.midiMap[64] = -5;
    named.midiMap[255] = std::numeric_limits<std::int32_t>::max();
    written &= writeSeed(directory, "named", named);

    OrnProgram odd;
    odd.setValue(1, std::numeric_limits<float>::quiet_NaN());
    odd.setValue(2, std::numeric_limits<float>::infinity());
    odd.setValue(3, -0.5f);
    odd.setValue(4, 1.0e-40f);
    odd.setValue(5, std::numeric_limits<float>::max());
    written &= writeSeed(directory, "odd-values", odd);

    OrnProgram full;
    for (int controller = 1; controller < OrnProgram::midiMapSize; ++controller)
        full.midiMap[static_cast<size_t>(controller)] = controller * 7919 - 1000000;
    written &= writeSeed(directory, "full-map", full);

    return written ? 0 : 1;
}
