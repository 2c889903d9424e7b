// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderOptions.h"

#include "presets/FactoryPresets.h"
#include "processor/ParameterTable.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace morvane
{

namespace
{
// A number only when the whole text is one, so "0.5x" or "" is an error.
std::optional<double> parseNumber(const juce::String& text)
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty())
        return std::nullopt;

    const auto utf8 = trimmed.toStdString();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(utf8.c_str(), &end);
    if (end == utf8.c_str() || *end != 0 || errno == ERANGE || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<juce::String> parseSetting(const juce::String& assignment, RenderOptions& out)
{
    const int equals = assignment.indexOfChar('=');
    if (equals < 0)
        return "--set expects NAME=VALUE, got '" + assignment + "'";

    const auto name = assignment.substring(0, equals).trim();
    if (name.isEmpty())
        return "--set expects NAME=VALUE, got '" + assignment + "'";
    const int known = ParameterTable::findByName(name.toRawUTF8());

    const auto valueText = assignment.substring(equals + 1);
    const auto value = parseNumber(valueText);
    if (!value || *value < 0.0 || *value > 1.0)
        return "value for " + (known >= 0 ? juce::String(ParameterTable::get(known).name) : name) +
               " must be a number from 0 to 1, got '" + valueText + "'";

    out.namedSettings.emplace_back(name, static_cast<float>(*value));
    return std::nullopt;
}

// The built-in processor's parameters are known now; a module's only once it is loaded.
std::optional<juce::String> resolveBuiltInSettings(RenderOptions& out)
{
    for (const auto& [name, value] : out.namedSettings)
    {
        int index = ParameterTable::findByName(name.toRawUTF8());
        if (index < 0)
            index = RenderOptions::parameterIndex(name, ParameterTable::numParameters);
        if (index < 0)
            return "unknown parameter '" + name +
                   "' (known: On / Off, Wet, Dry, Delay, Size, Low Pass, High Pass)";
        out.settings.emplace_back(index, value);
    }
    return std::nullopt;
}
} // namespace

std::optional<juce::String> RenderOptions::parse(const juce::StringArray& args, RenderOptions& out)
{
    for (int i = 0; i < args.size(); ++i)
    {
        const auto arg = args[i];

        if (arg == "--help" || arg == "-h")
        {
            out.showHelp = true;
        }
        else if (arg == "--quiet" || arg == "-q")
        {
            out.quiet = true;
        }
        else if (arg == "--ir")
        {
            out.impulse = true;
        }
        else if (arg == "--list-presets")
        {
            out.listPresets = true;
        }
        else if (arg == "--bench")
        {
            // The length is optional: a number right after it is taken as the length.
            out.benchSeconds = RenderOptions::defaultBenchSeconds;
            if (i + 1 < args.size())
                if (const auto seconds = parseNumber(args[i + 1]))
                {
                    if (*seconds < 0.01 || *seconds > 3600.0)
                        return juce::String("--bench takes from 0.01 to 3600 seconds");
                    out.benchSeconds = *seconds;
                    ++i;
                }
        }
        else if (arg == "--plugin")
        {
            if (i + 1 >= args.size() || args[i + 1].isEmpty())
                return juce::String("--plugin needs the path of a VST 2.4 module (.so)");
            out.pluginPath = args[++i];
        }
        else if (arg == "--set" || arg == "--out" || arg == "-o" || arg == "--tail" ||
                 arg == "--block" || arg == "--bits" || arg == "--seed" || arg == "--snapshot" ||
                 arg == "--scale" || arg == "--load-state" || arg == "--save-state" ||
                 arg == "--rate" || arg == "--runs" || arg == "--load-timeout" || arg == "--csv" ||
                 arg == "--png" || arg == "--preset")
        {
            if (i + 1 >= args.size())
                return arg + " needs a value";
            const std::optional<juce::String> value = args[++i];

            if (arg == "--set")
            {
                if (auto error = parseSetting(*value, out))
                    return error;
            }
            else if (arg == "--out" || arg == "-o")
            {
                out.outputPath = *value;
            }
            else if (arg == "--load-state" || arg == "--save-state")
            {
                if (value->isEmpty())
                    return arg + " needs a file name";
                (arg == "--load-state" ? out.loadStatePath : out.saveStatePath) = *value;
            }
            else if (arg == "--preset")
            {
                const int index = FactoryPresets::find(*value);
                if (index < 0)
                    return "unknown preset '" + *value +
                           "' (known: " + FactoryPresets::listNames() + ")";
                out.preset = static_cast<std::size_t>(index);
            }
            else if (arg == "--csv" || arg == "--png")
            {
                if (value->isEmpty())
                    return arg + " needs a file name";
                (arg == "--csv" ? out.csvPath : out.pngPath) = *value;
            }
            else if (arg == "--snapshot")
            {
                if (value->isEmpty())
                    return "--snapshot needs a file name";
                out.snapshotPath = *value;
            }
            else
            {
                const auto number = parseNumber(*value);
                if (!number)
                    return arg + " expects a number, got '" + *value + "'";

                if (arg == "--tail")
                {
                    if (*number < 0.0 || *number > 3600.0)
                        return "--tail must lie between 0 and 3600 seconds";
                    out.maxTailSeconds = *number;
                }
                else if (arg == "--block")
                {
                    if (*number < 1.0 || *number > 65536.0 || std::floor(*number) != *number)
                        return "--block must be a whole number from 1 to 65536";
                    out.blockSize = static_cast<int>(*number);
                }
                else if (arg == "--bits")
                {
                    if (*number != 24.0 && *number != 32.0)
                        return "--bits must be 24 or 32 (32 writes floating point)";
                    out.bitsPerSample = static_cast<int>(*number);
                }
                else if (arg == "--rate")
                {
                    if (*number < 8000.0 || *number > 768000.0)
                        return juce::String("--rate must lie between 8000 and 768000 Hz");
                    out.sampleRate = *number;
                }
                else if (arg == "--runs")
                {
                    if (*number < 1.0 || *number > 1000.0 || std::floor(*number) != *number)
                        return juce::String("--runs must be a whole number from 1 to 1000");
                    out.benchRuns = static_cast<int>(*number);
                }
                else if (arg == "--load-timeout")
                {
                    if (*number < 0.1 || *number > 600.0)
                        return juce::String("--load-timeout must lie between 0.1 and 600 seconds");
                    out.loadTimeoutSeconds = *number;
                }
                else if (arg == "--scale")
                {
                    if (*number < 0.5 || *number > 4.0)
                        return "--scale must lie between 0.5 and 4";
                    out.snapshotScale = static_cast<float>(*number);
                }
                else
                {
                    if (*number < 0.0 || *number > 4294967295.0 || std::floor(*number) != *number)
                        return "--seed must be a whole number from 0 to 4294967295";
                    out.seed = static_cast<unsigned int>(*number);
                }
            }
        }
        else if (arg.startsWith("-") && arg.length() > 1)
        {
            return "unknown option '" + arg + "' (see --help)";
        }
        else if (out.inputPath.isEmpty())
        {
            out.inputPath = arg;
        }
        else
        {
            return "only one input file can be rendered at a time";
        }
    }
    if (out.snapshotScale && out.snapshotPath.isEmpty())
        return "--scale applies only to --snapshot";
    if (out.snapshotPath.isNotEmpty() && out.inputPath.isNotEmpty())
        return "--snapshot draws the editor and takes no input file";
    if (out.snapshotPath.isNotEmpty() && out.saveStatePath.isNotEmpty())
        return "--save-state applies to renders, not to --snapshot";
    if (out.preset && out.loadStatePath.isNotEmpty())
        return juce::String("--preset and --load-state both name the state to start from");
    if (out.snapshotPath.isNotEmpty() && out.pluginPath.isNotEmpty())
        return juce::String("--snapshot draws Morvane's own editor and takes no --plugin");
    if (out.benchSeconds && (out.snapshotPath.isNotEmpty() || out.inputPath.isNotEmpty() ||
                             out.outputPath.isNotEmpty() || out.saveStatePath.isNotEmpty()))
        return juce::String("--bench processes noise and writes nothing: no input, --out, "
                            "--save-state or --snapshot");
    if (out.impulse &&
        (out.inputPath.isNotEmpty() || out.snapshotPath.isNotEmpty() || out.benchSeconds))
        return juce::String("--ir renders an impulse: no input file, --snapshot or --bench");
    if (!out.impulse && (out.csvPath.isNotEmpty() || out.pngPath.isNotEmpty()))
        return juce::String("--csv and --png apply only to --ir");
    if (out.benchRuns != 5 && !out.benchSeconds)
        return juce::String("--runs applies only to --bench");
    if (out.pluginPath.isEmpty())
        return resolveBuiltInSettings(out);
    return std::nullopt;
}

int RenderOptions::parameterIndex(const juce::String& text, int numParameters)
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty() || !trimmed.containsOnly("0123456789") || trimmed.length() > 9)
        return -1;
    const int index = trimmed.getIntValue();
    return index < numParameters ? index : -1;
}

