// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/Instance.h"
#include "support/FakeModuleReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using morvane::host::HostCall;
using morvane::host::HostObserver;
using morvane::host::Instance;
using morvane::host::Module;
using morvane::test::readFakeModuleReport;
namespace vst2 = morvane::vst2;

namespace
{

std::string fakeModule(const char* name)
{
    return std::string(FAKE_MODULE_DIR) + "/" + name + ".so";
}

// What the fake gain heard from its host, read back through its chunk.
std::map<std::string, std::string> heard(const Instance& instance)
{
    const auto chunk = instance.getChunk();
    return readFakeModuleReport(std::string(chunk.begin(), chunk.end()));
}

// Every call it sees, with whether it came between a begin and an end on the same thread.
class Watcher final : public HostObserver
{
public:
    void callbackBegins(const HostCall& call) noexcept override
    {
        const std::lock_guard<std::mutex> guard(lock);
        begun.push_back(call.opcode);
        open.push_back(call.thread);
    }

    void callbackEnds(const HostCall& call) noexcept override
    {
        const std::lock_guard<std::mutex> guard(lock);
        ended.push_back(call.opcode);
        paired = paired && !open.empty() && open.back() == call.thread;
        if (!open.empty())
            open.pop_back();
    }

    std::mutex lock;
    std::vector<std::int32_t> begun, ended;
    std::vector<std::thread::id> open;
    bool paired = true;
};

} // namespace

TEST(Instance, AnswersAsItsOptionsSayAndFollowsWhatItAnnounced)
{
    const Module gain(fakeModule("gain"));
    ASSERT_TRUE(gain.isLoaded());

    // A host that says little: what the validator and the plug-in's tests meet.
    Instance plain(gain.getEntryPoint(), {});
    ASSERT_TRUE(plain.hasEffect()) << plain.getProblem();
    auto words = heard(plain);
    EXPECT_EQ(words["version"], "2400");
    EXPECT_EQ(words["rate"], "44100");
    EXPECT_EQ(words["block"], "512");
    EXPECT_EQ(words["level"], "0");
    EXPECT_EQ(words["vendor"], "");
    EXPECT_EQ(words["timeinfo"], "no");
    EXPECT_EQ(words["canTime"], "0");
    plain.resume(96000.0, 64);
    words = heard(plain);
    EXPECT_EQ(words["rate"], "96000");
    EXPECT_EQ(words["block"], "64");
    plain.setSampleRate(std::nan(""));
    EXPECT_EQ(heard(plain)["rate"], "0") << "a rate that is no number is answered as none";

    Instance::Options options;
    options.answers.processLevel = vst2::processLevelOffline;
    options.answers.vendor = std::string(100, 'v');
    options.answers.canDo = {"sendVstTimeInfo"};
    options.answers.transport = true;
    Instance talkative(gain.getEntryPoint(), options);
    talkative.getTimeInfo().tempo = 93.0;
    words = heard(talkative);
    EXPECT_EQ(words["level"], "4");
    EXPECT_EQ(words["vendor"], std::string(63, 'v')) << "cut to what hosts give room for";
    EXPECT_EQ(words["canTime"], "1");
    EXPECT_EQ(words["canFly"], "0");
    EXPECT_EQ(words["timeinfo"], "yes");
    EXPECT_EQ(words["tempo"], "93.0");
    EXPECT_EQ(talkative.getAutomateCalls(), 1u);
    EXPECT_EQ(plain.getAutomateCalls(), 3u) << "each instance counts its own";

    // A host whose version the module cannot use gets no effect, and says why.
    const Module echo(fakeModule("echo"));
    Instance::Options unusable;
    unusable.answers.version = 0;
    const Instance refused(echo.getEntryPoint(), unusable);
    EXPECT_FALSE(refused.hasEffect());
    EXPECT_EQ(refused.getProblem(), "the module's entry point returned no effect");
    EXPECT_EQ(refused.getNumParameters(), 0);
    EXPECT_EQ(refused.dispatch(vst2::effGetTailSize), 0) << "requests without an effect: ignored";
    EXPECT_TRUE(refused.getChunk().empty());
    EXPECT_FALSE(refused.canReplace());

    const Instance withoutEntry(nullptr, {});
    EXPECT_FALSE(withoutEntry.hasEffect());
    EXPECT_EQ(withoutEntry.getProblem(), "the module has no entry point");
}

