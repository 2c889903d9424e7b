// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/OrnStateWriter.h"

#include "processor/ParameterTable.h"
#include "state/StateNumbers.h"

namespace morvane
{

namespace
{
constexpr juce::uint32 magic = 0x21324356; // "VC2!" written as a little-endian number
} // namespace

std::unique_ptr<juce::XmlElement> OrnStateWriter::createDocument(const OrnProgram& program)
{
    auto root = std::make_unique<juce::XmlElement>("orn");
    root->setAttribute("curprogram", 0);
    root->setAttribute("version", StateNumbers::formatDouble(1.0));

    auto* programs = root->createNewChildElement("programs");
    auto* element = programs->createNewChildElement("program");
    element->setAttribute("programname", program.name);
    element->setAttribute("category", program.category);
    for (int i = 0; i < OrnProgram::numValues; ++i)
        element->setAttribute(ParameterTable::get(i).attribute,
                              StateNumbers::formatDouble(static_cast<double>(program.getValue(i))));

    auto* midimap = root->createNewChildElement("midimap");
    for (int controller = 0; controller < OrnProgram::midiMapSize; ++controller)
    {
        const auto code = program.midiMap[static_cast<size_t>(controller)];
        if (code == 0)
            continue;

        auto* map = midimap->createNewChildElement("map");
        map->setAttribute("param", static_cast<int>(code));
        map->setAttribute("controllernumber", controller);
    }

    return root;
}

void OrnStateWriter::write(const OrnProgram& program, juce::MemoryBlock& dest)
{
    const auto document = createDocument(program);

    {
        juce::MemoryOutputStream out(dest, false);
        out.writeInt(static_cast<int>(magic));
        out.writeInt(0);
        document->writeTo(out, juce::XmlElement::TextFormat().singleLine().withoutHeader());
        out.writeByte(0);
    }

    const auto length = static_cast<juce::uint32>(dest.getSize() - 9);
    const auto littleEndian = juce::ByteOrder::swapIfBigEndian(length);
    dest.copyFrom(&littleEndian, 4, sizeof(littleEndian));
}

} // namespace morvane
