#include "RenderOptions.h"

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
    const int index = ParameterTable::findByName(name.toRawUTF8());
    if (index < 0)
        return "unknown parameter '" + name +
               "' (known: On / Off, Wet, Dry, Delay, Size, Low Pass, High Pass)";

    const auto valueText = assignment.substring(equals + 1);
    const auto value = parseNumber(valueText);
    if (!value || *value < 0.0 || *value > 1.0)
        return "value for " + juce::String(ParameterTable::get(index).name) +
               " must be a number from 0 to 1, got '" + valueText + "'";

    out.settings.emplace_back(index, static_cast<float>(*value));
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
        else if (arg == "--set" || arg == "--out" || arg == "-o" || arg == "--tail" ||
                 arg == "--block" || arg == "--bits" || arg == "--seed" || arg == "--snapshot" ||
                 arg == "--scale" || arg == "--load-state" || arg == "--save-state")
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
    if (out.snapshotPath.isNotEmpty() &&
        (out.loadStatePath.isNotEmpty() || out.saveStatePath.isNotEmpty()))
        return "--load-state and --save-state go with rendering, not with --snapshot";
    return std::nullopt;
}

juce::String RenderOptions::usage()
{
    return "usage: morvane-render [INPUT] [options]\n"
           "Renders INPUT (WAV, AIFF or FLAC) through the Morvane reverb and writes a WAV file.\n"
           "Without INPUT it renders a built-in demo phrase to build/demo/.\n"
           "\n"
           "  -o, --out FILE        output file (default: INPUT-morvane.wav beside the input)\n"
           "  --set NAME=VALUE      set a parameter, 0..1; NAME is On / Off, Wet, Dry, Delay,\n"
           "                        Size, Low Pass or High Pass (any case) or its stored name\n"
           "  --tail SECONDS        longest reverb tail appended after the input (default 30);\n"
           "                        the tail stops earlier once it falls below -90 dBFS\n"
           "  --block N             block size handed to the processor (default 512)\n"
           "  --bits 24|32          24-bit integer or 32-bit floating-point output (default 24)\n"
           "  --seed N              seed the random generators, for reproducible renders\n"
           "  --load-state FILE     start from a stored state (as a host saves it); --set\n"
           "                        values apply on top of it\n"
           "  --save-state FILE     also write the state used for the render\n"
           "  --snapshot FILE.png   draw the editor showing the --set values instead of rendering\n"
           "  --scale S             size of the picture, 0.5 to 4 (default 1: 400 x 110)\n"
           "  -h, --help            this text\n";
}

} // namespace morvane
