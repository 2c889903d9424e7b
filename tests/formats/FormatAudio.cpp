// SPDX-License-Identifier: GPL-3.0-or-later
#include "FormatAudio.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace morvane::test
{

juce::File workDirectory(const juce::String& name)
{
    auto dir = juce::File(MORVANE_TEST_WORK_DIR).getChildFile(name);
    dir.deleteRecursively();
    dir.createDirectory();
    return dir;
}

juce::AudioBuffer<float> makePhrase(double rate)
{
    const int length = static_cast<int>(rate * 0.75);
    juce::AudioBuffer<float> audio(2, length);
    audio.clear();
    juce::Random random(7);
    for (int n = 0; n < length / 3; ++n)
    {
        const float envelope = std::exp(-static_cast<float>(n) / static_cast<float>(rate * 0.05));
        audio.setSample(0, n, 0.5f * envelope * (random.nextFloat() * 2.0f - 1.0f));
        audio.setSample(1, n, 0.5f * envelope * (random.nextFloat() * 2.0f - 1.0f));
        const double t = n / rate;
        audio.addSample(
            0, n,
            static_cast<float>(0.2 * std::sin(2.0 * juce::MathConstants<double>::pi * 220.0 * t)));
        audio.addSample(
            1, n,
            static_cast<float>(0.2 * std::sin(2.0 * juce::MathConstants<double>::pi * 330.0 * t)));
    }
    return audio;
}

void writeFloatWav(const juce::File& file, const juce::AudioBuffer<float>& audio, double rate)
{
    file.deleteFile();
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer(
        wav.createWriterFor(new juce::FileOutputStream(file), rate, 2, 32, {}, 0));
    ASSERT_NE(writer, nullptr);
    ASSERT_TRUE(writer->writeFromAudioSampleBuffer(audio, 0, audio.getNumSamples()));
}

juce::AudioBuffer<float> readWav(const juce::File& file)
{
    // JUCE's reader reads from whatever stream it is given, even none: a missing file (a render
    // that failed) must come back empty, for the test to fail rather than crash.
    auto stream = file.createInputStream();
    if (stream == nullptr)
        return {};
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(wav.createReaderFor(stream.release(), true));
    if (reader == nullptr)
        return {};
    juce::AudioBuffer<float> audio(static_cast<int>(reader->numChannels),
                                   static_cast<int>(reader->lengthInSamples));
    reader->read(&audio, 0, audio.getNumSamples(), 0, true, true);
    return audio;
}

int firstDifference(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b,
                    int length)
{
    for (int n = 0; n < length; ++n)
        for (int c = 0; c < 2; ++c)
            if (std::memcmp(a.getReadPointer(c, n), b.getReadPointer(c, n), sizeof(float)) != 0)
                return n;
    return -1;
}

juce::AudioBuffer<float> renderReference(const juce::File& input, const juce::String& arguments)
{
    const auto output = input.getSiblingFile(input.getFileNameWithoutExtension() + "-ref.wav");
    const auto log = input.getSiblingFile(input.getFileNameWithoutExtension() + "-render.log");
    const juce::String command =
        juce::String(MORVANE_RENDER) + " " + input.getFullPathName().quoted() +
        " --bits 32 --seed 1 --tail 0 -o " + output.getFullPathName().quoted() + " " + arguments +
        " > " + log.getFullPathName().quoted() + " 2>&1";
    EXPECT_EQ(std::system(command.toRawUTF8()), 0) << command << "\n" << log.loadFileAsString();
    return readWav(output);
}

} // namespace morvane::test
