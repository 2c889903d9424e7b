#include "processor/OrnStateReader.h"

#include "processor/ParameterTable.h"
#include "processor/StateNumbers.h"
#include "processor/XmlScreen.h"

#include <algorithm>
#include <limits>

namespace morvane
{

namespace
{
constexpr juce::uint32 magic = 0x21324356; // "VC2!" read as a little-endian number

bool tagIs(const juce::XmlElement& element, const char* name) noexcept
{
    const char* tag = element.getTagName().toRawUTF8();
    for (; *tag != 0 && *name != 0; ++tag, ++name)
    {
        const char c = (*tag >= 'A' && *tag <= 'Z') ? static_cast<char>(*tag - 'A' + 'a') : *tag;
        if (c != *name)
            return false;
    }
    return *tag == *name;
}

const juce::XmlElement* firstChildTagged(const juce::XmlElement& parent, const char* name) noexcept
{
    for (auto* child = parent.getFirstChildElement(); child != nullptr;
         child = child->getNextElement())
        if (tagIs(*child, name))
            return child;
    return nullptr;
}

// Beyond the largest float by half a step or more, a value rounds to infinity;
// saying so keeps the conversion of huge doubles well defined.
float toFloat(double value) noexcept
{
    constexpr double roundsToInfinity = 0x1.ffffffp+127;
    if (value >= roundsToInfinity)
        return std::numeric_limits<float>::infinity();
    if (value <= -roundsToInfinity)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}
} // namespace

OrnStateReader::OrnStateReader(const void* data, int sizeInBytes)
{
    if (const auto document = parseChunk(data, sizeInBytes))
        read(*document);
}

std::unique_ptr<juce::XmlElement> OrnStateReader::parseChunk(const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 8)
        return {};

    const auto* bytes = static_cast<const char*>(data);
    if (juce::ByteOrder::littleEndianInt(bytes) != magic)
        return {};

    // The length is unsigned: one with the top bit set is simply larger than
    // the data, and like any such length it gives way to the bytes present.
    const juce::uint32 length = juce::ByteOrder::littleEndianInt(bytes + 4);
    if (length == 0)
        return {};

    const auto available = static_cast<juce::uint32>(sizeInBytes - 8);
    const auto text = XmlScreen::decode(bytes + 8, std::min(length, available));

    if (!XmlScreen::check(text).allowed)
        return {};

    return juce::parseXML(text);
}

void OrnStateReader::read(const juce::XmlElement& root)
{
    if (!tagIs(root, "orn"))
        return;

    foundStateDocument = true;

    if (const auto* programs = firstChildTagged(root, "programs"))
    {
        // Text inside "programs" counts as a child, as the framework's tree has it.
        const int numChildren = programs->getNumChildElements();
        if (numChildren == 0)
        {
            changeMessage = false;
            return;
        }

        const auto* chosen = programs->getFirstChildElement();
        const int current = StateNumbers::readInt(root.getStringAttribute("curprogram"));
        if (current > 0 && current < numChildren)
            chosen = programs->getChildElement(current);

        if (tagIs(*chosen, "program"))
            readProgram(*chosen);

        reapply = true;
    }

    if (const auto* midimap = firstChildTagged(root, "midimap"))
        readControllerMap(*midimap);
}

void OrnStateReader::readProgram(const juce::XmlElement& element)
{
    hasProgram = true;
    name = element.getStringAttribute("programname", "Not Saved");
    category = element.getStringAttribute("category", "No category");

    for (int i = 0; i < OrnProgram::numValues; ++i)
    {
        const auto text = element.getStringAttribute(ParameterTable::get(i).attribute);
        values[static_cast<size_t>(i)] = toFloat(StateNumbers::readDouble(text));
    }
}

void OrnStateReader::readControllerMap(const juce::XmlElement& midimap)
{
    // Document order, so the later of two entries for one controller wins.
    for (auto* child = midimap.getFirstChildElement(); child != nullptr;
         child = child->getNextElement())
    {
        const int controller = StateNumbers::readInt(child->getStringAttribute("controllernumber"));
        if (controller < 1 || controller >= OrnProgram::midiMapSize)
            continue;

        const auto index = static_cast<size_t>(controller);
        controllerCodes[index] = StateNumbers::readInt(child->getStringAttribute("param"));
        controllerNamed.set(index);
    }
}

void OrnStateReader::applyProgram(OrnProgram& program) const
{
    if (!hasProgram)
        return;

    program.name = name;
    program.category = category;
    for (int i = 0; i < OrnProgram::numValues; ++i)
        program.setValue(i, values[static_cast<size_t>(i)]);
}

void OrnStateReader::applyControllerMap(OrnProgram& program) const
{
    for (size_t i = 1; i < controllerCodes.size(); ++i)
        if (controllerNamed.test(i))
            program.midiMap[i] = controllerCodes[i];
}

} // namespace morvane
