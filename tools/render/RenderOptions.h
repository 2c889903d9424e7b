#pragma once

#include <juce_core/juce_core.h>

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

    /** Reads argv; on a mistake returns the one-line message to print. */
    static std::optional<juce::String> parse(const juce::StringArray& args, RenderOptions& out);

    static juce::String usage();
};

} // namespace morvane
