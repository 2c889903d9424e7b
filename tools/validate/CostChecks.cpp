// SPDX-License-Identifier: GPL-3.0-or-later
#include "CostChecks.h"

#include "HostedInstance.h"
#include "Material.h"
#include "MaterialSignal.h"
#include "TailSettings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace morvane::validate
{

namespace
{

constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;
// Stretches of about a second, a millisecond or two of work: short enough that many of them run
// undisturbed by the rest of a busy machine, long enough that the clock's granularity is nothing.
constexpr int stretchBlocks = 94;
constexpr int rounds = 15;

/** The settings the materials play at: the module's own, and those that let a tail die away
    soonest, where a plug-in's states reach the subnormal range first. */
struct Settings
{
    const char* name;
    void (*apply)(const HostedInstance&);
};

constexpr Settings everySettings[] = {{"its own settings", nullptr},
                                      {"the shortest tail", TailSettings::applyShortest}};

/** One material at one of the settings on an instance of its own, with the least time a stretch
    of it took. */
class Player
{
public:
    Player(const host::Module& module, Material which, const Settings& at)
        : material(which), settings(at), instance(module), signal(which, sampleRate),
          input(2, std::vector<float>(stretchFrames)), output(2, std::vector<float>(stretchFrames))
    {
        if (settings.apply != nullptr)
            settings.apply(instance);
        instance.configure(sampleRate, blockSize);
        if (Materials::isSteady(material))
            play(static_cast<int>(Materials::settleSeconds * sampleRate / blockSize));
    }

    bool isOpen() const noexcept { return instance.isOpen(); }
    Material getMaterial() const noexcept { return material; }
    const Settings& getSettings() const noexcept { return settings; }
    const HostedInstance& getInstance() const noexcept { return instance; }
    double leastNsPerFrame() const noexcept { return least; }

    /** One timed stretch, after the sound again for a material that ends in silence. */
    void timeStretch()
    {
        if (!Materials::isSteady(material))
        {
            signal = MaterialSignal(material, sampleRate);
            const auto onset = Materials::onsetFrames(material, sampleRate);
            play(static_cast<int>((onset + blockSize - 1) / blockSize));
        }
        fill(stretchFrames);
        const auto start = std::chrono::steady_clock::now();
        for (int offset = 0; offset < stretchFrames; offset += blockSize)
            processAt(offset);
        const std::chrono::duration<double, std::nano> took =
            std::chrono::steady_clock::now() - start;
        least = std::min(least, took.count() / stretchFrames);
    }

private:
    static constexpr int stretchFrames = stretchBlocks * blockSize;

    void fill(int frames) { signal.fill(input[0].data(), input[1].data(), frames); }

    void processAt(int offset)
    {
        float* inputs[] = {input[0].data() + offset, input[1].data() + offset};
        float* outputs[] = {output[0].data() + offset, output[1].data() + offset};
        instance.process(inputs, outputs, blockSize);
    }

    void play(int blocks)
    {
        for (int done = 0; done < blocks; done += stretchBlocks)
        {
            const int count = std::min(stretchBlocks, blocks - done);
            fill(count * blockSize);
            for (int block = 0; block < count; ++block)
                processAt(block * blockSize);
        }
    }

    Material material;
    const Settings& settings;
    HostedInstance instance;
    MaterialSignal signal;
    std::vector<std::vector<float>> input, output;
    double least = std::numeric_limits<double>::infinity();
};

// Every round starts with another material, so none is always timed right after the same one.
void measure(std::vector<std::unique_ptr<Player>>& players)
{
    for (int round = 0; round < rounds; ++round)
        for (std::size_t i = 0; i < players.size(); ++i)
            players[(i + static_cast<std::size_t>(round)) % players.size()]->timeStretch();
}

std::string number(double value, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

GroupResult CostChecks::run(const CheckContext& context)
{
    GroupResult result("cost");

    // Stereo noise, the yardstick, comes first of each settings' players.
    std::vector<std::unique_ptr<Player>> players;
    for (const Settings& settings : everySettings)
        for (const Material material : allMaterials)
        {
            players.push_back(std::make_unique<Player>(context.module, material, settings));
            if (!players.back()->isOpen())
            {
                result.fail("the module gave no plug-in");
                return result;
            }
        }

    const auto yardstick = [&](const Player& player) -> const Player&
    {
        const auto index = static_cast<std::size_t>(&player.getSettings() - everySettings);
        return *players[index * allMaterials.size()];
    };
    const auto ratio = [&](const Player& player)
    { return player.leastNsPerFrame() / yardstick(player).leastNsPerFrame(); };
    const auto worst = [&]() -> const Player&
    {
        return **std::max_element(players.begin(), players.end(),
                                  [&](const auto& a, const auto& b)
                                  { return ratio(*a) < ratio(*b); });
    };

    measure(players);
    const bool measuredTwice = ratio(worst()) > costLimit;
    if (measuredTwice)
        measure(players);

    std::string figures = "ns per stereo frame at 48000 Hz in blocks of 512, the least of " +
                          std::to_string(measuredTwice ? 2 * rounds : rounds) +
                          " stretches of 1 s per material in turn";
    for (const auto& player : players)
    {
        const bool first = &yardstick(*player) == player.get();
        figures += first ? std::string("; at ") + player->getSettings().name + ": " : ", ";
        figures += std::string(Materials::name(player->getMaterial())) + " ";
        figures += first ? number(player->leastNsPerFrame(), 1) : number(ratio(*player), 2) + " x";
    }
    const Player& highest = worst();
    figures += "; highest " + number(ratio(highest), 2) + " x stereo noise (limit " +
               number(costLimit, 2) + ")";
    result.setFigures(figures);

    for (const auto& player : players)
        if (ratio(*player) > costLimit)
            result.fail(std::string(Materials::name(player->getMaterial())) + " at " +
                        player->getSettings().name + " costs " + number(ratio(*player), 2) +
                        " x stereo noise (" + number(player->leastNsPerFrame(), 1) + " against " +
                        number(yardstick(*player).leastNsPerFrame(), 1) + " ns per frame)");

    for (const auto& player : players)
        context.tally.add(player->getInstance().audioPath());
    return result;
}

} // namespace morvane::validate
