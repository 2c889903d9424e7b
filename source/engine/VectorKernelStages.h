// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The vector engine's per-sample work in stages, included once by each kernel file after its
// instruction set's primitives (Floats, Ints, Words, loadLanes, storeLanes, atLeast, atMost,
// below, equal, advance, broadcast, select, toFloats, truncate, anyLane, readPairs, transpose)
// and compiled there for that set only. Every operation is the one the scalar engine performs,
// in the same order, precision and operand order, so all kernels match it bit for bit (the files
// are built without contraction into fused multiply-adds). Everything here has internal linkage,
// for the reason the primitives headers give.
// Thread rule: audio thread only, on the state of the engine being processed.

#include "engine/NetworkGeometry.h"
#include "engine/VectorEngineState.h"

#include <cstdint>

#ifndef MORVANE_VECTOR_KERNEL
#error "define MORVANE_VECTOR_KERNEL to the name of the kernel before including this file"
#endif

namespace morvane
{

namespace
{

constexpr int lanes = VectorEngineState::lanes;

// The oscillators' generator output scaled into 0..1, as seedToUnit does.
inline Floats unitOf(Words seed) noexcept
{
    constexpr float twoToMinus31 = 4.656612873077392578125e-10f;
    return toFloats(reinterpret_cast<Ints>(seed & 0x7FFFFFFFu)) * twoToMinus31;
}

// Stage 1: the mono sum, the pre-delay and the two input filters, which every lane shares.
struct InputStage
{
    float* preDelay;
    int length;
    int write;
    int distance;
    TwoPoleLowPass lowPass;
    TwoPoleLowPass highPass;

    InputStage(const VectorEngineState& state, const EngineBlockSettings& settings) noexcept
        : preDelay(state.preDelay), length(state.preDelayLength), write(state.preDelayWrite),
          distance(NetworkGeometry::preDelaySamples(settings.delay, state.preDelayLength)),
          lowPass(state.lowPass), highPass(state.highPass)
    {
        lowPass.follow(settings.lowPass);
        highPass.follow(settings.highPass);
    }

    // The loop runs on local copies: the float stores into the pre-delay and the input could
    // otherwise alias the filters' members and force them through memory on every sample.
    void run(const float* left, const float* right, float* input, int count) noexcept
    {
        float* const line = preDelay;
        const int size = length;
        const int readDistance = distance;
        int position = write;
        TwoPoleLowPass low = lowPass;
        TwoPoleLowPass high = highPass;
        for (int n = 0; n < count; ++n)
        {
            const float mono = (left[n] + right[n]) * NetworkGeometry::inputGain;

            int readPosition = position - readDistance;
            if (readPosition < 0)
                readPosition += size;
            const float delayed = line[readPosition];
            line[position] = mono;
            if (++position == size)
                position = 0;

            const float lowPassed = low.step(delayed);
            input[n] = lowPassed - high.step(lowPassed);
        }
        write = position;
        lowPass = low;
        highPass = high;
    }

    void storeTo(VectorEngineState& state) const noexcept
    {
        state.preDelayWrite = write;
        state.lowPass = lowPass;
        state.highPass = highPass;
    }
};

// The feedback lines' writes, made late: lane j of frame m writes t x feedback + input, with
// t = reads[8 m + j], at the lane's next write position. Frames before `written` have gone out.
// Writing a line's last slot also refreshes the copy kept in front of its first.
struct LateWrites
{
    float* lines;
    const std::int32_t* base;
    const std::int32_t* length;
    const float* reads;
    const float* input;
    float feedback;
    int written = 0;
    alignas(32) std::int32_t at[lanes] = {};

    LateWrites(const VectorEngineState& state, const float* lineReads, const float* lineInput,
               float lineFeedback) noexcept
        : lines(state.lines), base(state.lineBase), length(state.lineLength), reads(lineReads),
          input(lineInput), feedback(lineFeedback)
    {
    }

    // A new chunk, whose first write goes to `positions`.
    void start(Ints positions) noexcept
    {
        written = 0;
        storeLanes(at, positions);
    }

    void writeLane(int lane, int from, int to) noexcept
    {
        float* const line = lines + base[lane];
        const std::int32_t size = length[lane];
        std::int32_t position = at[lane];
        for (int m = from; m < to; ++m)
        {
            line[position] = reads[lanes * m + lane] * feedback + input[m];
            if (++position == size)
            {
                line[-1] = line[size - 1];
                position = 0;
            }
        }
        at[lane] = position;
    }

    void catchUp(int to) noexcept
    {
        for (int lane = 0; lane < lanes; ++lane)
            writeLane(lane, written, to);
        written = to;
    }

