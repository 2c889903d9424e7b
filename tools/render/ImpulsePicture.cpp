// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImpulsePicture.h"

#include "ImpulseWording.h"
#include "PlotAxes.h"
#include "Spectrogram.h"

#include <algorithm>
#include <cmath>

namespace morvane
{

namespace
{
const juce::Colour bandColours[] = {juce::Colour(0xff000000), juce::Colour(0xff8c2d04),
                                    juce::Colour(0xffd95f0e), juce::Colour(0xffc4a000),
                                    juce::Colour(0xff31a354), juce::Colour(0xff1f78b4),
                                    juce::Colour(0xff6a3d9a), juce::Colour(0xffe7298a)};

void drawLevelAxis(juce::Graphics& g, juce::Rectangle<int> plot)
{
    constexpr double floorDb = PlotAxes::floorDb;
    g.setFont(13.0f);
    for (int level = 0; level >= static_cast<int>(floorDb); level -= 10)
    {
        const int y = plot.getY() + juce::roundToInt(level / floorDb * plot.getHeight());
        g.setColour(juce::Colour(0x30000000));
        g.drawHorizontalLine(y, static_cast<float>(plot.getX()),
                             static_cast<float>(plot.getRight()));
        g.setColour(juce::Colours::black);
        g.drawText(juce::String(level), juce::Rectangle<int>(plot.getX() - 46, y - 8, 40, 16),
                   juce::Justification::centredRight);
    }
}

// Each band's colour, name and T30 (left / right), bottom left, where a decay curve seldom
// goes.
void drawLegend(juce::Graphics& g, juce::Rectangle<int> plot,
                const ImpulseAnalysis::Figures& figures)
{
    const int legendHeight = 18 * static_cast<int>(figures.bands.size()) + 8;
    const juce::Rectangle<int> legend(plot.getX() + 10, plot.getBottom() - legendHeight - 10, 250,
                                      legendHeight);
    g.setColour(juce::Colours::white.withAlpha(0.9f));
    g.fillRect(legend);
    g.setColour(juce::Colour(0x60000000));
    g.drawRect(legend);
    g.setFont(13.0f);
    for (size_t b = 0; b < figures.bands.size(); ++b)
    {
        const auto& band = figures.bands[b];
        const int y = legend.getY() + 4 + 18 * static_cast<int>(b);
        g.setColour(bandColours[b % std::size(bandColours)]);
        g.fillRect(legend.getX() + 8, y + 7, 24, 3);
        g.setColour(juce::Colours::black);
        const auto t30 = [](double value)
        { return ImpulseWording::number(value, 2, "-") + (std::isfinite(value) ? " s" : ""); };
        g.drawText(ImpulseWording::bandName(band) + "   T30 " + t30(band.channels[0].t30) + " / " +
                       t30(band.channels[1].t30),
                   juce::Rectangle<int>(legend.getX() + 40, y, legend.getWidth() - 44, 18),
                   juce::Justification::centredLeft);
    }
}

void drawDecayCurves(juce::Graphics& g, juce::Rectangle<int> plot,
                     const ImpulseAnalysis::Figures& figures, double seconds)
{
    g.setColour(juce::Colours::white);
    g.fillRect(plot);
    PlotAxes::drawTime(g, plot, seconds);
    drawLevelAxis(g, plot);

    const auto toPoint = [&](size_t index, float level)
    {
        const double t = static_cast<double>(index) * ImpulseAnalysis::curveStepSeconds;
        return juce::Point<float>(
            static_cast<float>(plot.getX() + t / seconds * plot.getWidth()),
            static_cast<float>(plot.getY() + juce::jlimit(0.0, 1.0, level / PlotAxes::floorDb) *
                                                 plot.getHeight()));
    };

    g.saveState();
    g.reduceClipRegion(plot);
    // The bands first, the broadband curve on top of them.
    for (size_t b = figures.bands.size(); b-- > 0;)
    {
        const auto& curve = figures.bands[b].curveDb;
        if (curve.empty())
            continue;
        juce::Path path;
        path.startNewSubPath(toPoint(0, curve[0]));
        for (size_t i = 1; i < curve.size(); ++i)
            path.lineTo(toPoint(i, curve[i]));
        g.setColour(bandColours[b % std::size(bandColours)]);
        g.strokePath(path, juce::PathStrokeType(b == 0 ? 2.5f : 1.5f));
    }
    g.restoreState();
    drawLegend(g, plot, figures);
}
} // namespace

juce::Image ImpulsePicture::draw(const juce::AudioBuffer<float>& ir,
                                 const ImpulseAnalysis::Figures& figures, const juce::String& title)
{
    juce::Image image(juce::Image::RGB, width, height, true, juce::SoftwareImageType());
    juce::Graphics g(image);
    g.fillAll(juce::Colour(0xfff4f4f0));

    const double length = figures.sampleRate > 0.0 ? ir.getNumSamples() / figures.sampleRate : 0.0;
    const double seconds = std::max(length, 0.01);

    g.setColour(juce::Colours::black);
    g.setFont(18.0f);
    g.drawText(title, juce::Rectangle<int>(20, 8, width - 40, 24),
               juce::Justification::centredLeft);

    const juce::Rectangle<int> curves(70, 64, width - 100, 400);
    const juce::Rectangle<int> spectrogram(70, 530, width - 100, 320);
    g.setFont(14.0f);
    g.drawText("Energy decay (dB), both channels, from the first arrival",
               curves.withY(curves.getY() - 22).withHeight(20), juce::Justification::centredLeft);
    g.drawText("Spectrogram (Hz, dB below the loudest point), both channels",
               spectrogram.withY(spectrogram.getY() - 22).withHeight(20),
               juce::Justification::centredLeft);
    g.drawText("seconds", juce::Rectangle<int>(0, height - 24, width, 20),
               juce::Justification::centred);

    drawDecayCurves(g, curves, figures, seconds);
    Spectrogram::draw(g, spectrogram, ir, figures.sampleRate, seconds);
    g.setColour(juce::Colour(0x80000000));
    g.drawRect(curves);
    g.drawRect(spectrogram);
    return image;
}

} // namespace morvane
