// SPDX-License-Identifier: GPL-3.0-or-later
#include "Spectrogram.h"

#include "Fft.h"
#include "PlotAxes.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace morvane
{

namespace
{
constexpr double pi = 3.14159265358979323846;

// Dark blue through red to pale yellow as the level rises from `floor` to 0 dB.
juce::Colour heat(double levelDb, double floorDb)
{
    const auto x = static_cast<float>(juce::jlimit(0.0, 1.0, 1.0 - levelDb / floorDb));
    static const juce::Colour stops[] = {juce::Colour(0xff000010), juce::Colour(0xff2a1070),
                                         juce::Colour(0xffb0205a), juce::Colour(0xfff07020),
                                         juce::Colour(0xfffff0a0)};
    const float scaled = x * 4.0f;
    const int index = std::min(3, static_cast<int>(scaled));
    return stops[index].interpolatedWith(stops[index + 1], scaled - static_cast<float>(index));
}

// Each column's power per frequency bin, both channels added.
std::vector<std::vector<double>> columnPower(const juce::AudioBuffer<float>& ir, double sampleRate,
                                             double seconds, int columns, size_t size)
{
    std::vector<double> window(size);
    for (size_t n = 0; n < size; ++n)
        window[n] =
            0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(n) / static_cast<double>(size));

    const int count = ir.getNumSamples();
    std::vector<std::vector<double>> power(static_cast<size_t>(columns),
                                           std::vector<double>(size / 2 + 1, 0.0));
    std::vector<std::complex<double>> frame(size);
    for (int column = 0; column < columns; ++column)
    {
        const double centre = (column + 0.5) / columns * seconds * sampleRate;
        const auto first = static_cast<long>(std::lround(centre)) - static_cast<long>(size / 2);
        for (int channel = 0; channel < std::min(2, ir.getNumChannels()); ++channel)
        {
            const float* samples = ir.getReadPointer(channel);
            for (size_t n = 0; n < size; ++n)
            {
                const long index = first + static_cast<long>(n);
                const double value =
                    index >= 0 && index < count ? static_cast<double>(samples[index]) : 0.0;
                frame[n] = {std::isfinite(value) ? value * window[n] : 0.0, 0.0};
            }
            Fft::transform(frame);
            auto& bins = power[static_cast<size_t>(column)];
            for (size_t k = 0; k < bins.size(); ++k)
                bins[k] += std::norm(frame[k]);
        }
    }
    return power;
}
} // namespace

void Spectrogram::draw(juce::Graphics& g, juce::Rectangle<int> plot,
                       const juce::AudioBuffer<float>& ir, double sampleRate, double seconds)
{
    constexpr double floorDb = PlotAxes::floorDb;
    g.setColour(heat(floorDb, floorDb));
    g.fillRect(plot);
    PlotAxes::drawTime(g, plot, seconds);

    const double nyquist = sampleRate / 2.0;
    const double lowest = std::min(50.0, nyquist / 10.0);
    if (ir.getNumSamples() == 0 || ir.getNumChannels() == 0 || !(sampleRate > 0.0))
        return;

    size_t size = 64;
    while (static_cast<double>(size) < 0.02 * sampleRate)
        size <<= 1;
    const int columns = plot.getWidth();
    const int rows = plot.getHeight();
    const auto power = columnPower(ir, sampleRate, seconds, columns, size);
    double loudest = 0.0;
    for (const auto& bins : power)
        loudest = std::max(loudest, *std::max_element(bins.begin(), bins.end()));
    if (!(loudest > 0.0))
        return;

    juce::Image picture(juce::Image::RGB, columns, rows, false, juce::SoftwareImageType());
    const double binHz = sampleRate / static_cast<double>(size);
    for (int row = 0; row < rows; ++row)
    {
        // Each row covers a slice of log frequency; it shows the strongest bin in it.
        const auto frequencyAt = [&](double position)
        { return lowest * std::pow(nyquist / lowest, position); };
        const double top = frequencyAt(1.0 - static_cast<double>(row) / rows);
        const double bottom = frequencyAt(1.0 - static_cast<double>(row + 1) / rows);
        const auto low = static_cast<size_t>(std::lround(bottom / binHz));
        const auto high =
            std::max(low, std::min(size / 2, static_cast<size_t>(std::lround(top / binHz))));
        for (int column = 0; column < columns; ++column)
        {
            const auto& bins = power[static_cast<size_t>(column)];
            double strongest = 0.0;
            for (size_t k = low; k <= high; ++k)
                strongest = std::max(strongest, bins[k]);
            const double level = 10.0 * std::log10(std::max(strongest / loudest, 1e-30));
            picture.setPixelAt(column, row, heat(level, floorDb));
        }
    }
    g.drawImageAt(picture, plot.getX(), plot.getY());

    g.setFont(13.0f);
    for (const double frequency : {100.0, 1000.0, 10000.0})
    {
        if (frequency <= lowest || frequency >= nyquist)
            continue;
        const int y =
            plot.getBottom() - juce::roundToInt(std::log(frequency / lowest) /
                                                std::log(nyquist / lowest) * plot.getHeight());
        g.setColour(juce::Colours::white.withAlpha(0.4f));
        g.drawHorizontalLine(y, static_cast<float>(plot.getX()),
                             static_cast<float>(plot.getRight()));
        g.setColour(juce::Colours::black);
        g.drawText(frequency >= 1000.0 ? juce::String(frequency / 1000.0, 0) + "k"
                                       : juce::String(frequency, 0),
                   juce::Rectangle<int>(plot.getX() - 46, y - 8, 40, 16),
                   juce::Justification::centredRight);
    }
}

} // namespace morvane
