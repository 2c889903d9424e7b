// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialSignal.h"
#include "Material.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

using morvane::Material;
using morvane::Materials;
using morvane::MaterialSignal;

namespace
{

constexpr double rate = 48000.0;

struct Stereo
{
    std::vector<float> left, right;
};

Stereo render(Material material, int frames)
{
    Stereo out{std::vector<float>(static_cast<std::size_t>(frames)),
               std::vector<float>(static_cast<std::size_t>(frames))};
    MaterialSignal(material, rate).fill(out.left.data(), out.right.data(), frames);
    return out;
}

double rmsDb(const std::vector<float>& samples)
{
    double energy = 0.0;
    for (const float x : samples)
        energy += static_cast<double>(x) * x;
    return 10.0 * std::log10(energy / static_cast<double>(samples.size()));
}

} // namespace

TEST(Materials, NamesAndKeysAreDistinctAndOnlyTheTwoSilentEndingsHaveALength)
{
    std::set<std::string> names, keys;
    for (const Material material : morvane::allMaterials)
    {
        names.insert(Materials::name(material));
        keys.insert(Materials::key(material));
        const bool endsInSilence =
            material == Material::noiseThenSilence || material == Material::impulseThenSilence;
        EXPECT_EQ(Materials::isSteady(material), !endsInSilence) << Materials::name(material);
    }
    EXPECT_EQ(names.size(), morvane::allMaterials.size());
    EXPECT_EQ(keys.size(), morvane::allMaterials.size());
    EXPECT_EQ(morvane::allMaterials.front(), Material::stereoNoise);
    EXPECT_EQ(Materials::lengthFrames(Material::noiseThenSilence, rate), 62 * 48000);
    EXPECT_EQ(Materials::lengthFrames(Material::impulseThenSilence, rate), 60 * 48000 + 1);
}

TEST(MaterialSignal, EachSteadyMaterialIsWhatItsNameSays)
{
    constexpr int frames = 48000;
    const auto noise = render(Material::stereoNoise, frames);
    EXPECT_NEAR(rmsDb(noise.left), -10.0, 0.3);
    EXPECT_NEAR(rmsDb(noise.right), -10.0, 0.3);
    EXPECT_NE(noise.left, noise.right);

    const auto mono = render(Material::mono, frames);
    EXPECT_EQ(mono.left, mono.right);
    EXPECT_NEAR(rmsDb(mono.left), -10.0, 0.3);

    const auto antiPhase = render(Material::antiPhase, frames);
    for (int n = 0; n < frames; ++n)
        ASSERT_EQ(antiPhase.right[static_cast<std::size_t>(n)],
                  -antiPhase.left[static_cast<std::size_t>(n)]);
    EXPECT_NEAR(rmsDb(antiPhase.left), -10.0, 0.3);

    const auto side = render(Material::sideHeavy, frames);
    std::vector<float> mid(frames), difference(frames);
    for (std::size_t n = 0; n < mid.size(); ++n)
    {
        mid[n] = 0.5f * (side.left[n] + side.right[n]);
        difference[n] = 0.5f * (side.left[n] - side.right[n]);
    }
    EXPECT_NEAR(rmsDb(difference) - rmsDb(mid), 20.0, 0.5);

    for (const float x : render(Material::silence, frames).left)
        ASSERT_EQ(x, 0.0f);
    for (const float x : render(Material::dcOffset, frames).right)
        ASSERT_EQ(x, 0.5f);

    const auto square = render(Material::squareWave, frames);
    EXPECT_EQ(square.left, square.right);
    int changes = 0;
    for (std::size_t n = 0; n < square.left.size(); ++n)
    {
        ASSERT_EQ(std::fabs(square.left[n]), 1.0f);
        changes += n > 0 && square.left[n] != square.left[n - 1] ? 1 : 0;
    }
    EXPECT_EQ(changes, 199) << "100 Hz: 200 half periods in a second";

    const auto quiet = render(Material::quietNoise, frames);
    EXPECT_NEAR(rmsDb(quiet.left), -120.0, 0.3);
    EXPECT_NE(quiet.left, quiet.right);
}

TEST(MaterialSignal, TheTwoSilentEndingsAreExactZerosAfterTheirSound)
{
    const auto frames = static_cast<int>(Materials::lengthFrames(Material::noiseThenSilence, rate));
    const auto loud = render(Material::noiseThenSilence, frames + 100);
    const auto onset = static_cast<std::size_t>(2 * rate);
    float peak = 0.0f;
    for (std::size_t n = 0; n < loud.left.size(); ++n)
    {
        if (n < onset)
            peak = std::max(peak, std::fabs(loud.left[n]));
        else
            ASSERT_TRUE(loud.left[n] == 0.0f && loud.right[n] == 0.0f) << n;
    }
    EXPECT_GT(peak, 0.99f) << "loud: peaks at full scale";

    const auto impulse = render(Material::impulseThenSilence, 48000);
    EXPECT_EQ(impulse.left[0], 1.0f);
    EXPECT_EQ(impulse.right[0], 1.0f);
    for (std::size_t n = 1; n < impulse.left.size(); ++n)
        ASSERT_TRUE(impulse.left[n] == 0.0f && impulse.right[n] == 0.0f) << n;
}

// Benchmarks make the material a piece at a time; the pieces must join into the same stream.
TEST(MaterialSignal, PiecesJoinIntoTheSameSamples)
{
    for (const Material material : {Material::stereoNoise, Material::noiseThenSilence,
                                    Material::squareWave, Material::sideHeavy})
    {
        constexpr int frames = 2 * 48000 + 700;
        const auto whole = render(material, frames);
        MaterialSignal pieces(material, rate);
        Stereo joined{std::vector<float>(frames), std::vector<float>(frames)};
        for (int done = 0, piece = 1; done < frames; piece = piece * 3 + 1)
        {
            const int n = std::min(piece, frames - done);
            pieces.fill(joined.left.data() + done, joined.right.data() + done, n);
            done += n;
        }
        EXPECT_EQ(pieces.position(), frames);
        EXPECT_EQ(joined.left, whole.left) << Materials::name(material);
        EXPECT_EQ(joined.right, whole.right) << Materials::name(material);
    }
}
