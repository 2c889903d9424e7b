#pragma once

#include "RenderSource.h"

#include <vector>

namespace morvane
{

/** How fast a render source processes: stereo white noise at a given rate, in blocks of a
    given size, timed over several runs, each run from a fresh prepare().

    Only the processing is timed, with what a host does around it (copying the block in and
    out); the noise is made beforehand. The median of the runs is the figure: a run disturbed
    by the rest of the machine moves it little.

    Thread rule: one thread at a time, the source's. */
class Benchmark
{
public:
    struct Result
    {
        double sampleRate = 0.0;
        int blockSize = 0;
        double seconds = 0.0;
        std::vector<double> nsPerFrame; // one per run, in the order run
        double medianNsPerFrame = 0.0;
        /** Seconds of audio processed per second of time, from the median. */
        double realTimeFactor = 0.0;
    };

    /** The same noise every time, about -10 dBFS RMS per channel. */
    static juce::AudioBuffer<float> noise(int frames);

    static double median(std::vector<double> values);

    static Result run(RenderSource& source, double sampleRate, int blockSize, double seconds,
                      int runs);
};

} // namespace morvane