    // Frames g..g + 7 of every lane, from the columns of their reads: one store of eight slots
    // per line, unless the run would pass the end of the line.
    void writeGroup(int g, const Floats* column) noexcept
    {
        const Floats in = loadLanes<Floats>(input + g);
        for (int lane = 0; lane < lanes; ++lane)
        {
            const std::int32_t size = length[lane];
            std::int32_t& position = at[lane];
            if (position + 8 > size)
            {
                writeLane(lane, g, g + 8);
                continue;
            }
            float* const line = lines + base[lane];
            const Floats values = column[lane] * feedback + in;
            storeLanes(line + position, values);
            position += 8;
            if (position == size)
            {
                line[-1] = values[7];
                position = 0;
            }
        }
        written = g + 8;
    }
};

// Stage 2: the oscillators and the interpolated reads of all eight lines, one lane per line.
struct LineStage
{
    Words seed;
    Floats position;
    Floats step;
    Floats smoothed;
    Floats smoothing;
    Floats smoothingNorm;
    Floats noiseAmount;
    Ints lineBase;
    Ints lineLength;
    Ints writePosition;
    Floats span;
    Floats interpolation;

    explicit LineStage(const VectorEngineState& state) noexcept
        : seed(loadLanes<Words>(state.seed)), position(loadLanes<Floats>(state.position)),
          step(loadLanes<Floats>(state.step)), smoothed(loadLanes<Floats>(state.smoothed)),
          smoothing(loadLanes<Floats>(state.smoothing)),
          smoothingNorm(loadLanes<Floats>(state.smoothingNorm)),
          noiseAmount(loadLanes<Floats>(state.noiseAmount)),
          lineBase(loadLanes<Ints>(state.lineBase)), lineLength(loadLanes<Ints>(state.lineLength)),
          writePosition(loadLanes<Ints>(state.writePosition)), span(loadLanes<Floats>(state.span)),
          interpolation(loadLanes<Floats>(state.interpolation))
    {
    }

    // One tick of every oscillator. A turn is rare (every 22188 samples or more per lane), so
    // the division for the new slope is skipped while no lane turns. Both tests look at the
    // position before this tick's update; at most one of them holds in any lane.
    Floats tick() noexcept
    {
        const Ints falling = atLeast(position, 1.0f);
        const Ints rising = atMost(position, 0.0f);
        const Ints turning = falling | rising;
        if (anyLane(turning))
        {
            seed = select(turning, advance(seed), seed);
            const Floats ramp = toFloats(22188 + truncate(22768.0f * unitOf(seed)));
            step = select(falling, -1.0f / ramp, select(rising, 1.0f / ramp, step));
        }
        seed = advance(seed);
        position = position + step;
        smoothed = (smoothing * smoothed + position) * smoothingNorm;
        return smoothed + unitOf(seed) * noiseAmount;
    }

    // The reads of `count` frames into `reads` (eight per frame). Their writes wait in `writes`
    // until eight frames of each line can be stored at once, as long as no read reaches a slot
    // whose write is still waiting: frame n reads the slots written whole and whole + 1 frames
    // before, so the waiting writes go out first whenever a lane's whole part is not above the
    // number waiting.
    void run(LateWrites& writes, float* reads, int count) noexcept
    {
        constexpr float depth = static_cast<float>(NetworkGeometry::modulationDepth);
        const float feedback = writes.feedback;
        for (int n = 0; n < count; ++n)
        {
            const Floats u = tick();
            const Floats delay = span * (u * depth + feedback) + 1.0f;
            const Ints whole = truncate(delay);
            const Floats fraction = delay - toFloats(whole);
            const Floats eta = 1.0f - fraction;

            if (anyLane(below(whole, broadcast(n - writes.written + 1))))
                writes.catchUp(n);

            Ints current = writePosition - whole;
            current += below(current, Ints{}) & lineLength;
            alignas(32) std::int32_t readAt[lanes];
            storeLanes(readAt, lineBase + current);
            Floats a;
            Floats b;
            readPairs(writes.lines, readAt, a, b);
            const Floats t = (eta * a + b) - eta * interpolation;
            interpolation = t;
            storeLanes(reads + lanes * n, t);

            writePosition = writePosition + 1;
            writePosition = ~equal(writePosition, lineLength) & writePosition;
        }
    }

