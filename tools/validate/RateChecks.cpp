// SPDX-License-Identifier: GPL-3.0-or-later
#include "RateChecks.h"

#include "HostedInstance.h"
#include "SignalScan.h"
#include "StereoBlock.h"
#include "TailSettings.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>

namespace morvane::validate
{

namespace
{

constexpr double rates[] = {8000,  11025, 22050,  44056,  44100, 48000,
                            88200, 96000, 176400, 192000, 384000};
constexpr int blockSizes[] = {1, 2, 3, 64, 511, 512, 4096, 8192};
// Longer than both the announced block and the module's largest piece.
constexpr int largestRandomBlock = 10000;
constexpr int silenceBlock = 512;
// Anything louder from noise of peak 0.5 means the feedback has run away.
constexpr float loudestSane = 64.0f;

enum class Input
{
    noise,
    silence
};

/** Noise processed in place, output pointers equal to the input pointers, as many hosts do. */
void processInPlace(HostedInstance& instance, StereoBlock& block, Randomness& random, int frames,
                    SignalScan& scan)
{
    for (int done = 0; done < frames;)
    {
        const int n = std::min(random.between(1, block.capacity()), frames - done);
        block.fillNoise(random, n);
        instance.process(block.inputs(), block.inputs(), n);
        scan.scan(block.input(0), n);
        scan.scan(block.input(1), n);
        done += n;
    }
}

/** Processes frames in blocks of blockSize (or random sizes when it is 0) and scans the output.
    Unwritten output shows as NaN. */
void processStretch(HostedInstance& instance, StereoBlock& block, Randomness& random, int frames,
                    int blockSize, Input input, SignalScan& scan)
{
    for (int done = 0; done < frames;)
    {
        const int wanted = blockSize > 0 ? blockSize : random.between(1, block.capacity());
        const int n = std::min(wanted, frames - done);
        if (input == Input::noise)
            block.fillNoise(random, n);
        else
            block.fillSilence(n);
        block.poisonOutputs(n);
        instance.process(block.inputs(), block.outputs(), n);
        scan.scan(block.output(0), n);
        scan.scan(block.output(1), n);
        done += n;
    }
}

std::string rateText(double rate)
{
    std::ostringstream text;
    text << rate << " Hz";
    return text.str();
}

} // namespace

GroupResult RateChecks::run(const CheckContext& context)
{
    GroupResult result("rates and blocks");
    HostedInstance instance(context.module);
    if (!instance.isOpen())
    {
        result.fail("the module gave no plug-in");
        return result;
    }

    const auto factory = instance.getParameters();
    StereoBlock block(largestRandomBlock);
    Randomness random(1);
    SignalScan everything;
    SignalScan silences;
    std::uint64_t randomBlocks = 0;
    std::uint64_t switches = 0;

    // A host that processes before it ever resumes the plug-in.
    {
        SignalScan scan;
        processStretch(instance, block, random, 44100, 512, Input::noise, scan);
        if (scan.nonFinite() > 0 || scan.rms() == 0.0)
            result.fail("processing without a resume gave " + std::to_string(scan.nonFinite()) +
                        " non-finite samples, level " + std::to_string(scan.rms()));
        everything += scan;
    }

    for (const double rate : rates)
    {
        for (int i = 0; i < static_cast<int>(factory.size()); ++i)
            instance.setParameter(i, factory[static_cast<std::size_t>(i)]);

        for (const int size : blockSizes)
        {
            instance.configure(rate, size);
            SignalScan scan;
            const int frames = std::max(3 * size, static_cast<int>(rate * 0.05));
            processStretch(instance, block, random, frames, size, Input::noise, scan);
            if (scan.nonFinite() > 0 || scan.subnormal() > 0 || scan.peak() > loudestSane)
                result.fail(rateText(rate) + ", blocks of " + std::to_string(size) + ": " +
                            std::to_string(scan.nonFinite()) + " non-finite, " +
                            std::to_string(scan.subnormal()) + " subnormal, peak " +
                            std::to_string(scan.peak()));
            everything += scan;
        }

        {
            instance.configure(rate, 512);
            SignalScan scan;
            const auto before = instance.countedBlocks();
            processStretch(instance, block, random, static_cast<int>(rate * 0.25), 0, Input::noise,
                           scan);
            randomBlocks += instance.countedBlocks() - before;
            SignalScan inPlace;
            processInPlace(instance, block, random, static_cast<int>(rate * 0.1), inPlace);
            if (scan.nonFinite() > 0 || scan.subnormal() > 0 || scan.peak() > loudestSane)
                result.fail(rateText(rate) +
                            ", random blocks: " + std::to_string(scan.nonFinite()) +
                            " non-finite, " + std::to_string(scan.subnormal()) + " subnormal");
            if (inPlace.nonFinite() > 0 || inPlace.subnormal() > 0 ||
                inPlace.peak() > loudestSane || inPlace.rms() == 0.0)
                result.fail(rateText(rate) + ", in place: " + std::to_string(inPlace.nonFinite()) +
                            " non-finite, " + std::to_string(inPlace.subnormal()) +
                            " subnormal, level " + std::to_string(inPlace.rms()));
            everything += scan;
            everything += inPlace;
        }

        // Noise, then silence; in the first blocks of silence On / Off flips at offset 0, 1,
        // 2, ... of the block, an even number of times so that the tail rings on afterwards.
        {
            instance.configure(rate, silenceBlock);
            TailSettings::applyLongest(instance);
            SignalScan noise;
            processStretch(instance, block, random, static_cast<int>(rate), silenceBlock,
                           Input::noise, noise);
            everything += noise;

            SignalScan silence;
            const auto silenceFrames =
                static_cast<std::int64_t>(std::llround(rate * context.options.silenceSeconds));
            std::int64_t done = 0;
            float onOff = 1.0f;
            for (int offset = 0; offset < silenceBlock && done + silenceBlock <= silenceFrames;
                 ++offset)
            {
                processStretch(instance, block, random, offset, silenceBlock, Input::silence,
                               silence);
                onOff = 1.0f - onOff;
                instance.setParameter(0, onOff);
                ++switches;
                processStretch(instance, block, random, silenceBlock - offset, silenceBlock,
                               Input::silence, silence);
                done += silenceBlock;
            }
            if (onOff != 1.0f)
            {
                instance.setParameter(0, 1.0f);
                ++switches;
            }
            while (done < silenceFrames)
            {
                const auto n = static_cast<int>(
                    std::min<std::int64_t>(silenceFrames - done, 64 * silenceBlock));
                processStretch(instance, block, random, n, silenceBlock, Input::silence, silence);
                done += n;
            }
            if (silence.nonFinite() > 0 || silence.subnormal() > 0)
                result.fail(rateText(rate) +
                            ", silence after noise: " + std::to_string(silence.nonFinite()) +
                            " non-finite, " + std::to_string(silence.subnormal()) +
                            " subnormal of " + std::to_string(silence.samples()) + " samples");
            silences += silence;
        }
    }

    if (everything.rms() == 0.0)
        result.fail("the output was silent throughout: the plug-in never processed");

    context.tally.add(instance.audioPath());

    std::ostringstream figures;
    figures << std::size(rates) << " rates (8000, 11025, 22050, 44056, 44100, 48000, 88200, "
            << "96000, 176400, 192000, 384000 Hz) x blocks of 1, 2, 3, 64, 511, 512, 4096, "
            << "8192 and " << randomBlocks << " random sizes 1.." << largestRandomBlock
            << " (some in place, some before any resume)"
            << "; " << (everything.samples() + silences.samples()) / 2 << " frames; "
            << context.options.silenceSeconds << " s of silence after 1 s of noise at every "
            << "rate with On / Off switched " << switches << " times at offsets 0.."
            << silenceBlock - 1 << "; " << everything.nonFinite() + silences.nonFinite()
            << " non-finite, " << everything.subnormal() + silences.subnormal()
            << " subnormal samples";
    result.setFigures(figures.str());
    return result;
}

} // namespace morvane::validate
