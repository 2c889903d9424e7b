#pragma once

// The vectorised engine's per-sample work, included once by each kernel file and compiled there
// for one instruction set. Every operation is the one the scalar engine performs, in the same
// order, precision and operand order, so all kernels match it bit for bit (the files are built
// without contraction into fused multiply-adds). Everything here has internal linkage: the same
// inline code built for different instruction sets must never be merged by the linker, or a
// machine without AVX2 could end up running an AVX2 copy.
// Thread rule: audio thread only, on the state of the engine being processed.

#include "engine/VectorEngineState.h"

#include <immintrin.h>

#include <cstdint>

#ifndef MORVANE_VECTOR_KERNEL
#error "define MORVANE_VECTOR_KERNEL to the name of the kernel before including this file"
#endif

namespace morvane
{

namespace
{

typedef float Floats __attribute__((vector_size(32)));
typedef std::int32_t Ints __attribute__((vector_size(32)));
typedef std::uint32_t Words __attribute__((vector_size(32)));

template <typename Vector, typename Element>
inline Vector loadLanes(const Element* source) noexcept
{
    Vector v;
    __builtin_memcpy(&v, source, sizeof v);
    return v;
}

template <typename Vector, typename Element>
inline void storeLanes(Element* target, Vector v) noexcept
{
    __builtin_memcpy(target, &v, sizeof v);
}

// Lane-wise comparisons, selection and the generator's multiplication. With AVX2 the compiler
// maps the vector operators straight onto the instruction set; on plain SSE2 it would split
// them lane by lane, so there each runs on the two 4-lane halves.
#if defined(__AVX2__)
inline Ints atLeast(Floats a, float b) noexcept
{
    return a >= b;
}
inline Ints atMost(Floats a, float b) noexcept
{
    return a <= b;
}
inline Ints below(Ints a, Ints b) noexcept
{
    return a < b;
}
inline Ints equal(Ints a, Ints b) noexcept
{
    return a == b;
}
inline Words advance(Words seed) noexcept
{
    return seed * 16807u;
}
inline Ints broadcast(int x) noexcept
{
    return reinterpret_cast<Ints>(_mm256_set1_epi32(x));
}
#else
struct Halves
{
    __m128i low;
    __m128i high;
};

template <typename Vector>
inline Halves split(Vector v) noexcept
{
    Halves h;
    __builtin_memcpy(&h, &v, sizeof h);
    return h;
}

template <typename Vector>
inline Vector join(__m128i low, __m128i high) noexcept
{
    const Halves h{low, high};
    Vector v;
    __builtin_memcpy(&v, &h, sizeof v);
    return v;
}

inline Ints atLeast(Floats a, float b) noexcept
{
    const Halves h = split(a);
    const __m128 limit = _mm_set1_ps(b);
    return join<Ints>(_mm_castps_si128(_mm_cmpge_ps(_mm_castsi128_ps(h.low), limit)),
                      _mm_castps_si128(_mm_cmpge_ps(_mm_castsi128_ps(h.high), limit)));
}
inline Ints atMost(Floats a, float b) noexcept
{
    const Halves h = split(a);
    const __m128 limit = _mm_set1_ps(b);
    return join<Ints>(_mm_castps_si128(_mm_cmple_ps(_mm_castsi128_ps(h.low), limit)),
                      _mm_castps_si128(_mm_cmple_ps(_mm_castsi128_ps(h.high), limit)));
}
inline Ints below(Ints a, Ints b) noexcept
{
    const Halves x = split(a);
    const Halves y = split(b);
    return join<Ints>(_mm_cmplt_epi32(x.low, y.low), _mm_cmplt_epi32(x.high, y.high));
}
inline Ints equal(Ints a, Ints b) noexcept
{
    const Halves x = split(a);
    const Halves y = split(b);
    return join<Ints>(_mm_cmpeq_epi32(x.low, y.low), _mm_cmpeq_epi32(x.high, y.high));
}
// SSE2 has no 32-bit lane multiply: the even and odd lanes go through the 64-bit one, of which
// the low 32 bits are kept.
inline __m128i times16807(__m128i x) noexcept
{
    const __m128i factor = _mm_set1_epi32(16807);
    const __m128i even = _mm_mul_epu32(x, factor);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(x, 32), factor);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}
inline Ints broadcast(int x) noexcept
{
    const __m128i half = _mm_set1_epi32(x);
    return join<Ints>(half, half);
}
inline Words advance(Words seed) noexcept
{
    const Halves h = split(seed);
    return join<Words>(times16807(h.low), times16807(h.high));
}
#endif

template <typename Vector>
inline Vector select(Ints mask, Vector a, Vector b) noexcept
{
    const Ints x = reinterpret_cast<Ints>(a);
    const Ints y = reinterpret_cast<Ints>(b);
    return reinterpret_cast<Vector>((mask & x) | (~mask & y));
}

inline Floats toFloats(Ints v) noexcept
{
    return __builtin_convertvector(v, Floats);
}

// Truncation towards zero, as a C++ float to int conversion does on this architecture, including
// the same answer (the lowest int) for values out of range.
inline Ints truncate(Floats v) noexcept
{
#if defined(__AVX__)
    return reinterpret_cast<Ints>(_mm256_cvttps_epi32(reinterpret_cast<__m256>(v)));
#else
    __m128 halves[2];
    __builtin_memcpy(halves, &v, sizeof halves);
    const __m128i converted[2] = {_mm_cvttps_epi32(halves[0]), _mm_cvttps_epi32(halves[1])};
    Ints result;
    __builtin_memcpy(&result, converted, sizeof result);
    return result;
#endif
}

// The oscillators' generator output scaled into 0..1, as seedToUnit does.
inline Floats unitOf(Words seed) noexcept
{
    constexpr float twoToMinus31 = 4.656612873077392578125e-10f;
    return toFloats(reinterpret_cast<Ints>(seed & 0x7FFFFFFFu)) * twoToMinus31;
}

inline bool anyLane(Ints mask) noexcept
{
#if defined(__AVX__)
    return _mm256_movemask_ps(reinterpret_cast<__m256>(mask)) != 0;
#else
    __m128i halves[2];
    __builtin_memcpy(halves, &mask, sizeof halves);
    return _mm_movemask_epi8(_mm_or_si128(halves[0], halves[1])) != 0;
#endif
}

inline Floats joinHalves(__m128 low, __m128 high) noexcept
{
#if defined(__AVX__)
    return reinterpret_cast<Floats>(_mm256_set_m128(high, low));
#else
    const __m128 halves[2] = {low, high};
    Floats v;
    __builtin_memcpy(&v, halves, sizeof v);
    return v;
#endif
}

// Reads, for every lane, the slot before `at` and the slot at `at` with one 8-byte load per lane
// (each line keeps a copy of its last slot just before its first, so the pair never wraps), and
// splits them into the two vectors of the interpolated read.
inline void readPairs(const float* lines, const std::int32_t* at, Floats& current,
                      Floats& previous) noexcept
{
    __m128 pairs[4];
    for (int k = 0; k < 4; ++k)
    {
        const __m128i first =
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lines + at[2 * k] - 1));
        const __m128i second =
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lines + at[2 * k + 1] - 1));
        pairs[k] = _mm_castsi128_ps(_mm_unpacklo_epi64(first, second));
    }
    previous = joinHalves(_mm_shuffle_ps(pairs[0], pairs[1], _MM_SHUFFLE(2, 0, 2, 0)),
                          _mm_shuffle_ps(pairs[2], pairs[3], _MM_SHUFFLE(2, 0, 2, 0)));
    current = joinHalves(_mm_shuffle_ps(pairs[0], pairs[1], _MM_SHUFFLE(3, 1, 3, 1)),
                         _mm_shuffle_ps(pairs[2], pairs[3], _MM_SHUFFLE(3, 1, 3, 1)));
}

