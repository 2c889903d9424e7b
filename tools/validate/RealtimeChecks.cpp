#include "RealtimeChecks.h"

#include "AudioPathMonitor.h"
#include "HostedInstance.h"
#include "StereoBlock.h"

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

namespace morvane::validate
{

namespace
{

constexpr double rates[] = {44100.0, 8000.0, 96000.0, 384000.0, 48000.0, 22050.0};
constexpr double secondsPerRate = 0.5;

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
    for (const double rate : rates)
    {
        instance.configure(rate, 512);
        const auto frames = static_cast<int>(rate * secondsPerRate);
        for (int done = 0; done < frames;)
        {
            const int n = random.between(1, block.capacity());
            block.fillNoise(random, n);
            instance.process(block.inputs(), block.outputs(), n);
            done += n;
        }
    }
    stop.store(true, std::memory_order_release);
    host.join();

    context.tally.add(instance.audioPathCounts(), instance.countedBlocks());

    const auto counts = context.tally.counts();
    if (counts.allocations > 0)
        result.fail(std::to_string(counts.allocations) + " allocations in processReplacing");
    if (counts.releases > 0)
        result.fail(std::to_string(counts.releases) + " frees in processReplacing");
    if (counts.otherLocks > 0)
        result.fail(std::to_string(counts.otherLocks) +
                    " locks of mutexes other than the callback lock in processReplacing");
    if (context.tally.blocks() > 0 && counts.callbackLocks == 0)
        result.fail("the callback lock was never seen: the check cannot tell it from others");

    std::ostringstream figures;
    figures << context.tally.blocks() << " blocks counted after the first at each rate ("
            << std::size(rates) << " rate changes with random blocks 1..8192 here while "
            << hostRequests.load() << " parameter and state requests came from another thread, "
            << "plus every block of the other groups): " << counts.allocations << " allocations, "
            << counts.releases << " frees, " << counts.otherLocks
            << " other locks; callback lock taken " << counts.callbackLocks << " times";
    result.setFigures(figures.str());
    return result;
}

} // namespace morvane::validate
