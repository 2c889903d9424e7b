// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulseAnalysis.h"
#include "ImpulseWording.h"
#include "SyntheticResponse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using morvane::DecayFit;
using morvane::ImpulseAnalysis;
using morvane::Shortfall;
using morvane::testing::SyntheticResponse;

namespace
{
constexpr double ln1000 = 6.907755278982137;

juce::AudioBuffer<float> noiseDecay(double rt60, double rate, int seed = 1)
{
    SyntheticResponse room;
    room.rt60 = rt60;
    room.sampleRate = rate;
    room.arrivalSeconds = 0.0;
    room.directToReverberantDb = -200.0; // no direct sound to speak of
    room.seed = seed;
    return room.render();
}

// One tone at the centre of each octave band, with random phases, all decaying together.
juce::AudioBuffer<float> toneDecay(double rt60, double rate)
{
    const int length = static_cast<int>(1.5 * rt60 * rate);
    juce::AudioBuffer<float> ir(2, length);
    juce::Random random(11);
    for (int c = 0; c < 2; ++c)
    {
        std::array<double, ImpulseAnalysis::octaveCentres.size()> phases{};
        for (auto& phase : phases)
            phase = 2.0 * M_PI * random.nextDouble();
        for (int n = 0; n < length; ++n)
        {
            double sum = 0.0;
            for (size_t b = 0; b < phases.size(); ++b)
                sum +=
                    std::sin(2.0 * M_PI * ImpulseAnalysis::octaveCentres[b] * n / rate + phases[b]);
            ir.setSample(c, n,
                         static_cast<float>(0.2 * sum * std::exp(-ln1000 * n / (rt60 * rate))));
        }
    }
    return ir;
}

void expectWithin(double measured, double expected, double tolerance, const std::string& what)
{
    EXPECT_NEAR(measured, expected, tolerance * expected) << what;
}

std::string bandName(const ImpulseAnalysis::Band& band)
{
    return band.centreHz > 0.0 ? std::to_string(static_cast<int>(band.centreHz)) + " Hz"
                               : std::string("broadband");
}

// Three standard deviations of a decay time measured on one realisation of decaying noise in
// an octave band, from ISO 3382-2's estimate for the integrated impulse response (as precise
// as ten averaged noise decays), but never below 3 %.
double bandTolerance(double centreHz, double rt60, bool t30)
{
    const double bandwidth = centreHz / std::sqrt(2.0);
    const double spread = t30 ? 0.55 * std::sqrt((1.0 + 1.52 / 10.0) / (bandwidth * rt60))
                              : 0.88 * std::sqrt((1.0 + 1.90 / 10.0) / (bandwidth * rt60));
    return std::max(0.03, 3.0 * spread);
}
} // namespace

