// SPDX-License-Identifier: GPL-3.0-or-later
#include "StateChecks.h"

#include "AudioRunner.h"
#include "HostedInstance.h"
#include "SignalScan.h"
#include "StereoBlock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

namespace morvane::validate
{

namespace
{

constexpr int roundTrips = 200;
constexpr int garbageChunks = 2000;
constexpr int damagedChunks = 1000;
constexpr int concurrentRestores = 300;

using Chunk = std::vector<std::uint8_t>;
using Values = std::vector<float>;

bool sameBits(const Values& a, const Values& b)
{
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

std::string describe(const Values& values)
{
    std::ostringstream text;
    for (std::size_t i = 0; i < values.size(); ++i)
        text << (i > 0 ? " " : "") << values[i];
    return text.str();
}

/** Random values in 0..1, the ends of the range among them. */
void randomise(const HostedInstance& instance, Randomness& random)
{
    for (int i = 0; i < instance.numParameters(); ++i)
    {
        const auto pick = random.next() % 8;
        const float value = pick == 0 ? 0.0f : pick == 1 ? 1.0f : static_cast<float>(random.unit());
        instance.setParameter(i, value);
    }
}

Chunk randomBytes(Randomness& random, int length)
{
    Chunk bytes(static_cast<std::size_t>(length));
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(random.next());
    return bytes;
}

/** The chunk's framing with random text inside: the length field is right half of the time. */
Chunk framedGarbage(Randomness& random)
{
    const int length = random.between(0, 600);
    Chunk chunk = {'V', 'C', '2', '!'};
    auto declared = static_cast<std::uint32_t>(length);
    if (random.next() % 2 == 0)
        declared = static_cast<std::uint32_t>(random.next());
    for (int i = 0; i < 4; ++i)
        chunk.push_back(static_cast<std::uint8_t>(declared >> (8 * i)));
    const auto text = randomBytes(random, length);
    chunk.insert(chunk.end(), text.begin(), text.end());
    chunk.push_back(0);
    return chunk;
}

/** A valid chunk with a few bytes replaced, removed or repeated. */
Chunk damaged(const Chunk& original, Randomness& random)
{
    Chunk chunk = original;
    const int edits = random.between(1, 4);
    for (int e = 0; e < edits && !chunk.empty(); ++e)
    {
        const auto at =
            static_cast<std::size_t>(random.between(0, static_cast<int>(chunk.size()) - 1));
        switch (random.next() % 3)
        {
            case 0:
                chunk[at] = static_cast<std::uint8_t>(random.next());
                break;
            case 1:
                chunk.erase(chunk.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            default:
                chunk.insert(chunk.begin() + static_cast<std::ptrdiff_t>(at), chunk[at]);
                break;
        }
    }
    return chunk;
}

/** Where the chunk holds a decimal number: start and length. */
std::vector<std::pair<std::size_t, std::size_t>> numberRuns(const Chunk& chunk)
{
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    const auto isNumberPart = [](std::uint8_t c) { return (c >= '0' && c <= '9') || c == '.'; };
    for (std::size_t i = 0; i < chunk.size();)
    {
        std::size_t end = i;
        while (end < chunk.size() && isNumberPart(chunk[end]))
            ++end;
        if (end > i)
            runs.emplace_back(i, end - i);
        i = end > i ? end : i + 1;
    }
    return runs;
}

/** The chunk with one number replaced by a huge, negative, overflowing or not-a-number text of
    the same length; a number of n characters takes the first n kinds only. */
Chunk withNumber(const Chunk& chunk, std::pair<std::size_t, std::size_t> run, int kind)
{
    const auto [start, length] = run;
    std::string text;
    switch (kind)
    {
        case 0:
            text = std::string(length, '9');
            break;
        case 1:
            text = "-" + std::string(length - 1, '9');
            break;
        case 2:
            text = "1e" + std::string(length - 2, '9');
            break;
        default:
            text = "nan" + std::string(length - 3, ' ');
            break;
    }
    Chunk result = chunk;
    std::copy(text.begin(), text.end(), result.begin() + static_cast<std::ptrdiff_t>(start));
    return result;
}

} // namespace

GroupResult StateChecks::run(const CheckContext& context)
{
    GroupResult result("state");
    HostedInstance source(context.module);
    HostedInstance target(context.module);
    if (!source.isOpen() || !target.isOpen())
    {
        result.fail("the module gave no plug-in");
        return result;
    }

    Randomness random(11);
    int statesTried = 0;

    // Save and restore, bank and single-program chunks alike.
    for (int trip = 0; trip < roundTrips; ++trip)
    {
        const bool programOnly = trip % 2 == 1;
        randomise(source, random);
        const auto chunk = source.saveState(programOnly);
        ++statesTried;
        if (chunk.empty())
        {
            result.fail("effGetChunk gave no data");
            break;
        }
        target.restoreState(chunk, programOnly);
        if (!sameBits(target.getParameters(), source.getParameters()))
            result.fail("restored " + describe(target.getParameters()) + " instead of " +
                        describe(source.getParameters()));
        if (target.saveState(programOnly) != chunk)
            result.fail("a restored state saves differently from the chunk it came from");
    }

    // Bytes that cannot be a state: nothing may change.
    randomise(target, random);
    const auto known = target.getParameters();
    const auto knownChunk = target.saveState();
    for (int i = 0; i < garbageChunks; ++i)
    {
        const auto chunk =
            i % 2 == 0 ? randomBytes(random, random.between(1, 4096)) : framedGarbage(random);
        target.restoreState(chunk);
        ++statesTried;
        if (!sameBits(target.getParameters(), known))
        {
            result.fail("a chunk of random bytes changed the settings to " +
                        describe(target.getParameters()));
            target.restoreState(knownChunk);
        }
    }

    // Every prefix of a valid chunk: either refused whole or read whole, never half applied.
    randomise(source, random);
    const auto full = source.saveState();
    const auto fullValues = source.getParameters();
    for (std::size_t length = 0; length < full.size(); ++length)
    {
        target.restoreState(
            Chunk(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
        ++statesTried;
        const auto now = target.getParameters();
        if (sameBits(now, known))
            continue;
        if (!sameBits(now, fullValues))
            result.fail("the first " + std::to_string(length) + " of " +
                        std::to_string(full.size()) +
                        " bytes left the settings half changed: " + describe(now));
        target.restoreState(knownChunk);
    }

    // Damaged chunks may be read or refused; the plug-in must go on working either way.
    for (int i = 0; i < damagedChunks; ++i)
    {
        target.restoreState(damaged(full, random));
        ++statesTried;
    }

    // Numbers in a stored state rewritten to ones no knob can reach, each the length of the
    // original so that any framing stays right: whatever the plug-in accepts, it must still
    // sound finite.
    SignalScan hostileScan;
    int hostileChunks = 0;
    {
        target.configure(44100.0, 512);
        StereoBlock block(512);
        const auto runs = numberRuns(full);
        for (std::size_t r = 0; r < runs.size(); ++r)
            for (int kind = 0; kind < 4 && kind < static_cast<int>(runs[r].second); ++kind)
            {
                target.restoreState(withNumber(full, runs[r], kind));
                ++statesTried;
                ++hostileChunks;
                for (int b = 0; b < 8; ++b)
                {
                    block.fillNoise(random, 512);
                    target.process(block.inputs(), block.outputs(), 512);
                    hostileScan.scan(block.output(0), 512);
                    hostileScan.scan(block.output(1), 512);
                }
            }
        if (hostileScan.nonFinite() > 0 || hostileScan.peak() > 64.0f)
            result.fail("states with out-of-range numbers gave " +
                        std::to_string(hostileScan.nonFinite()) + " non-finite samples, peak " +
                        std::to_string(hostileScan.peak()));
    }

    {
        const auto after = target.saveState();
        source.restoreState(after);
        if (!after.empty() && source.saveState() != after)
            result.fail("after damaged chunks the state no longer survives a save and restore");
    }

    // Restores on a background thread while audio runs and the editor is open.
    std::vector<Chunk> states;
    std::vector<Values> stateValues;
    for (int i = 0; i < concurrentRestores; ++i)
    {
        randomise(source, random);
        states.push_back(source.saveState());
        stateValues.push_back(source.getParameters());
    }

    host::HostWindow* window =
        context.window != nullptr && context.window->isOpen() ? context.window : nullptr;
    bool editorOpen = false;
    if (window != nullptr)
    {
        vst2::ERect* rect = nullptr;
        target.dispatch(vst2::effEditGetRect, 0, 0, &rect);
        editorOpen = target.dispatch(vst2::effEditOpen, 0, 0, window->handle()) != 0;
        if (!editorOpen)
            result.fail("the editor did not open for the concurrent restores");
    }

    target.configure(44100.0, 256);
    std::atomic<bool> restoresDone{false};
    AudioRunner audio(target, 13);
    std::thread restorer(
        [&]
        {
            for (const auto& chunk : states)
            {
                target.restoreState(chunk);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            restoresDone.store(true, std::memory_order_release);
        });

    int idles = 0;
    while (!restoresDone.load(std::memory_order_acquire))
    {
        if (editorOpen)
        {
            target.dispatch(vst2::effEditIdle);
            ++idles;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    restorer.join();
    statesTried += concurrentRestores;
    for (int i = 0; i < 5 && editorOpen; ++i)
        target.dispatch(vst2::effEditIdle);
    const SignalScan& audioScan = audio.finish();
    if (editorOpen)
        target.dispatch(vst2::effEditClose);

    if (!sameBits(target.getParameters(), stateValues.back()))
        result.fail("after the background restores the settings are " +
                    describe(target.getParameters()) + ", not the last state restored (" +
                    describe(stateValues.back()) + ")");
    if (audioScan.nonFinite() > 0)
        result.fail(std::to_string(audioScan.nonFinite()) +
                    " non-finite samples while states were restored");

    context.tally.add(target.audioPath());

    std::ostringstream figures;
    figures << statesTried << " states tried (" << roundTrips << " save/restore round trips, "
            << garbageChunks << " random chunks, " << full.size() << " truncations, "
            << damagedChunks << " damaged chunks, " << hostileChunks
            << " with out-of-range numbers, " << concurrentRestores
            << " background restores during " << audioScan.samples() / 2 << " frames of audio"
            << (editorOpen ? " with the editor open, " + std::to_string(idles) + " idle calls"
                           : std::string(" without an editor (no X display)"))
            << ")";
    result.setFigures(figures.str());
    return result;
}

} // namespace morvane::validate