TEST(Instance, RecordsEveryCallWithItsThreadAndShowsItToTheObserver)
{
    const Module echo(fakeModule("echo"));
    const Module gain(fakeModule("gain"));
    Watcher watcher;
    Instance::Options options;
    options.recordCalls = true;
    options.observer = &watcher;

    // The echo asks for the version from its entry point, before the host knows the effect.
    Instance made(echo.getEntryPoint(), options);
    ASSERT_TRUE(made.hasEffect());
    auto calls = made.getCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, vst2::audioMasterVersion);
    EXPECT_EQ(calls[0].effect, nullptr);
    EXPECT_EQ(calls[0].thread, std::this_thread::get_id());

    Instance instance(gain.getEntryPoint(), options);
    std::thread other([&] { instance.getChunk(); });
    const auto otherThread = other.get_id();
    other.join();
    calls = instance.getCalls();
    ASSERT_EQ(calls.size(), 9u) << "eight questions and the automation notice";
    for (const auto& call : calls)
    {
        EXPECT_EQ(call.effect, instance.getEffect());
        EXPECT_EQ(call.thread, otherThread);
    }
    const auto automations = instance.getCalls(vst2::audioMasterAutomate);
    ASSERT_EQ(automations.size(), 1u);
    EXPECT_EQ(automations[0].opt, 0.25f);
    EXPECT_TRUE(instance.getCalls(vst2::audioMasterIdle).empty());
    EXPECT_EQ(made.getCalls().size(), 1u) << "records are per instance";

    {
        const std::lock_guard<std::mutex> guard(watcher.lock);
        EXPECT_EQ(watcher.begun.size(), 10u);
        EXPECT_EQ(watcher.ended, watcher.begun);
        EXPECT_TRUE(watcher.paired && watcher.open.empty());
    }

    instance.clearCalls();
    EXPECT_TRUE(instance.getCalls().empty());

    // A caller that is no instance's still hears enough to make its effect.
    EXPECT_EQ(Instance::callback(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
    EXPECT_EQ(Instance::callback(nullptr, vst2::audioMasterGetSampleRate, 0, 0, nullptr, 0.0f),
              44100);
    EXPECT_EQ(Instance::callback(nullptr, vst2::audioMasterCanDo, 0, 0, nullptr, 0.0f), 0);
}

TEST(Instance, ProcessesAndMovesChunksAsTheModuleOffers)
{
    unsetenv("MORVANE_FAULT");
    const Module echo(fakeModule("echo"));
    const Module gain(fakeModule("gain"));
    Instance stereo(echo.getEntryPoint(), {});
    Instance mono(gain.getEntryPoint(), {});
    EXPECT_TRUE(stereo.canReplace());
    EXPECT_FALSE(mono.canReplace()) << "the gain has only the accumulating call";

    std::vector<float> left(8, 0.5f), right(8, -0.5f), outLeft(8, 3.0f), outRight(8, 3.0f);
    float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    stereo.resume();
    stereo.processReplacing(inputs, outputs, 8);
    EXPECT_FLOAT_EQ(outLeft[0], 0.5f + 0.05f) << "replaced: dry at 1 plus a tenth of the echo";
    std::fill(outLeft.begin(), outLeft.end(), 1.0f);
    mono.processAccumulating(inputs, outputs, 8);
    EXPECT_FLOAT_EQ(outLeft[0], 1.25f) << "added to: half the input on top";

    stereo.setParameter(3, 0.75f);
    const auto chunk = stereo.getChunk();
    ASSERT_EQ(chunk.size(), 32u);
    Instance copy(echo.getEntryPoint(), {});
    copy.setChunk(chunk);
    EXPECT_EQ(copy.getParameter(3), 0.75f);
    copy.setParameter(3, 0.5f);
    EXPECT_EQ(copy.setChunk({}), 0);
    EXPECT_EQ(copy.getParameter(3), 0.5f) << "an empty chunk changes nothing";
    EXPECT_EQ(copy.getChunk(true).size(), 32u);

    copy.close();
    EXPECT_FALSE(copy.hasEffect());
    copy.close();
}
