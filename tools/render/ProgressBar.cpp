// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressBar.h"

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace morvane
{

namespace
{
constexpr auto redrawInterval = std::chrono::milliseconds(100);
}

ProgressBar ProgressBar::forStandardError(const juce::String& label, bool quiet)
{
    return ProgressBar(stderr, label, !quiet && ::isatty(STDERR_FILENO) == 1);
}

ProgressBar::ProgressBar(std::FILE* output, const juce::String& text, bool isEnabled)
    : stream(output), label(text), enabled(isEnabled)
{
}

ProgressBar::~ProgressBar()
{
    finish();
}

bool ProgressBar::worthShowing(double elapsedSeconds, double fraction) noexcept
{
    if (elapsedSeconds >= showAfterSeconds)
        return true;
    // Judged on a little evidence only: the first blocks of a render say little.
    if (!(fraction > 0.0) || elapsedSeconds < 0.1 * showAfterSeconds)
        return false;
    return elapsedSeconds / fraction > showAfterSeconds;
}

juce::String ProgressBar::line(const juce::String& text, double fraction)
{
    const double share = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    const int filled = static_cast<int>(std::floor(share * barWidth));
    return text + " [" + juce::String::repeatedString("#", filled) +
           juce::String::repeatedString(" ", barWidth - filled) + "] " +
           juce::String(static_cast<int>(std::floor(share * 100.0))).paddedLeft(' ', 3) + "%";
}

void ProgressBar::update(double fraction)
{
    if (!enabled)
        return;
    const auto now = Clock::now();
    if (!drawn && !worthShowing(std::chrono::duration<double>(now - started).count(), fraction))
        return;
    if (drawn && now - lastDrawn < redrawInterval && fraction < 1.0)
        return;
    std::fprintf(stream, "\r%s", line(label, fraction).toRawUTF8());
    std::fflush(stream);
    drawn = true;
    lastDrawn = now;
}

void ProgressBar::finish()
{
    if (!drawn)
        return;
    // Spaces over the whole line, then back to its start.
    std::fprintf(stream, "\r%s\r",
                 juce::String::repeatedString(" ", line(label, 1.0).length()).toRawUTF8());
    std::fflush(stream);
    drawn = false;
}

} // namespace morvane