// Turns eight rows of eight lanes (one row per frame) into eight columns (one per lane, eight
// frames each).
inline void transpose(const float* rows, Floats* columns) noexcept
{
#if defined(__AVX__)
    __m256 r[8];
    for (int k = 0; k < 8; ++k)
        r[k] = _mm256_loadu_ps(rows + 8 * k);
    __m256 t[8];
    for (int k = 0; k < 4; ++k)
    {
        t[2 * k] = _mm256_unpacklo_ps(r[2 * k], r[2 * k + 1]);
        t[2 * k + 1] = _mm256_unpackhi_ps(r[2 * k], r[2 * k + 1]);
    }
    __m256 u[8];
    for (int k = 0; k < 2; ++k)
    {
        u[4 * k] = _mm256_shuffle_ps(t[4 * k], t[4 * k + 2], 0x44);
        u[4 * k + 1] = _mm256_shuffle_ps(t[4 * k], t[4 * k + 2], 0xEE);
        u[4 * k + 2] = _mm256_shuffle_ps(t[4 * k + 1], t[4 * k + 3], 0x44);
        u[4 * k + 3] = _mm256_shuffle_ps(t[4 * k + 1], t[4 * k + 3], 0xEE);
    }
    for (int k = 0; k < 4; ++k)
    {
        columns[k] = reinterpret_cast<Floats>(_mm256_permute2f128_ps(u[k], u[k + 4], 0x20));
        columns[k + 4] = reinterpret_cast<Floats>(_mm256_permute2f128_ps(u[k], u[k + 4], 0x31));
    }
#else
    // Four 4 x 4 transposes: frames 0..3 and 4..7 of lanes 0..3 and 4..7.
    __m128 quarter[2][2][4];
    for (int frames = 0; frames < 2; ++frames)
    {
        for (int lanes = 0; lanes < 2; ++lanes)
        {
            __m128 q0 = _mm_loadu_ps(rows + 8 * (4 * frames + 0) + 4 * lanes);
            __m128 q1 = _mm_loadu_ps(rows + 8 * (4 * frames + 1) + 4 * lanes);
            __m128 q2 = _mm_loadu_ps(rows + 8 * (4 * frames + 2) + 4 * lanes);
            __m128 q3 = _mm_loadu_ps(rows + 8 * (4 * frames + 3) + 4 * lanes);
            _MM_TRANSPOSE4_PS(q0, q1, q2, q3);
            quarter[frames][lanes][0] = q0;
            quarter[frames][lanes][1] = q1;
            quarter[frames][lanes][2] = q2;
            quarter[frames][lanes][3] = q3;
        }
    }
    for (int lane = 0; lane < 8; ++lane)
        columns[lane] = joinHalves(quarter[0][lane / 4][lane % 4], quarter[1][lane / 4][lane % 4]);
#endif
}

