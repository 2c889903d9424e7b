// libFuzzer entry for the stored-state reader: any bytes a host may hand
// over, read the way the processor reads them. Besides crashes, leaks and
// hangs (which the sanitizers and libFuzzer catch) it checks two promises and
// aborts when one is broken:
//  - what a chunk restores saves, and reads back, to the very same bytes;
//  - for every text XmlScreen lets through, the parser builds no more levels
//    and nodes than the screen counted.
#include "processor/OrnStateReader.h"
#include "processor/OrnStateWriter.h"
#include "processor/XmlScreen.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

using namespace morvane;

namespace
{
void restore(const void* data, int size, OrnProgram& program)
{
    const OrnStateReader state(data, size);
    state.applyProgram(program);
    state.applyControllerMap(program);
}

void require(bool condition, const char* promise)
{
    if (!condition)
    {
        std::fprintf(stderr, "broken promise: %s\n", promise);
        std::abort();
    }
}

void checkScreenCounts(const std::uint8_t* data, std::size_t size)
{
    if (size <= 8)
        return;
    const auto length = juce::ByteOrder::littleEndianInt(data + 4);
    const auto text = XmlScreen::decode(reinterpret_cast<const char*>(data) + 8,
                                        std::min<std::size_t>(length, size - 8));
    const auto verdict = XmlScreen::check(text);
    if (!verdict.allowed)
        return;

    const auto document = juce::parseXML(text);
    if (document == nullptr)
        return;

    int depth = 0, nodes = 0;
    std::vector<std::pair<const juce::XmlElement*, int>> pending{{document.get(), 1}};
    while (!pending.empty())
    {
        const auto [element, level] = pending.back();
        pending.pop_back();
        depth = std::max(depth, level);
        nodes += element->isTextElement() ? 1 : 1 + element->getNumAttributes();
        for (auto* child = element->getFirstChildElement(); child != nullptr;
             child = child->getNextElement())
            pending.emplace_back(child, level + 1);
    }
    require(depth <= verdict.deepestNesting + 1, "the screen saw every level");
    require(nodes <= verdict.nodes, "the screen counted every node");
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
    restore(saved.getData(), static_cast<int>(saved.getSize()), reread);
    juce::MemoryBlock savedAgain;
    OrnStateWriter::write(reread, savedAgain);
    require(saved == savedAgain, "save, restore, save gives the same bytes");

    checkScreenCounts(data, size);
    return 0;
}