// The made-up rooms cover every reverberation time at both rates, and between them every
// direct-to-reverberant ratio from +20 to -20 dB and every gap from none to 500 ms; each is
// rendered and analysed once.
TEST(ImpulseAnalysis, DirectSoundAndGapLeaveT20AndT30ToTheReverberation)
{
    struct Room
    {
        double rate, rt60, ratioDb, gapSeconds;
    };
    const Room rooms[] = {
        {44100.0, 0.3, 20.0, 0.0},   {44100.0, 0.3, -20.0, 0.5}, {44100.0, 1.0, 10.0, 0.05},
        {44100.0, 1.0, -10.0, 0.0},  {44100.0, 3.0, 0.0, 0.5},   {44100.0, 3.0, 20.0, 0.05},
        {44100.0, 8.0, -20.0, 0.0},  {44100.0, 8.0, 10.0, 0.5},  {96000.0, 0.3, 0.0, 0.05},
        {96000.0, 0.3, 10.0, 0.0},   {96000.0, 1.0, 20.0, 0.5},  {96000.0, 1.0, -20.0, 0.05},
        {96000.0, 3.0, -10.0, 0.5},  {96000.0, 3.0, 0.0, 0.0},   {96000.0, 8.0, 20.0, 0.0},
        {96000.0, 8.0, -10.0, 0.05},
    };
    for (const auto& room : rooms)
    {
        SyntheticResponse response;
        response.sampleRate = room.rate;
        response.rt60 = room.rt60;
        response.directToReverberantDb = room.ratioDb;
        response.gapSeconds = room.gapSeconds;
        const auto figures = ImpulseAnalysis::analyse(response.render(), room.rate);
        const double edt = DecayFit::measure(response.expectedCurveDb(), room.rate).edt;
        SCOPED_TRACE("RT60 " + std::to_string(room.rt60) + " s, D/R " +
                     std::to_string(room.ratioDb) + " dB, gap " + std::to_string(room.gapSeconds) +
                     " s at " + std::to_string(room.rate));

        for (size_t c = 0; c < 2; ++c)
        {
            const auto& broadband = figures.bands[0].channels[c];
            expectWithin(broadband.t20, room.rt60, 0.03, "broadband T20");
            expectWithin(broadband.t30, room.rt60, 0.03, "broadband T30");
            // EDT as ISO 3382-1 defines it on the curve this room has on average, which
            // takes in the direct sound's drop and the gap; 10 dB of one noise decay spread
            // more than 30, hence 5 %.
            EXPECT_NEAR(broadband.edt, edt, std::max(0.05 * edt, 0.0005)) << "broadband EDT";

            const int channel = static_cast<int>(c);
            EXPECT_EQ(figures.direct[c].arrival, response.arrivalSample());
            EXPECT_NEAR(figures.gapSeconds(channel),
                        (response.reverberationStart() - response.arrivalSample()) / room.rate,
                        0.0002);
            // A direct sound under the reverberation, with no gap to tell them apart, takes
            // a few of the reverberation's samples with it.
            const double ratioTolerance = room.gapSeconds > 0.0 || room.ratioDb >= 0.0 ? 0.1 : 3.0;
            EXPECT_NEAR(figures.bands[0].directToReverberantDb[c], room.ratioDb, ratioTolerance);

            for (size_t b = 1; b < figures.bands.size(); ++b)
            {
                const auto& band = figures.bands[b];
                expectWithin(band.channels[c].t20, room.rt60,
                             bandTolerance(band.centreHz, room.rt60, false),
                             bandName(band) + " T20");
                expectWithin(band.channels[c].t30, room.rt60,
                             bandTolerance(band.centreHz, room.rt60, true),
                             bandName(band) + " T30");
            }
        }
    }
}

// Decaying tones, whose energy is an exact exponential, hold every band to 2 %.
TEST(ImpulseAnalysis, ExponentialTonesComeBackWithinTwoPercentInEveryBand)
{
    for (const double rate : {44100.0, 96000.0})
    {
        for (const double rt60 : {0.5, 4.0})
        {
            const auto tones = ImpulseAnalysis::analyse(toneDecay(rt60, rate), rate);
            ASSERT_EQ(tones.bands.size(), 8u);
            EXPECT_EQ(tones.bands[1].centreHz, 125.0);
            EXPECT_EQ(tones.bands[7].centreHz, 8000.0);
            for (const auto& band : tones.bands)
                for (size_t c = 0; c < 2; ++c)
                {
                    const auto where = bandName(band) + ", channel " + std::to_string(c) +
                                       ", RT60 " + std::to_string(rt60) + " s at " +
                                       std::to_string(rate);
                    expectWithin(band.channels[c].t30, rt60, 0.02, "T30, " + where);
                    expectWithin(band.channels[c].t20, rt60, 0.02, "T20, " + where);
                    expectWithin(band.channels[c].edt, rt60, 0.02, "EDT, " + where);
                }
        }
    }
}

TEST(ImpulseAnalysis, EachBandMeasuresItsOwnDecay)
{
    // A slow low tone and a fast high one: the bands must not mix them up.
    const double rate = 48000.0;
    const int length = static_cast<int>(6.0 * rate);
    juce::AudioBuffer<float> ir(2, length);
    for (int c = 0; c < 2; ++c)
        for (int n = 0; n < length; ++n)
        {
            const double t = n / rate;
            const double low = std::sin(2.0 * M_PI * 250.0 * t + c) * std::exp(-ln1000 * t / 3.0);
            const double high = std::sin(2.0 * M_PI * 4000.0 * t + c) * std::exp(-ln1000 * t / 0.4);
            ir.setSample(c, n, static_cast<float>(low + high));
        }

    const auto figures = ImpulseAnalysis::analyse(ir, rate);
    for (size_t c = 0; c < 2; ++c)
    {
        expectWithin(figures.bands[2].channels[c].t30, 3.0, 0.03, "250 Hz");
        expectWithin(figures.bands[6].channels[c].t30, 0.4, 0.03, "4 kHz");
    }
}