// The feedback lines' writes for frames from..to - 1, made late: lane j of frame m writes
// t x feedback + input, with t = reads[8 m + j], at the lane's next write position (kept in
// `position`). Writing the last slot also refreshes the copy kept in front of the first.
inline void writeLateLane(int lane, float* lines, const std::int32_t* base,
                          const std::int32_t* length, std::int32_t* position, const float* reads,
                          float feedback, const float* input, int from, int to) noexcept
{
    float* const line = lines + base[lane];
    const std::int32_t size = length[lane];
    std::int32_t at = position[lane];
    for (int m = from; m < to; ++m)
    {
        line[at] = reads[VectorEngineState::lanes * m + lane] * feedback + input[m];
        if (++at == size)
        {
            line[-1] = line[size - 1];
            at = 0;
        }
    }
    position[lane] = at;
}

inline void writeLate(float* lines, const std::int32_t* base, const std::int32_t* length,
                      std::int32_t* position, const float* reads, float feedback,
                      const float* input, int from, int to) noexcept
{
    for (int lane = 0; lane < VectorEngineState::lanes; ++lane)
        writeLateLane(lane, lines, base, length, position, reads, feedback, input, from, to);
}

inline void updateCoefficients(VectorEngineState::LowPass& filter, double setting) noexcept
{
    const float target = static_cast<float>(setting);
    if (target == filter.lastSetting)
        return;
    filter.lastSetting = target;
    const float v = filter.rateFactor * target;
    const float c = v * v;
    filter.k = c * 3.6f - (c * 1.6f) * c - 1.0f;
    filter.p = (filter.k + 1.0f) * 0.5f;
}

struct FilterState
{
    float k;
    float p;
    float y1;
    float y2;
    float previousInput;

    explicit FilterState(const VectorEngineState::LowPass& filter) noexcept
        : k(filter.k), p(filter.p), y1(filter.y1), y2(filter.y2),
          previousInput(filter.previousInput)
    {
    }

