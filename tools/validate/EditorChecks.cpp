// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorChecks.h"

#include "AudioRunner.h"
#include "HostedInstance.h"
#include "Randomness.h"
#include "SignalScan.h"
#include "StereoBlock.h"

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

namespace morvane::validate
{

namespace
{

constexpr int openCloseCycles = 100;
constexpr int cyclesWhileProcessing = 20;
constexpr int stormChanges = 20000;

class EditorSession
{
public:
    EditorSession(const HostedInstance& instanceToShow, host::HostWindow& hostWindow,
                  GroupResult& groupResult)
        : instance(instanceToShow), window(hostWindow), result(groupResult)
    {
    }

    /** One cycle: size, open, a few idle calls, close, each step checked in the host's window. */
    void cycle(const std::string& when)
    {
        if (!open(when))
            return;
        idle(3);
        close(when);
    }

    bool open(const std::string& when)
    {
        vst2::ERect* rect = nullptr;
        if (instance.dispatch(vst2::effEditGetRect, 0, 0, &rect) != 1 || rect == nullptr ||
            rect->right - rect->left <= 0 || rect->bottom - rect->top <= 0)
        {
            result.fail(when + ": effEditGetRect gave no size");
            return false;
        }
        const int width = rect->right - rect->left;
        const int height = rect->bottom - rect->top;

        if (instance.dispatch(vst2::effEditOpen, 0, 0, window.handle()) != 1)
        {
            result.fail(when + ": effEditOpen refused the host's window");
            return false;
        }
        ++opens;
        idle(1);

        const auto children = window.children();
        if (children.size() != 1 || !children[0].mapped || children[0].width != width ||
            children[0].height != height)
            result.fail(when + ": the host's window holds " + std::to_string(children.size()) +
                        " windows instead of the " + std::to_string(width) + " x " +
                        std::to_string(height) + " editor");
        return true;
    }

    void close(const std::string& when)
    {
        instance.dispatch(vst2::effEditClose);
        ++closes;
        if (!window.children().empty())
            result.fail(when + ": the editor's window stayed in the host's after effEditClose");
    }

    void idle(int times) const
    {
        for (int i = 0; i < times; ++i)
            instance.dispatch(vst2::effEditIdle);
    }

    int opens = 0;
    int closes = 0;

private:
    const HostedInstance& instance;
    host::HostWindow& window;
    GroupResult& result;
};

} // namespace

GroupResult EditorChecks::run(const CheckContext& context)
{
    GroupResult result("editor");
    if (context.window == nullptr || !context.window->isOpen())
    {
        result.skip("no X display (run it under tests/support/with-xvfb.sh)");
        return result;
    }
    host::HostWindow& window = *context.window;

    int cycles = 0;
    std::uint64_t stormEchoes = 0;
    SignalScan audioScan;
    {
        HostedInstance instance(context.module);
        if (!instance.isOpen())
        {
            result.fail("the module gave no plug-in");
            return result;
        }
        if ((instance.getEffect()->flags & vst2::effFlagsHasEditor) == 0)
        {
            result.fail("the plug-in announces no editor");
            return result;
        }
        EditorSession session(instance, window, result);

        // Never resumed: a host that opens the editor before it starts audio.
        session.cycle("suspended before any resume");
        ++cycles;

        for (int i = 0; i < openCloseCycles; ++i, ++cycles)
            session.cycle("open/close cycle " + std::to_string(i + 1));

        instance.configure(48000.0, 256);
        {
            AudioRunner audio(instance, 21);
            for (int i = 0; i < cyclesWhileProcessing; ++i, ++cycles)
                session.cycle("while processing, cycle " + std::to_string(i + 1));
            audioScan += audio.finish();
        }

        instance.suspend();
        session.cycle("while suspended");
        ++cycles;

        instance.dispatch(vst2::effSetSampleRate, 0, 0, nullptr, 0.0f);
        session.cycle("suspended at 0 Hz");
        ++cycles;

        instance.configure(0.0, 256);
        {
            AudioRunner audio(instance, 21);
            session.cycle("at 0 Hz while processing");
            ++cycles;
            audioScan += audio.finish();
        }

        // Changes from the host while the editor shows them: it must follow, and never send
        // any of them back as if the user had turned a knob.
        // The first block at a new rate announces the program to the host again, which is no
        // echo; it is processed before the count starts, as the 0 Hz run above may have ended
        // before its thread processed anything.
        instance.configure(44100.0, 256);
        {
            StereoBlock block(256);
            block.fillSilence(256);
            instance.process(block.inputs(), block.outputs(), 256);
        }
        if (session.open("parameter storm"))
        {
            ++cycles;
            const auto echoesBefore = instance.automateCalls();
            std::atomic<bool> stormDone{false};
            std::thread storm(
                [&]
                {
                    Randomness values(23);
                    for (int i = 0; i < stormChanges; ++i)
                        instance.setParameter(i % instance.numParameters(),
                                              values.hostileParameter());
                    stormDone.store(true, std::memory_order_release);
                });
            {
                AudioRunner audio(instance, 21);
                while (!stormDone.load(std::memory_order_acquire))
                {
                    session.idle(1);
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                storm.join();
                session.idle(10);
                audioScan += audio.finish();
            }
            stormEchoes = instance.automateCalls() - echoesBefore;
            if (stormEchoes > 0)
                result.fail("the editor sent " + std::to_string(stormEchoes) +
                            " automation calls back to the host while following host changes");
            session.close("parameter storm");
        }

        if (session.opens != session.closes)
            result.fail(std::to_string(session.opens) + " opens but " +
                        std::to_string(session.closes) + " closes");
        if (audioScan.nonFinite() > 0)
            result.fail(std::to_string(audioScan.nonFinite()) +
                        " non-finite samples while the editor opened and closed");

        context.tally.add(instance.audioPath());
    }

    // The open editor at effClose: the host's window must be empty afterwards.
    {
        HostedInstance instance(context.module);
        EditorSession session(instance, window, result);
        if (session.open("closing the plug-in with its editor open"))
            ++cycles;
    }
    if (!window.children().empty())
        result.fail("closing the plug-in with its editor open left its window behind");

    std::ostringstream figures;
    figures << cycles << " editor open/close cycles (" << openCloseCycles << " in a row, "
            << cyclesWhileProcessing << " while processing, suspended, at 0 Hz, one left open "
            << "at effClose); " << stormChanges << " parameter changes from another thread "
            << "while open, " << stormEchoes << " echoed to the host; " << audioScan.samples() / 2
            << " frames processed meanwhile, " << audioScan.nonFinite() << " non-finite";
    result.setFigures(figures.str());
    return result;
}

} // namespace morvane::validate
