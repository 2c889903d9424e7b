// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/OrnStateReader.h"

#include "processor/ParameterTable.h"
#include "state/AsciiCase.h"
#include "state/StateChunkText.h"
#include "state/StateNumbers.h"
#include "state/XmlReference.h"
#include "state/XmlScanner.h"

#include <limits>
#include <optional>
#include <string_view>

namespace morvane
{

namespace
{
juce::String textOf(std::string_view value)
{
    const auto expanded = XmlReference::expand(value);
    return juce::String(juce::CharPointer_UTF8(expanded.data()),
                        juce::CharPointer_UTF8(expanded.data() + expanded.size()));
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

/** An attribute's first value; later ones with the same name are ignored. */
template <typename T>
void keepFirst(std::optional<T>& slot, const std::string_view value, T (*read)(std::string_view))
{
    if (!slot.has_value())
        slot = read(value);
}

int intOf(std::string_view value)
{
    return StateNumbers::readInt(textOf(value));
}

float floatOf(std::string_view value)
{
    return toFloat(StateNumbers::readDouble(textOf(value)));
}

/** A child of "programs" that may become the program read. */
struct ProgramCandidate
{
    bool isProgram = false;
    std::optional<juce::String> name, category;
    std::array<std::optional<float>, OrnProgram::numValues> values;

    void attribute(std::string_view attributeName, std::string_view value)
    {
        if (attributeName == "programname")
            keepFirst(name, value, textOf);
        else if (attributeName == "category")
            keepFirst(category, value, textOf);
        else
            for (std::size_t i = 0; i < values.size(); ++i)
                if (attributeName == ParameterTable::get(static_cast<int>(i)).attribute)
                    keepFirst(values[i], value, floatOf);
    }
};

/** A child of "midimap": one controller entry when its number is in range. */
struct ControllerEntry
{
    std::optional<int> controller, code;

    void attribute(std::string_view attributeName, std::string_view value)
    {
        if (attributeName == "controllernumber")
            keepFirst(controller, value, intOf);
        else if (attributeName == "param")
            keepFirst(code, value, intOf);
    }
};
} // namespace

/** Follows the scanner through the document and keeps what the state needs. */
class OrnStateReader::DocumentHandler final : public XmlScanner::Handler
{
public:
    void elementStarted(int level, std::string_view tag) override
    {
        if (level == 1)
        {
            rootIsState = AsciiCase::equal(tag, "orn");
        }
        else if (level == 2)
        {
            section = Section::other;
            if (!programsSeen && AsciiCase::equal(tag, "programs"))
            {
                programsSeen = true;
                section = Section::programs;
            }
            else if (!midimapSeen && AsciiCase::equal(tag, "midimap"))
            {
                midimapSeen = true;
                section = Section::midimap;
            }
        }
        else if (level == 3 && section == Section::programs)
        {
            programsChild(AsciiCase::equal(tag, "program"));
        }
        else if (level == 3 && section == Section::midimap)
        {
            entry = ControllerEntry{};
        }
    }

    void attributeFound(int level, std::string_view attributeName, std::string_view value) override
    {
        if (level == 1 && attributeName == "curprogram")
            keepFirst(currentProgram, value, intOf);
        else if (level == 3 && section == Section::programs && candidate != nullptr)
            candidate->attribute(attributeName, value);
        else if (level == 3 && section == Section::midimap)
            entry.attribute(attributeName, value);
    }

    void elementEnded(int level) override
    {
        if (level == 2)
            section = Section::other;
        else if (level == 3 && section == Section::programs)
            candidate = nullptr;
        else if (level == 3 && section == Section::midimap)
            keepEntry();
    }

    // Text inside "programs" counts as a child, as the framework's tree has it.
    void textFound(int level) override
    {
        if (level == 3 && section == Section::programs)
        {
            programsChild(false);
            candidate = nullptr;
        }
    }

    void finish(OrnStateReader& reader) const
    {
        if (!rootIsState)
            return;
        reader.foundStateDocument = true;

        if (programsSeen)
        {
            if (programsChildren == 0)
            {
                reader.changeMessage = false;
                return;
            }

            const int current = currentProgram.value_or(0);
            const auto& chosen = (current > 0 && current < programsChildren) ? selected : first;
            if (chosen.isProgram)
            {
                reader.hasProgram = true;
                reader.name = chosen.name.value_or("Not Saved");
                reader.category = chosen.category.value_or("No category");
                for (std::size_t i = 0; i < chosen.values.size(); ++i)
                    reader.values[i] = chosen.values[i].value_or(0.0f);
            }
            reader.reapply = true;
        }

        reader.controllerCodes = controllerCodes;
        reader.controllerNamed = controllerNamed;
    }

private:
    enum class Section
    {
        other,
        programs,
        midimap
    };

    bool rootIsState = false;
    bool programsSeen = false, midimapSeen = false;
    Section section = Section::other;
    std::optional<int> currentProgram;

    int programsChildren = 0;
    ProgramCandidate first, selected;
    ProgramCandidate* candidate = nullptr;

    ControllerEntry entry;
    std::array<std::int32_t, OrnProgram::midiMapSize> controllerCodes{};
    std::bitset<OrnProgram::midiMapSize> controllerNamed;

    // Only the first child and the one "curprogram" names can be chosen.
    void programsChild(bool isProgram)
    {
        const int index = programsChildren++;
        const int current = currentProgram.value_or(0);
        candidate = index == 0 ? &first : (current > 0 && index == current ? &selected : nullptr);
        if (candidate != nullptr)
            candidate->isProgram = isProgram;
    }

    // Document order, so the later of two entries for one controller wins.
    void keepEntry()
    {
        const int controller = entry.controller.value_or(0);
        if (controller < 1 || controller >= OrnProgram::midiMapSize)
            return;

        const auto index = static_cast<std::size_t>(controller);
        controllerCodes[index] = entry.code.value_or(0);
        controllerNamed.set(index);
    }
};

OrnStateReader::OrnStateReader(const void* data, int sizeInBytes)
{
    const StateChunkText chunk(data, sizeInBytes);
    if (!chunk.isFramed())
        return;

    DocumentHandler handler;
    if (XmlScanner::scan(chunk.text(), handler))
        handler.finish(*this);
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
