// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioFiles.h"

#include <juce_audio_formats/juce_audio_formats.h>

namespace morvane
{

namespace
{
// Longer input than this is refused rather than exhausting memory.
constexpr juce::int64 maxInputSamples = juce::int64(192000) * 60 * 60;
} // namespace

std::optional<juce::String> AudioFiles::read(const juce::File& file, Recording& out)
{
    if (!file.existsAsFile())
        return "cannot open '" + file.getFullPathName() + "': no such file";

    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader(formats.createReaderFor(file));
    if (reader == nullptr)
        return "cannot read '" + file.getFullPathName() +
               "': not a WAV, AIFF or FLAC file, or damaged";

    if (reader->numChannels < 1 ||
        !(reader->sampleRate >= 1000.0 && reader->sampleRate <= 768000.0))
        return "cannot read '" + file.getFullPathName() +
               "': unusable channel count or sample rate";

    if (reader->lengthInSamples <= 0 || reader->lengthInSamples > maxInputSamples)
        return "cannot read '" + file.getFullPathName() + "': empty or longer than an hour";

    const auto length = static_cast<int>(reader->lengthInSamples);
    out.audio.setSize(2, length);
    out.audio.clear();
    const bool stereo = reader->numChannels >= 2;
    if (!reader->read(&out.audio, 0, length, 0, true, stereo))
        return "cannot read '" + file.getFullPathName() + "': read error";
    if (!stereo)
        out.audio.copyFrom(1, 0, out.audio, 0, 0, length);

    out.sampleRate = reader->sampleRate;
    out.formatName = reader->getFormatName();
    return std::nullopt;
}

std::optional<juce::String> AudioFiles::writeWav(const juce::File& file,
                                                 const juce::AudioBuffer<float>& audio,
                                                 double sampleRate, int bitsPerSample)
{
    if (!(sampleRate >= 1.0 && sampleRate <= 768000.0))
        return "cannot write a WAV at " + juce::String(sampleRate) + " Hz";

    const auto directory = file.getParentDirectory();
    if (!directory.createDirectory())
        return "cannot create folder '" + directory.getFullPathName() + "'";

    juce::TemporaryFile temporary(file);
    {
        auto stream = temporary.getFile().createOutputStream();
        if (stream == nullptr)
            return "cannot write '" + file.getFullPathName() + "'";

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::OutputStream> owned(stream.release());
        std::unique_ptr<juce::AudioFormatWriter> writer(
            wav.createWriterFor(owned.get(), sampleRate, 2, bitsPerSample, {}, 0));
        if (writer == nullptr)
            return "cannot write a " + juce::String(bitsPerSample) + "-bit WAV at " +
                   juce::String(sampleRate) + " Hz";
        owned.release(); // the writer owns the stream now

        if (!writer->writeFromAudioSampleBuffer(audio, 0, audio.getNumSamples()))
            return "cannot write '" + file.getFullPathName() + "': disk full?";
    }

    if (!temporary.overwriteTargetFileWithTemporary())
        return "cannot move the finished file to '" + file.getFullPathName() + "'";
    return std::nullopt;
}

} // namespace morvane
