// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_core/juce_core.h>

#include <chrono>
#include <cstdio>

namespace morvane
{

/** A progress bar on one line of a terminal, for work that takes more than a second.

    It stays invisible while the work looks short: it appears once a second has passed, or
    earlier when what is done so far says the whole will take longer. It redraws at most a few
    times a second and clears its line when done, so the report that follows starts clean.
    Disabled (quiet, or the stream is not a terminal), it writes nothing at all.

    Thread rule: the thread doing the work only. */
class ProgressBar
{
public:
    static constexpr double showAfterSeconds = 1.0;
    static constexpr int barWidth = 40;

    /** Draws on stderr when it is a terminal and quiet is false. */
    static ProgressBar forStandardError(const juce::String& label, bool quiet);

    ProgressBar(std::FILE* stream, const juce::String& label, bool enabled);
    ~ProgressBar();

    /** Reports the share done, 0 to 1. */
    void update(double fraction);

    /** Clears the line, if anything was drawn. */
    void finish();

    bool hasDrawn() const noexcept { return drawn; }

    /** Whether a bar should show, seeing elapsed seconds of work reach this share. */
    static bool worthShowing(double elapsedSeconds, double fraction) noexcept;

    /** The text of the bar: label, the bar itself and the percentage. */
    static juce::String line(const juce::String& label, double fraction);

private:
    using Clock = std::chrono::steady_clock;

    std::FILE* stream;
    juce::String label;
    bool enabled;
    bool drawn = false;
    Clock::time_point started = Clock::now();
    Clock::time_point lastDrawn{};
};

} // namespace morvane
