// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealtimeChecks.h"

#include "AudioPathMonitor.h"
#include "HostedInstance.h"
#include "SignalScan.h"
#include "StereoBlock.h"

#include <atomic>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>

namespace morvane::validate
{

namespace
{

constexpr double rates[] = {44100.0, 8000.0, 96000.0, 384000.0, 48000.0, 22050.0};
constexpr double secondsPerRate = 0.5;
// Rates a careless host goes on processing at without a resume: the plug-in learns of them in the
// block and may build what they need there, which is reported but not held against it.
constexpr double unannouncedRates[] = {88200.0, 32000.0};
constexpr double secondsPerUnannouncedRate = 0.1;

std::string describe(const AudioPathMonitor::Counts& counts)
{
    return std::to_string(counts.allocations) + " allocations, " + std::to_string(counts.releases) +
           " frees, " + std::to_string(counts.otherLocks) + " other locks";
}

} // namespace

GroupResult RealtimeChecks::run(const CheckContext& context)
{
    GroupResult result("real-time safety");
    if (!AudioPathMonitor::isAvailable())
    {
        result.skip("allocations and locks are not counted in sanitizer builds, whose runtime "
                    "owns the allocator");
        return result;
    }

    HostedInstance instance(context.module);
    if (!instance.isOpen())
    {
        result.fail("the module gave no plug-in");
        return result;
    }

    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> hostRequests{0};
    std::thread host(
        [&]
        {
            Randomness values(31);
            while (!stop.load(std::memory_order_acquire))
            {
                for (int i = 0; i < instance.numParameters(); ++i)
                    instance.setParameter(i, values.hostileParameter());
                instance.restoreState(instance.saveState());
                hostRequests.fetch_add(static_cast<std::uint64_t>(instance.numParameters()) + 2,
                                       std::memory_order_relaxed);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });

    StereoBlock block(8192);
    Randomness random(37);
    const auto processNoise = [&](double seconds)
    {
        SignalScan scan;
        const auto frames = static_cast<int>(instance.sampleRate() * seconds);
        for (int done = 0; done < frames;)
        {
            const int n = random.between(1, block.capacity());
            block.fillNoise(random, n);
            instance.process(block.inputs(), block.outputs(), n);
            scan.scan(block.output(0), n);
            scan.scan(block.output(1), n);
            done += n;
        }
        return scan;
    };
    for (const double rate : rates)
    {
        instance.configure(rate, 512);
        processNoise(secondsPerRate);
    }
    SignalScan unannouncedOutput;
    for (const double rate : unannouncedRates)
    {
        instance.changeRateUnannounced(rate);
        unannouncedOutput += processNoise(secondsPerUnannouncedRate);
    }
    stop.store(true, std::memory_order_release);
    host.join();

    context.tally.add(instance.audioPath());
    if (unannouncedOutput.nonFinite() > 0 || !(unannouncedOutput.rms() > 0.0))
        result.fail(
            "processing at a rate never announced gave " +
            (unannouncedOutput.nonFinite() > 0 ? "non-finite samples" : std::string("silence")));

    const auto all = context.tally.record();
    const auto& counts = all.counts;
    if (counts.allocations > 0)
        result.fail(std::to_string(counts.allocations) + " allocations in processReplacing");
    if (counts.releases > 0)
        result.fail(std::to_string(counts.releases) + " frees in processReplacing");
    if (counts.otherLocks > 0)
        result.fail(std::to_string(counts.otherLocks) +
                    " locks of mutexes other than the callback lock in processReplacing");
    if (all.blocks > 0 && counts.callbackLocks == 0)
        result.fail("the callback lock was never seen: the check cannot tell it from others");

    std::ostringstream figures;
    figures << all.blocks << " blocks counted, " << all.firstBlocks
            << " of them the first at an announced rate (" << std::size(rates)
            << " announced rates with random blocks 1..8192 here while " << hostRequests.load()
            << " parameter and state requests came from another thread, plus every block of the "
            << "other groups): " << describe(counts) << "; callback lock taken "
            << counts.callbackLocks << " times. First blocks at " << all.unannouncedBlocks
            << " rates never announced, where building is allowed: "
            << describe(all.unannouncedCounts);
    result.setFigures(figures.str());
    return result;
}

} // namespace morvane::validate