juce::String RenderOptions::usage()
{
    return "usage: morvane-render [INPUT] [options]\n"
           "Renders INPUT (WAV, AIFF or FLAC) through the Morvane reverb (or the VST 2.4 module\n"
           "given with --plugin) and writes a WAV file.\n"
           "Without INPUT it renders a built-in demo phrase to build/demo/.\n"
           "\n"
           "  -o, --out FILE        output file (default: INPUT-morvane.wav beside the input)\n"
           "  --set NAME=VALUE      set a parameter, 0..1; NAME is On / Off, Wet, Dry, Delay,\n"
           "                        Size, Low Pass or High Pass (any case), its stored name\n"
           "                        or its index from 0; with --plugin, the module's names\n"
           "  --tail SECONDS        longest reverb tail appended after the input (default 30);\n"
           "                        the tail stops earlier once it falls below -90 dBFS\n"
           "                        (with --ir, 90 dB below its peak)\n"
           "  --block N             block size handed to the processor (default 512)\n"
           "  --bits 24|32          24-bit integer or 32-bit floating-point output (default 24)\n"
           "  --seed N              seed the C library generator just before the processor is\n"
           "                        made, for reproducible renders; without it the modulation\n"
           "                        starts from the generator's unseeded state (that of seed 1)\n"
           "  --load-state FILE     start from a stored state (as a host saves it); --set\n"
           "                        values apply on top of it\n"
           "  --save-state FILE     also write the state used for the render\n"
           "  --preset NAME         start from a factory preset (any letter case, - for\n"
           "                        spaces); --set values apply on top of it\n"
           "  --list-presets        print the factory presets' names, one a line\n"
           "  --snapshot FILE.png   draw the editor showing the --set values (on a loaded state\n"
           "                        or preset) instead of rendering\n"
           "  --scale S             size of the picture, 0.5 to 4 (default 1: 400 x 110)\n"
           "  --plugin FILE.so      render through this VST 2.4 module instead of the built-in\n"
           "                        Morvane; it is tried in a separate process first, so a\n"
           "                        module that crashes or hangs while loading is refused\n"
           "  --load-timeout S      longest a module may take to load (default 10 s)\n"
           "  --bench [SECONDS]     time SECONDS of each kind of material per run (default 10)\n"
           "                        and print ns per stereo frame and the real-time factor,\n"
           "                        the median of --runs runs (default 5), in --block blocks\n"
           "  --ir                  render the impulse response (both channels, until 90 dB\n"
           "                        below its peak or --tail) and report EDT, T20, T30, the\n"
           "                        first arrival, the gap, D/R and IACC, broadband and per\n"
           "                        octave band from 125 Hz to 8 kHz; -o also writes the\n"
           "                        response as a WAV\n"
           "  --csv FILE            where --ir writes its figures (default impulse-response.csv)\n"
           "  --png FILE            where --ir draws the decay curves and a spectrogram\n"
           "                        (default impulse-response.png)\n"
           "  --rate HZ             sample rate for --bench and --ir (default 48000)\n"
           "  --runs N              how many times --bench measures\n"
           "  -q, --quiet           no progress bar and no report; errors only\n"
           "  -h, --help            this text\n"
           "A progress bar appears on stderr for renders of more than a second when stderr is a\n"
           "terminal.\n";
}

} // namespace morvane
