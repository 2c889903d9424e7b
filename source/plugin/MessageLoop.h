// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvane
{

/** Keeps JUCE's messages moving for every plug-in instance in the process.

    The first instance initialises JUCE and starts a shared dispatch thread that runs JUCE's
    message loop while no editor is open, so change messages, timers and deferred deletions keep
    working without any help from the host. Host calls that touch the user interface hold a
    HostCall: the dispatch thread is paused, the calling thread becomes JUCE's message thread,
    and no other thread runs interface code until the call returns. While an editor is open the
    host drives the loop through effEditIdle instead, because the editor's windows must only ever
    be touched from the host's own interface thread. The last instance stops the thread and
    shuts JUCE down, so that the host can unload the module.

    Thread rule: any thread; all state is guarded by one module-wide lock. */
class MessageLoop
{
public:
    /** Held by every live plug-in instance for its whole life. */
    class Instance
    {
    public:
        Instance();
        ~Instance();

        Instance(const Instance&) = delete;
        Instance& operator=(const Instance&) = delete;
    };

    /** Held for the duration of a host call that touches the user interface. Calls may nest on
        one thread; calls from other threads wait. */
    class HostCall
    {
    public:
        HostCall();
        ~HostCall();

        HostCall(const HostCall&) = delete;
        HostCall& operator=(const HostCall&) = delete;
    };

    /** An open editor keeps the dispatch thread paused; call these inside a HostCall. */
    static void editorOpened();
    static void editorClosed();

    /** Dispatches every message that is due (timers, repaints, window events, async updates);
        call inside a HostCall. */
    static void dispatchPending();

    /** For tests and diagnostics: whether the shared dispatch thread is running. */
    static bool isDispatchThreadRunning();
};

} // namespace morvane
