// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoakRun.h"

#include "HostedInstance.h"
#include "SignalScan.h"
#include "StereoBlock.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace morvane::validate
{

namespace
{

constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;
// Growth allowed between the end of the warm-up and the end of a phase.
constexpr std::uint64_t allowedGrowth = 8u << 20;

using Clock = std::chrono::steady_clock;

struct WorkerFigures
{
    std::uint64_t frames = 0;
    std::uint64_t automations = 0;
    std::uint64_t restores = 0;
    std::uint64_t nonFinite = 0;
    bool opened = false;
    AudioPathMonitor::Record audioPath;
};

/** Instances stay open until the resident size at the end has been read. */
struct EndOfPhase
{
    std::atomic<int> finished{0};
    std::atomic<bool> measured{false};

    void finish()
    {
        finished.fetch_add(1, std::memory_order_acq_rel);
        while (!measured.load(std::memory_order_acquire))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

void work(const host::Module& module, Clock::time_point deadline, std::uint64_t seed,
          EndOfPhase& end, WorkerFigures& figures)
{
    HostedInstance instance(module);
    if (!instance.isOpen())
    {
        end.finish();
        return;
    }
    figures.opened = true;
    instance.configure(sampleRate, blockSize);

    StereoBlock block(blockSize);
    Randomness random(seed);
    SignalScan scan;
    const auto blocksPerSecond = static_cast<std::uint64_t>(sampleRate) / blockSize;
    std::uint64_t blocks = 0;

    while (Clock::now() < deadline)
    {
        instance.setParameter(random.between(0, instance.numParameters() - 1),
                              random.next() % 16 == 0 ? random.hostileParameter()
                                                      : static_cast<float>(random.unit()));
        ++figures.automations;

        block.fillNoise(random, blockSize);
        instance.process(block.inputs(), block.outputs(), blockSize);
        scan.scan(block.output(0), blockSize);
        scan.scan(block.output(1), blockSize);

        if (++blocks % blocksPerSecond == 0)
        {
            instance.restoreState(instance.saveState());
            ++figures.restores;
        }
    }
    figures.frames = scan.samples() / 2;
    figures.nonFinite = scan.nonFinite();
    figures.audioPath = instance.audioPath();
    end.finish();
}

std::string mebibytes(std::uint64_t bytes)
{
    std::ostringstream text;
    text.precision(1);
    text << std::fixed << static_cast<double>(bytes) / (1024.0 * 1024.0) << " MiB";
    return text.str();
}

/** One phase: `count` instances on threads for `minutes`; the resident size is read once the
    first tenth (at most ten seconds) has passed, and again at the end. */
std::string phase(const CheckContext& context, int count, double minutes, GroupResult& result)
{
    const auto start = Clock::now();
    const auto length =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(minutes * 60.0));
    const auto deadline = start + length;
    const auto warmUp = std::min<Clock::duration>(length / 10, std::chrono::seconds(10));

    std::vector<WorkerFigures> figures(static_cast<std::size_t>(count));
    EndOfPhase end;
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i)
        threads.emplace_back(work, std::cref(context.module), deadline,
                             static_cast<std::uint64_t>(100 + i), std::ref(end),
                             std::ref(figures[static_cast<std::size_t>(i)]));

    std::this_thread::sleep_until(start + warmUp);
    const auto residentStart = SoakRun::residentBytes();
    while (end.finished.load(std::memory_order_acquire) < count)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto residentEnd = SoakRun::residentBytes();
    end.measured.store(true, std::memory_order_release);
    for (auto& thread : threads)
        thread.join();

    WorkerFigures total;
    int opened = 0;
    for (const auto& f : figures)
    {
        total.frames += f.frames;
        total.automations += f.automations;
        total.restores += f.restores;
        total.nonFinite += f.nonFinite;
        opened += f.opened ? 1 : 0;
        context.tally.add(f.audioPath);
    }

    const std::string label = std::to_string(count) + (count == 1 ? " instance" : " instances");
    if (opened != count)
        result.fail(label + ": only " + std::to_string(opened) + " opened");
    if (total.nonFinite > 0)
        result.fail(label + ": " + std::to_string(total.nonFinite) + " non-finite samples");
    if (residentEnd > residentStart + allowedGrowth)
        result.fail(label + ": resident size grew from " + mebibytes(residentStart) + " to " +
                    mebibytes(residentEnd));

    std::ostringstream text;
    text << label << " for " << minutes << " min: " << total.frames << " frames, "
         << total.automations << " automation events, " << total.restores
         << " state saves+restores, resident " << mebibytes(residentStart) << " after warm-up, "
         << mebibytes(residentEnd) << " at the end";
    return text.str();
}

} // namespace

std::uint64_t SoakRun::residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    if (!(statm >> size >> resident))
        return 0;
    return resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

GroupResult SoakRun::run(const CheckContext& context)
{
    GroupResult result("soak");
    const double minutes = context.options.soakMinutes;
    const auto single = phase(context, 1, minutes, result);
    const auto many = phase(context, context.options.instances, minutes, result);
    result.setFigures(single + "; " + many);
    return result;
}

} // namespace morvane::validate