    void storeTo(VectorEngineState& state) const noexcept
    {
        storeLanes(state.seed, seed);
        storeLanes(state.position, position);
        storeLanes(state.step, step);
        storeLanes(state.smoothed, smoothed);
        storeLanes(state.writePosition, writePosition);
        storeLanes(state.interpolation, interpolation);
    }
};

// Stage 3: each side's four line outputs summed with alternating signs, in the scalar order, and
// the waiting writes sent out, eight frames at a time where a whole group is left.
inline void sumLines(LateWrites& writes, float* sumLeft, float* sumRight, int count) noexcept
{
    const float* const reads = writes.reads;
    int g = 0;
    for (; g + 8 <= count; g += 8)
    {
        Floats column[lanes];
        transpose(reads + lanes * g, column);

        Floats sumL = 0.0f + column[0] * 1.0f;
        sumL = sumL + column[2] * -1.0f;
        sumL = sumL + column[4] * 1.0f;
        sumL = sumL + column[6] * -1.0f;
        Floats sumR = 0.0f + column[1] * 1.0f;
        sumR = sumR + column[3] * -1.0f;
        sumR = sumR + column[5] * 1.0f;
        sumR = sumR + column[7] * -1.0f;
        storeLanes(sumLeft + g, sumL);
        storeLanes(sumRight + g, sumR);

        if (g + 8 <= writes.written)
            continue;
        if (g < writes.written)
            writes.catchUp(g + 8);
        else
            writes.writeGroup(g, column);
    }
    for (int m = g; m < count; ++m)
    {
        const float* const t = reads + lanes * m;
        float sumL = 0.0f;
        sumL = sumL + t[0] * 1.0f;
        sumL = sumL + t[2] * -1.0f;
        sumL = sumL + t[4] * 1.0f;
        sumL = sumL + t[6] * -1.0f;
        float sumR = 0.0f;
        sumR = sumR + t[1] * 1.0f;
        sumR = sumR + t[3] * -1.0f;
        sumR = sumR + t[5] * 1.0f;
        sumR = sumR + t[7] * -1.0f;
        sumLeft[m] = sumL;
        sumRight[m] = sumR;
    }
    writes.catchUp(count);
}

// One all-pass section run over a stretch of samples. A section depends only on its own input
// sequence, so running each section over a whole stretch before the next gives the same result
// as running the chain sample by sample; and since every slot is read and rewritten once per trip
// round the buffer, as many consecutive samples as the buffer is long can go at once. `gains` holds
// `gain` in every lane.
inline void runAllPass(float* buffer, std::int32_t length, std::int32_t& position, float gain,
                       Floats gains, float* x, int count) noexcept
{
    int n = 0;
    while (n < count)
    {
        const int run = count - n < length - position ? count - n : length - position;
        float* slot = buffer + position;
        float* in = x + n;
        int i = 0;
        if (length >= lanes)
        {
            for (; i + lanes <= run; i += lanes)
            {
                const Floats v = loadLanes<Floats>(slot + i);
                const Floats input = loadLanes<Floats>(in + i);
                const Floats w = input + gains * v;
                storeLanes(slot + i, w);
                storeLanes(in + i, v - gains * w);
            }
        }
        for (; i < run; ++i)
        {
            const float v = slot[i];
            const float w = in[i] + gain * v;
            slot[i] = w;
            in[i] = v - gain * w;
        }
        position += run;
        if (position == length)
            position = 0;
        n += run;
    }
}

// Stage 4: the two diffuser chains, section by section.
inline void runAllPassChains(VectorEngineState& state, Floats gains, float* sumLeft,
                             float* sumRight, int count) noexcept
{
    for (int j = 0; j < VectorEngineState::allPassSections; ++j)
    {
        runAllPass(state.allPass[0][j], state.allPassLength[0][j], state.allPassPosition[0][j],
                   state.allPassGain, gains, sumLeft, count);
        runAllPass(state.allPass[1][j], state.allPassLength[1][j], state.allPassPosition[1][j],
                   state.allPassGain, gains, sumRight, count);
    }
}

} // namespace

// The block goes through in chunks, stage by stage. Every stage depends on the one before only
// through its output for the same samples, so the order of the work does not change any result.
void MORVANE_VECTOR_KERNEL(VectorEngineState& state, const EngineBlockSettings& settings,
                           float* left, float* right, int frames) noexcept
{
    if (frames <= 0)
        return;

    constexpr int chunk = 64;
    float input[chunk];
    float sumLeft[chunk];
    float sumRight[chunk];
    alignas(32) float reads[chunk * lanes];

    InputStage inputStage(state, settings);
    LineStage lineStage(state);
    LateWrites writes(state, reads, input, NetworkGeometry::feedbackGain(settings.size));

    // The all-pass gain in every lane, made once per block: where eight lanes are two registers,
    // making it in each section's loop costs more than the loop itself in small blocks.
    alignas(32) float gainLanes[lanes];
    for (float& lane : gainLanes)
        lane = state.allPassGain;
    const Floats allPassGains = loadLanes<Floats>(gainLanes);

    for (int start = 0; start < frames; start += chunk)
    {
        const int count = frames - start < chunk ? frames - start : chunk;
        float* const blockLeft = left + start;
        float* const blockRight = right + start;

        inputStage.run(blockLeft, blockRight, input, count);

        writes.start(lineStage.writePosition);
        lineStage.run(writes, reads, count);
        sumLines(writes, sumLeft, sumRight, count);

        runAllPassChains(state, allPassGains, sumLeft, sumRight, count);

        for (int n = 0; n < count; ++n)
        {
            blockLeft[n] = sumLeft[n];
            blockRight[n] = sumRight[n];
        }
    }

    inputStage.storeTo(state);
    lineStage.storeTo(state);
}

} // namespace morvane
