// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioRunner.h"

#include "Randomness.h"
#include "StereoBlock.h"

namespace morvane::validate
{

AudioRunner::AudioRunner(HostedInstance& instanceToRun, std::uint64_t noiseSeed)
    : instance(instanceToRun)
{
    thread = std::thread(
        [this, noiseSeed]
        {
            StereoBlock block(blockSize);
            Randomness noise(noiseSeed);
            while (!stop.load(std::memory_order_acquire))
            {
                block.fillNoise(noise, blockSize);
                instance.process(block.inputs(), block.outputs(), blockSize);
                scan.scan(block.output(0), blockSize);
                scan.scan(block.output(1), blockSize);
            }
        });
}

AudioRunner::~AudioRunner()
{
    finish();
}

const SignalScan& AudioRunner::finish()
{
    stop.store(true, std::memory_order_release);
    if (thread.joinable())
        thread.join();
    return scan;
}

} // namespace morvane::validate