TEST(ImpulseAnalysis, NoiseFloorIsCutOffOrReportedAsOutOfRange)
{
    const double rate = 44100.0;
    const double rt60 = 1.0;
    auto withNoise = [&](double floorDb)
    {
        auto ir = noiseDecay(rt60, rate, 7);
        const auto extra = static_cast<int>(2.0 * rate);
        ir.setSize(2, ir.getNumSamples() + extra, true, true);
        juce::Random random(99);
        const double gain = std::pow(10.0, floorDb / 20.0);
        for (int c = 0; c < 2; ++c)
            for (int n = 0; n < ir.getNumSamples(); ++n)
                ir.addSample(c, n, static_cast<float>(gain * (2.0 * random.nextDouble() - 1.0)));
        return ImpulseAnalysis::analyse(ir, rate);
    };

    // 55 dB of range: without the truncation the noise would stretch T30 by far more.
    const auto clear = withNoise(-55.0);
    for (size_t c = 0; c < 2; ++c)
    {
        expectWithin(clear.bands[0].channels[c].t30, rt60, 0.05, "T30 above a -55 dB floor");
        expectWithin(clear.bands[0].channels[c].edt, rt60, 0.05, "EDT above a -55 dB floor");
    }

    // 30 dB of range: EDT is still there, T30's -35 dB is not.
    const auto shallow = withNoise(-30.0);
    for (size_t c = 0; c < 2; ++c)
    {
        EXPECT_TRUE(std::isnan(shallow.bands[0].channels[c].t30));
        EXPECT_EQ(shallow.bands[0].channels[c].whyNoT30, Shortfall::rangeBelowNoise);
        expectWithin(shallow.bands[0].channels[c].edt, rt60, 0.1, "EDT above a -30 dB floor");
    }

    // Noise alone has no decay at all, nor a direct sound standing 100 dB above rounding
    // noise.
    juce::AudioBuffer<float> noise(2, static_cast<int>(rate));
    juce::Random random(5);
    for (int c = 0; c < 2; ++c)
        for (int n = 0; n < noise.getNumSamples(); ++n)
            noise.setSample(c, n, 2.0f * random.nextFloat() - 1.0f);
    const auto none = ImpulseAnalysis::analyse(noise, rate);
    EXPECT_TRUE(std::isnan(none.bands[0].channels[0].t30));
    EXPECT_TRUE(std::isnan(none.bands[0].channels[0].edt));
    EXPECT_EQ(none.bands[0].channels[0].whyNoEdt, Shortfall::noDecay);

    noise.applyGain(1e-7f);
    noise.setSample(0, 10, 1.0f);
    noise.setSample(1, 10, 1.0f);
    const auto click = ImpulseAnalysis::analyse(noise, rate);
    for (const auto& band : click.bands)
    {
        EXPECT_TRUE(std::isnan(band.channels[0].t20)) << bandName(band);
        EXPECT_TRUE(std::isnan(band.directToReverberantDb[0])) << bandName(band);
    }
    EXPECT_TRUE(std::isnan(click.gapSeconds(0))) << "no reverberation, no gap before it";
}

// A response cut off while it still decays (a render stopped by its length) has no noise floor:
// it is measured to its end with the decay's own tail added back, and a figure whose range
// lies beyond the end is missing because the response ends, not because of any noise.
TEST(ImpulseAnalysis, ResponseCutOffWhileDecayingIsMeasuredToItsEndAndSaysSo)
{
    const double rate = 44100.0;
    const double rt60 = 2.0;
    auto ir = noiseDecay(rt60, rate, 3);
    ir.setSize(2, static_cast<int>(0.55 * rt60 * rate), true); // 33 dB of decay

    const auto figures = ImpulseAnalysis::analyse(ir, rate);
    for (size_t c = 0; c < 2; ++c)
    {
        const auto& broadband = figures.bands[0].channels[c];
        expectWithin(broadband.edt, rt60, 0.03, "broadband EDT of a cut response");
        expectWithin(broadband.t20, rt60, 0.03, "broadband T20 of a cut response");
        for (const auto& band : figures.bands)
        {
            EXPECT_TRUE(std::isnan(band.channels[c].t30)) << bandName(band);
            EXPECT_EQ(band.channels[c].whyNoT30, Shortfall::responseEnds) << bandName(band);
        }
    }
    const auto lines = morvane::ImpulseWording::shortfalls(figures).joinIntoString("\n");
    EXPECT_TRUE(lines.contains("not measured, as the response ends before its decay reaches the "
                               "end of the figure's range: T30 at every band"))
        << lines;
    EXPECT_FALSE(lines.contains("noise")) << lines;
}

