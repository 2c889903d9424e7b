// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HostedInstance.h"
#include "SignalScan.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace morvane::validate
{

/** Noise through an instance on a thread of its own, block after block, for as long as the
    object lives, so that other checks can act on the instance while audio runs, as in a host.

    Thread rule: construct, finish and destroy from one thread; the instance must be configured
    and outlive the runner. */
class AudioRunner
{
public:
    AudioRunner(HostedInstance& instanceToRun, std::uint64_t noiseSeed);
    ~AudioRunner();

    AudioRunner(const AudioRunner&) = delete;
    AudioRunner& operator=(const AudioRunner&) = delete;

    /** Stops the thread; the scan of everything it processed is complete afterwards. */
    const SignalScan& finish();

private:
    static constexpr int blockSize = 256;

    HostedInstance& instance;
    std::atomic<bool> stop{false};
    SignalScan scan;
    std::thread thread;
};

} // namespace morvane::validate
