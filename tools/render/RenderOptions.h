// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace morvane
{

/** What the command line asked for. Any thread. */
struct RenderOptions
{
    juce::String inputPath;  // empty: the embedded demo phrase
    juce::String outputPath; // empty: chosen from the input
    std::vector<std::pair<int, float>> settings;
    double maxTailSeconds = 30.0;
    int blockSize = 512;
    int bitsPerSample = 24;
    std::optional<unsigned int> seed;
    bool showHelp = false;
    juce::String snapshotPath; // not empty: draw the editor to this PNG instead of rendering
    std::optional<float> snapshotScale;

    // Not empty: the stored state to start from, before the --set values.
    juce::String loadStatePath;
    // Not empty: where to write the state used for the render.
    juce::String saveStatePath;

    // Set: the factory preset to start from, by its place in FactoryPresets::all().
    std::optional<std::size_t> preset;
    // Print the factory presets' names instead of rendering.
    bool listPresets = false;

    // Every --set as typed: a parameter name or index, and the value. Without --plugin they
    // are also resolved into settings above; a module's names are known only once it loads.
    std::vector<std::pair<juce::String, float>> namedSettings;

    // Not empty: render through this VST 2.4 module instead of the built-in processor.
    juce::String pluginPath;
    // How long a module may take to load before it counts as hanging.
    double loadTimeoutSeconds = 10.0;

    // Set: measure the processing speed on this many seconds of noise instead of rendering.
    std::optional<double> benchSeconds;
    static constexpr double defaultBenchSeconds = 10.0;
    int benchRuns = 5;
    // The rate of renders that have no input file of their own (--bench); unset: 48000.
    std::optional<double> sampleRate;
    static constexpr double defaultSampleRate = 48000.0;

    // No progress bar and no report on stdout; errors still go to stderr.
    bool quiet = false;

    // Render the impulse response and write its room-acoustics figures instead of a file.
    bool impulse = false;
    juce::String csvPath; // the figures; empty: impulse-response.csv
    juce::String pngPath; // the decay curves and spectrogram; empty: impulse-response.png
    static constexpr const char* defaultImpulseName = "impulse-response";

    /** Reads argv; on a mistake returns the one-line message to print. */
    static std::optional<juce::String> parse(const juce::StringArray& args, RenderOptions& out);

    static juce::String usage();

    /** A parameter given by its index: a whole number below numParameters; -1 otherwise. */
    static int parameterIndex(const juce::String& text, int numParameters);
};

} // namespace morvane
