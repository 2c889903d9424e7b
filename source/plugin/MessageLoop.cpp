// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugin/MessageLoop.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace juce
{
// JUCE's Linux run loop: dispatches what is ready and answers whether there was anything.
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace juce

namespace morvane
{

namespace
{

// A message that keeps re-posting itself must not hold the host's idle call for ever.
constexpr int maxMessagesPerIdle = 1000;

class Loop
{
public:
    std::recursive_mutex lock;
    int instances = 0;
    // Open editors plus host calls in progress; the dispatch thread runs only while this is 0.
    int pauses = 0;

    void start()
    {
        if (thread.joinable())
            return;

        stopRequested.store(false, std::memory_order_relaxed);
        {
            std::lock_guard<std::mutex> guard(startMutex);
            started = false;
        }
        thread = std::thread([this] { run(); });

        // Until the thread has claimed the message-thread role, the last caller still holds it.
        std::unique_lock<std::mutex> guard(startMutex);
        startedCondition.wait(guard, [this] { return started; });
    }

    void stop()
    {
        if (!thread.joinable() || thread.get_id() == std::this_thread::get_id())
            return;

        stopRequested.store(true, std::memory_order_relaxed);
        // Wakes the loop if it is waiting for a message.
        juce::MessageManager::callAsync([] {});
        thread.join();
    }

    bool isRunning() const { return thread.joinable(); }

private:
    void run()
    {
        juce::Thread::setCurrentThreadName("Morvane Messages");
        juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
        {
            std::lock_guard<std::mutex> guard(startMutex);
            started = true;
        }
        startedCondition.notify_all();

        while (!stopRequested.load(std::memory_order_relaxed))
            juce::dispatchNextMessageOnSystemQueue(false);
    }

    std::thread thread;
    std::atomic<bool> stopRequested{false};
    std::mutex startMutex;
    std::condition_variable startedCondition;
    bool started = false;
};

Loop& loop()
{
    static Loop instance;
    return instance;
}

} // namespace

MessageLoop::Instance::Instance()
{
    auto& l = loop();
    const std::lock_guard<std::recursive_mutex> guard(l.lock);

    if (l.instances++ == 0)
        juce::initialiseJuce_GUI();

    if (l.pauses == 0)
        l.start();
}

MessageLoop::Instance::~Instance()
{
    auto& l = loop();
    const std::lock_guard<std::recursive_mutex> guard(l.lock);

    if (--l.instances > 0)
        return;

    l.stop();
    // Deletes JUCE's singletons (the timer thread and the window system among them) and the
    // message queue; the next instance starts everything again.
    juce::shutdownJuce_GUI();
}

MessageLoop::HostCall::HostCall()
{
    auto& l = loop();
    l.lock.lock();

    ++l.pauses;
    l.stop();

    if (l.instances > 0)
        juce::MessageManager::getInstance()->setCurrentThreadAsMessageThread();
}

MessageLoop::HostCall::~HostCall()
{
    auto& l = loop();

    if (--l.pauses == 0 && l.instances > 0)
        l.start();

    l.lock.unlock();
}

void MessageLoop::editorOpened()
{
    auto& l = loop();
    const std::lock_guard<std::recursive_mutex> guard(l.lock);
    ++l.pauses;
}

void MessageLoop::editorClosed()
{
    auto& l = loop();
    const std::lock_guard<std::recursive_mutex> guard(l.lock);
    --l.pauses;
}

void MessageLoop::dispatchPending()
{
    for (int i = 0; i < maxMessagesPerIdle; ++i)
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            return;
}

bool MessageLoop::isDispatchThreadRunning()
{
    auto& l = loop();
    const std::lock_guard<std::recursive_mutex> guard(l.lock);
    return l.isRunning();
}

} // namespace morvane
