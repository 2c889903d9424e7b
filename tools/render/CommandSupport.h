// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OfflineRenderer.h"
#include "RenderOptions.h"
#include "RenderSource.h"

#include <memory>
#include <optional>

namespace morvane
{

/** What the renderer's commands share: the processor the options ask for, set up as they say,
    how it is described in the reports, renders with a progress bar, and the one way a command
    fails.

    Thread rule: the tool's main thread. */
class CommandSupport
{
public:
    /** Prints the message as the renderer's one error line; returns the failure exit status. */
    static int fail(const juce::String& message);

    /** A path as typed, relative to the working directory. */
    static juce::File inWorkingDirectory(const juce::String& path);

    /** The processor that renders, the built-in one or the module given with --plugin, with the
        loaded state and every --set applied; null with the reason in error. The seed is set
        just before either is made, so that both start their modulation from it. */
    static std::unique_ptr<RenderSource> makeConfiguredSource(const RenderOptions& options,
                                                              juce::String& error);

    /** The loaded state or preset first, then every --set on top of it; the reason when one
        fails. */
    static std::optional<juce::String> configure(RenderSource& source,
                                                 const RenderOptions& options);

    /** "Name (built in)" or "Name (module path)". */
    static juce::String describeSource(const RenderOptions& options, const RenderSource& source);

    /** Every parameter with its value as the processor shows it. */
    static juce::String describeSettings(const RenderSource& source);

    /** Renders the input with the renderer, with a progress bar on stderr unless quiet. */
    static juce::AudioBuffer<float>
    render(OfflineRenderer& renderer, const juce::AudioBuffer<float>& input, double sampleRate,
           double maxTailSeconds, bool quiet,
           OfflineRenderer::Input kind = OfflineRenderer::Input::recording);
};

} // namespace morvane
