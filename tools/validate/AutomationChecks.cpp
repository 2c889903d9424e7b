// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutomationChecks.h"

#include "HostedInstance.h"
#include "SignalScan.h"
#include "StereoBlock.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <sstream>
#include <thread>

namespace morvane::validate
{

namespace
{

constexpr double sampleRate = 48000.0;
constexpr int blockSize = 32;
constexpr double stormSeconds = 5.0;
constexpr double settleSeconds = 3.0;
constexpr double measureSeconds = 1.0;
constexpr std::uint64_t noiseSeed = 77;

int framesOf(double seconds)
{
    return static_cast<int>(sampleRate * seconds);
}

/** Noise through an instance in 32-sample blocks; only the frames after skipFrames are scanned. */
SignalScan processNoise(HostedInstance& instance, StereoBlock& block, Randomness& noise, int frames,
                        int skipFrames)
{
    SignalScan scan;
    for (int done = 0; done < frames; done += blockSize)
    {
        block.fillNoise(noise, blockSize);
        instance.process(block.inputs(), block.outputs(), blockSize);
        if (done >= skipFrames)
        {
            scan.scan(block.output(0), blockSize);
            scan.scan(block.output(1), blockSize);
        }
    }
    return scan;
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof(float)) == 0;
}

} // namespace

GroupResult AutomationChecks::run(const CheckContext& context)
{
    GroupResult result("automation");
    HostedInstance instance(context.module);
    HostedInstance reference(context.module);
    if (!instance.isOpen() || !reference.isOpen())
    {
        result.fail("the module gave no plug-in");
        return result;
    }

    const auto factory = instance.getParameters();
    const int numParameters = instance.numParameters();
    instance.configure(sampleRate, blockSize);
    reference.configure(sampleRate, blockSize);

    StereoBlock block(blockSize);
    Randomness noise(noiseSeed);

    // The audio thread asks for one round of changes per block and starts the block as soon as
    // the automation thread has begun it, so the writes land while the block is processed.
    std::atomic<std::uint64_t> requested{0};
    std::atomic<std::uint64_t> started{0};
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> events{0};

    std::thread automation(
        [&]
        {
            Randomness values(5);
            std::uint64_t round = 0;
            while (!stop.load(std::memory_order_acquire))
            {
                const auto wanted = requested.load(std::memory_order_acquire);
                if (wanted == round)
                {
                    std::this_thread::yield();
                    continue;
                }
                round = wanted;
                started.store(round, std::memory_order_release);
                for (int i = 0; i < numParameters; ++i)
                    instance.setParameter(i, values.hostileParameter());
                events.fetch_add(static_cast<std::uint64_t>(numParameters),
                                 std::memory_order_relaxed);
            }
        });

    SignalScan storm;
    const int stormBlocks = framesOf(stormSeconds) / blockSize;
    for (int b = 1; b <= stormBlocks; ++b)
    {
        requested.store(static_cast<std::uint64_t>(b), std::memory_order_release);
        while (started.load(std::memory_order_acquire) < static_cast<std::uint64_t>(b))
            std::this_thread::yield();
        block.fillNoise(noise, blockSize);
        instance.process(block.inputs(), block.outputs(), blockSize);
        storm.scan(block.output(0), blockSize);
        storm.scan(block.output(1), blockSize);
    }
    stop.store(true, std::memory_order_release);
    automation.join();

    if (storm.nonFinite() > 0)
        result.fail(std::to_string(storm.nonFinite()) + " non-finite samples of " +
                    std::to_string(storm.samples()) + " while the values were hostile");

    // Back to sane values: the instance must read them back exactly and, once the storm has
    // rung out, sound like an instance that never saw it.
    for (int i = 0; i < numParameters; ++i)
        instance.setParameter(i, factory[static_cast<std::size_t>(i)]);
    events.fetch_add(static_cast<std::uint64_t>(numParameters), std::memory_order_relaxed);

    for (int i = 0; i < numParameters; ++i)
        if (!sameBits(instance.getParameter(i), factory[static_cast<std::size_t>(i)]))
            result.fail("parameter " + std::to_string(i) + " reads back " +
                        std::to_string(instance.getParameter(i)) + " after being set to " +
                        std::to_string(factory[static_cast<std::size_t>(i)]));

    Randomness afterNoise(noiseSeed + 1);
    Randomness referenceNoise(noiseSeed + 1);
    const int frames = framesOf(settleSeconds + measureSeconds);
    const auto after = processNoise(instance, block, afterNoise, frames, framesOf(settleSeconds));
    const auto fresh =
        processNoise(reference, block, referenceNoise, frames, framesOf(settleSeconds));

    const double ratio = fresh.rms() > 0.0 ? after.rms() / fresh.rms() : 0.0;
    if (after.nonFinite() > 0)
        result.fail(std::to_string(after.nonFinite()) +
                    " non-finite samples after the values were sane again");
    if (!(ratio > 0.5 && ratio < 2.0))
        result.fail("after the storm the output level is " + std::to_string(ratio) +
                    " times that of a fresh instance (allowed 0.5..2)");

    context.tally.add(instance.audioPath());
    context.tally.add(reference.audioPath());

    std::ostringstream figures;
    figures << events.load() << " automation events (" << numParameters << " parameters every "
            << blockSize << " samples for " << stormSeconds << " s at " << sampleRate
            << " Hz, from another thread, half NaN/inf/out of range); "
            << storm.nonFinite() + after.nonFinite() << " non-finite samples; level "
            << settleSeconds << " s after sane values " << ratio << " x a fresh instance's";
    result.setFigures(figures.str());
    return result;
}

} // namespace morvane::validate