    float process(float x) noexcept
    {
        const float stage1 = (x + previousInput) * p - k * y1;
        const float stage2 = (stage1 + y1) * p - k * y2;
        previousInput = x;
        y1 = stage1;
        y2 = stage2;
        return stage2;
    }

    void storeTo(VectorEngineState::LowPass& filter) const noexcept
    {
        filter.y1 = y1;
        filter.y2 = y2;
        filter.previousInput = previousInput;
    }
};

// One all-pass section run over a stretch of samples. A section depends only on its own input
// sequence, so running each section over a whole stretch before the next gives the same result
// as running the chain sample by sample; and since every slot is read and rewritten once per trip
// round the buffer, as many consecutive samples as the buffer is long can go at once.
inline void runAllPass(float* buffer, std::int32_t length, std::int32_t& position, float gain,
                       float* x, int count) noexcept
{
    constexpr int width = VectorEngineState::lanes;
    int n = 0;
    while (n < count)
    {
        const int run = count - n < length - position ? count - n : length - position;
        float* slot = buffer + position;
        float* in = x + n;
        int i = 0;
        if (length >= width)
        {
            for (; i + width <= run; i += width)
            {
                const Floats v = loadLanes<Floats>(slot + i);
                const Floats input = loadLanes<Floats>(in + i);
                const Floats w = input + gain * v;
                storeLanes(slot + i, w);
                storeLanes(in + i, v - gain * w);
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

} // namespace

void MORVANE_VECTOR_KERNEL(VectorEngineState& state, const EngineBlockSettings& settings,
                           float* left, float* right, int frames) noexcept
{
    if (frames <= 0)
        return;

    updateCoefficients(state.lowPass, settings.lowPass);
    updateCoefficients(state.highPass, settings.highPass);
    FilterState lowPass(state.lowPass);
    FilterState highPass(state.highPass);

    const double preDelaySpan = static_cast<double>(state.preDelayLength - 2);
    const int preDelaySamples =
        static_cast<int>(static_cast<float>(settings.delay * preDelaySpan + 1.0));
    const int preDelayLength = state.preDelayLength;
    int preDelayWrite = state.preDelayWrite;
    float* const preDelay = state.preDelay;

    const float feedback = static_cast<float>(settings.size * 0.98);

    Words seed = loadLanes<Words>(state.seed);
    Floats position = loadLanes<Floats>(state.position);
    Floats step = loadLanes<Floats>(state.step);
    Floats smoothed = loadLanes<Floats>(state.smoothed);
    const Floats smoothing = loadLanes<Floats>(state.smoothing);
    const Floats smoothingNorm = loadLanes<Floats>(state.smoothingNorm);
    const Floats noiseAmount = loadLanes<Floats>(state.noiseAmount);
    const Ints lineBase = loadLanes<Ints>(state.lineBase);
    const Ints lineLength = loadLanes<Ints>(state.lineLength);
    Ints writePosition = loadLanes<Ints>(state.writePosition);
    const Floats span = loadLanes<Floats>(state.span);
    Floats interpolation = loadLanes<Floats>(state.interpolation);
    float* const lines = state.lines;

    // The block goes through in chunks, stage by stage: the input filters, then the feedback
    // lines, then each all-pass section. Every stage depends on the one before only through its
    // output for the same samples, so the order of the work does not change any result.
    constexpr int chunk = 64;
    float input[chunk];
    float sumLeft[chunk];
    float sumRight[chunk];
    alignas(32) float reads[chunk * VectorEngineState::lanes];

    for (int start = 0; start < frames; start += chunk)
    {
        const int count = frames - start < chunk ? frames - start : chunk;
        float* const blockLeft = left + start;
        float* const blockRight = right + start;

        for (int n = 0; n < count; ++n)
        {
            const float mono = (blockLeft[n] + blockRight[n]) * 0.25f;

            int readPosition = preDelayWrite - preDelaySamples;
            if (readPosition < 0)
                readPosition += preDelayLength;
            const float delayed = preDelay[readPosition];
            preDelay[preDelayWrite] = mono;
            if (++preDelayWrite == preDelayLength)
                preDelayWrite = 0;

            const float lowPassed = lowPass.process(delayed);
            input[n] = lowPassed - highPass.process(lowPassed);
        }

        // The lines' writes wait until the end of the chunk, when eight frames of each line can
        // be stored at once, as long as no read reaches a slot whose write is still waiting:
        // frame n reads the slots written whole and whole + 1 frames before, so the waiting
        // writes go out first whenever a lane's whole part is not above the number waiting.
        int waiting = 0;
        alignas(32) std::int32_t writeAt[VectorEngineState::lanes];
        storeLanes(writeAt, writePosition);

        for (int n = 0; n < count; ++n)
        {
            // Oscillators. A turn is rare (every 22188 samples or more per lane), so the division
            // for the new slope is skipped while no lane turns. Both tests look at the position
            // before this tick's update; at most one of them holds in any lane.
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
            const Floats u = smoothed + unitOf(seed) * noiseAmount;

            const Floats delay = span * (u * 0.014f + feedback) + 1.0f;
            const Ints whole = truncate(delay);
            const Floats fraction = delay - toFloats(whole);
            const Floats eta = 1.0f - fraction;

            const Ints allWaiting = broadcast(n - waiting + 1);
            if (anyLane(below(whole, allWaiting)))
            {
                writeLate(lines, state.lineBase, state.lineLength, writeAt, reads, feedback, input,
                          waiting, n);
                waiting = n;
            }

            Ints current = writePosition - whole;
            current += below(current, Ints{}) & lineLength;
            alignas(32) std::int32_t readAt[VectorEngineState::lanes];
            storeLanes(readAt, lineBase + current);
            Floats a;
            Floats b;
            readPairs(lines, readAt, a, b);
            const Floats t = (eta * a + b) - eta * interpolation;
            interpolation = t;
            storeLanes(reads + VectorEngineState::lanes * n, t);

            writePosition = writePosition + 1;
            writePosition = ~equal(writePosition, lineLength) & writePosition;
        }

        // Eight frames at a time: the sums of each side with alternating signs, in the scalar
        // order, and the waiting writes as runs of eight slots per line.
        int g = 0;
        for (; g + 8 <= count; g += 8)
        {
            Floats column[VectorEngineState::lanes];
            transpose(reads + VectorEngineState::lanes * g, column);

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

            if (g + 8 <= waiting)
                continue;
            if (g < waiting)
            {
                writeLate(lines, state.lineBase, state.lineLength, writeAt, reads, feedback, input,
                          waiting, g + 8);
                continue;
            }
            const Floats in = loadLanes<Floats>(input + g);
            for (int lane = 0; lane < VectorEngineState::lanes; ++lane)
            {
                const std::int32_t size = state.lineLength[lane];
                std::int32_t& at = writeAt[lane];
                if (at + 8 > size)
                {
                    writeLateLane(lane, lines, state.lineBase, state.lineLength, writeAt, reads,
                                  feedback, input, g, g + 8);
                    continue;
                }
                float* const line = lines + state.lineBase[lane];
                const Floats values = column[lane] * feedback + in;
                storeLanes(line + at, values);
                at += 8;
                if (at == size)
                {
                    line[-1] = values[7];
                    at = 0;
                }
            }
        }
        for (int m = g; m < count; ++m)
        {
            const float* const t = reads + VectorEngineState::lanes * m;
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
        writeLate(lines, state.lineBase, state.lineLength, writeAt, reads, feedback, input,
                  g > waiting ? g : waiting, count);

        for (int j = 0; j < VectorEngineState::allPassSections; ++j)
        {
            runAllPass(state.allPass[0][j], state.allPassLength[0][j], state.allPassPosition[0][j],
                       state.allPassGain, sumLeft, count);
            runAllPass(state.allPass[1][j], state.allPassLength[1][j], state.allPassPosition[1][j],
                       state.allPassGain, sumRight, count);
        }

        for (int n = 0; n < count; ++n)
        {
            blockLeft[n] = sumLeft[n];
            blockRight[n] = sumRight[n];
        }
    }

    lowPass.storeTo(state.lowPass);
    highPass.storeTo(state.highPass);
    state.preDelayWrite = preDelayWrite;
    storeLanes(state.seed, seed);
    storeLanes(state.position, position);
    storeLanes(state.step, step);
    storeLanes(state.smoothed, smoothed);
    storeLanes(state.writePosition, writePosition);
    storeLanes(state.interpolation, interpolation);
}

} // namespace morvane