TEST(ImpulseAnalysis, CrossCorrelationOfIdenticalIndependentAndDelayedChannels)
{
    const double rate = 44100.0;
    auto ir = noiseDecay(1.0, rate);

    auto same = ir;
    same.copyFrom(1, 0, ir, 0, 0, ir.getNumSamples());
    same.applyGain(1, 0, ir.getNumSamples(), -0.5f); // polarity and level do not matter
    const auto identical = ImpulseAnalysis::analyse(same, rate);
    for (const auto& band : identical.bands)
    {
        EXPECT_NEAR(band.iacc, 1.0, 1e-9) << bandName(band);
        EXPECT_NEAR(band.iaccEarly, 1.0, 1e-9) << bandName(band);
    }

    const auto independent = ImpulseAnalysis::analyse(ir, rate);
    EXPECT_LT(independent.bands[0].iacc, 0.05);
    EXPECT_LT(independent.bands[0].iaccEarly, 0.1);
    for (size_t b = 4; b < independent.bands.size(); ++b)
        EXPECT_LT(independent.bands[b].iacc, 0.25) << bandName(independent.bands[b]);

    // 20 samples (0.45 ms) lies within the +-1 ms window, 100 samples (2.3 ms) does not.
    auto delayedBy = [&](int lag)
    {
        juce::AudioBuffer<float> shifted(2, ir.getNumSamples() + lag);
        shifted.clear();
        shifted.copyFrom(0, 0, ir, 0, 0, ir.getNumSamples());
        shifted.copyFrom(1, lag, ir, 0, 0, ir.getNumSamples());
        return ImpulseAnalysis::analyse(shifted, rate);
    };
    const auto near = delayedBy(20);
    EXPECT_GT(near.bands[0].iacc, 0.99);
    EXPECT_GT(near.bands[0].iaccEarly, 0.99);
    EXPECT_LT(delayedBy(100).bands[0].iacc, 0.05);
}

TEST(ImpulseAnalysis, SilentEmptyAndBrokenResponsesGiveNoFiguresAndSayWhy)
{
    const auto expectNothing = [](const ImpulseAnalysis::Figures& figures, Shortfall why)
    {
        ASSERT_EQ(figures.bands.size(), 8u);
        for (const auto& band : figures.bands)
        {
            EXPECT_TRUE(std::isnan(band.channels[0].t30));
            EXPECT_EQ(band.channels[1].whyNoT30, why);
            EXPECT_TRUE(std::isnan(band.iacc));
            EXPECT_TRUE(band.curveDb.empty());
        }
    };

    expectNothing(ImpulseAnalysis::analyse(juce::AudioBuffer<float>(2, 0), 44100.0),
                  Shortfall::silent);
    juce::AudioBuffer<float> silent(2, 44100);
    silent.clear();
    expectNothing(ImpulseAnalysis::analyse(silent, 44100.0), Shortfall::silent);
    EXPECT_EQ(ImpulseAnalysis::analyse(silent, 44100.0).direct[0].arrival, -1);
    expectNothing(ImpulseAnalysis::analyse(noiseDecay(0.5, 44100.0), 0.0), Shortfall::silent);

    auto broken = noiseDecay(0.5, 44100.0);
    broken.setSample(0, 100, std::numeric_limits<float>::quiet_NaN());
    broken.setSample(1, 100, std::numeric_limits<float>::infinity());
    expectNothing(ImpulseAnalysis::analyse(broken, 44100.0), Shortfall::notFinite);
}

TEST(ImpulseAnalysis, MonoCountsAsBothChannelsAndHighBandsNeedTheRate)
{
    const auto stereo = noiseDecay(0.5, 22050.0);
    juce::AudioBuffer<float> mono(1, stereo.getNumSamples());
    mono.copyFrom(0, 0, stereo, 0, 0, stereo.getNumSamples());

    const auto figures = ImpulseAnalysis::analyse(mono, 22050.0);
    expectWithin(figures.bands[0].channels[1].t30, 0.5, 0.02, "the copy of the mono channel");
    EXPECT_NEAR(figures.bands[0].iacc, 1.0, 1e-9);
    // 8 kHz reaches up to 11.3 kHz, beyond this rate's Nyquist frequency; 4 kHz is fine.
    EXPECT_TRUE(std::isnan(figures.bands[7].channels[0].t30));
    EXPECT_EQ(figures.bands[7].channels[0].whyNoEdt, Shortfall::bandBeyondRate);
    EXPECT_TRUE(figures.bands[7].curveDb.empty());
    expectWithin(figures.bands[6].channels[0].t30, 0.5, 0.02, "4 kHz at 22.05 kHz");
}
