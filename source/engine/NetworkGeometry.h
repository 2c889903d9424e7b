// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvane
{

// The shape of the reverberation network, in one place: both engines are built from it and the
// tail figure is worked out from it. Times are in milliseconds, gains are linear factors.
//
// The helpers the vector kernels also call are always inlined: a kernel is compiled for its own
// instruction set, and an out-of-line copy made there could be the one the linker keeps for every
// other caller.
// Thread rule: any thread; everything here is constant or a pure function.
class NetworkGeometry
{
public:
    static constexpr int linesPerChannel = 4;
    static constexpr int allPassSections = 5;
    static constexpr int numBaseTimes = 8;

    // Both channels feed one mono network; the quarter gain sets the reverb's level against the
    // dry signal.
    static constexpr float inputGain = 0.25f;

    // The pre-delay line holds up to one second.
    static constexpr float preDelayMs = 1000.0f;

    // Each left/right pair of lines differs by 0.8 %, the longer side alternating from pair to
    // pair (left for lines 0 and 2), so neither channel is consistently the larger room.
    static constexpr float lineStagger = 1.008f;

    // Size sets the feedback gain and the loop delay together, so bigger rooms ring longer; the
    // gain stays below 0.98, which keeps the loops stable.
    static constexpr double feedbackPerSize = 0.98;

    // The oscillators swing each line's read point over up to 1.4 % of the line, and add a noise
    // of this much to their own output.
    static constexpr double modulationDepth = 0.014;
    static constexpr float lfoNoiseAmount = 0.000001f;

    // The diffusers are far shorter than the lines (about a tenth of T3..T7), the left chain 5 %
    // longer than the right one to decorrelate the channels.
    static constexpr float allPassGain = 0.68f;
    static constexpr float leftAllPassScale = 0.105f;
    static constexpr float rightAllPassScale = 0.1f;

    // T0..T7: one ninth of an octave apart, below 82 ms. T0..T3 set the feedback lines and T3..T7
    // the all-pass sections.
    static float baseTimeMs(int k) noexcept;

    // Channel 0 is left, 1 right.
    static float lineTimeMs(int channel, int line) noexcept;
    static float allPassTimeMs(int channel, int section) noexcept;

    // The feedback gain for a shaped Size setting, 0 to 0.98.
    [[gnu::always_inline]] static inline float feedbackGain(double sizeSetting) noexcept
    {
        return static_cast<float>(sizeSetting * feedbackPerSize);
    }

    // The pre-delay's read distance for a shaped Delay setting: 1 sample at 0 up to length - 1 at
    // 1, never 0, so the read always comes before the write of the same sample.
    [[gnu::always_inline]] static inline int preDelaySamples(double delaySetting,
                                                             int preDelayLength) noexcept
    {
        const double span = static_cast<double>(preDelayLength - 2);
        return static_cast<int>(static_cast<float>(delaySetting * span + 1.0));
    }
};

// The engines run the modulation in single precision; the tail figure uses the exact depth.
static_assert(static_cast<float>(NetworkGeometry::modulationDepth) == 0.014f);

} // namespace morvane
