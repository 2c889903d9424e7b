#include "ImpulseReport.h"

#include "WholeFileWriter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace morvane
{

namespace
{
constexpr double pi = 3.14159265358979323846;

juce::String number(double value, int decimals)
{
    return std::isfinite(value) ? juce::String(value, decimals) : juce::String();
}

juce::String bandLabel(const ImpulseAnalysis::Band& band)
{
    return band.centreHz > 0.0 ? juce::String(juce::roundToInt(band.centreHz)) : "broadband";
}

// In-place radix-2 transform; the size must be a power of two.
void fft(std::vector<std::complex<double>>& data)
{
    const size_t size = data.size();
    for (size_t i = 1, j = 0; i < size; ++i)
    {
        size_t bit = size >> 1;
        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (size_t length = 2; length <= size; length <<= 1)
    {
        const double angle = -2.0 * pi / static_cast<double>(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t start = 0; start < size; start += length)
        {
            std::complex<double> twiddle(1.0, 0.0);
            for (size_t k = 0; k < length / 2; ++k)
            {
                const auto even = data[start + k];
                const auto odd = data[start + k + length / 2] * twiddle;
                data[start + k] = even + odd;
                data[start + k + length / 2] = even - odd;
                twiddle *= step;
            }
        }
    }
}

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

// A step of 1, 2 or 5 times a power of ten that gives about `count` divisions of `range`.
double niceStep(double range, int count)
{
    const double raw = range / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (raw <= factor * power)
            return factor * power;
    return 10.0 * power;
}

const juce::Colour bandColours[] = {juce::Colour(0xff000000), juce::Colour(0xff8c2d04),
                                    juce::Colour(0xffd95f0e), juce::Colour(0xffc4a000),
                                    juce::Colour(0xff31a354), juce::Colour(0xff1f78b4),
                                    juce::Colour(0xff6a3d9a), juce::Colour(0xffe7298a)};

constexpr double floorDb = -100.0;

void drawTimeAxis(juce::Graphics& g, juce::Rectangle<int> plot, double seconds)
{
    const double step = niceStep(seconds, 10);
    g.setFont(13.0f);
    for (double t = 0.0; t <= seconds + 1e-9; t += step)
    {
        const int x = plot.getX() + juce::roundToInt(t / seconds * plot.getWidth());
        g.setColour(juce::Colour(0x30000000));
        g.drawVerticalLine(x, static_cast<float>(plot.getY()),
                           static_cast<float>(plot.getBottom()));
        g.setColour(juce::Colours::black);
        g.drawText(juce::String(t, step < 0.1   ? 2
                                   : step < 1.0 ? 1
                                                : 0),
                   juce::Rectangle<int>(x - 30, plot.getBottom() + 2, 60, 16),
                   juce::Justification::centred);
    }
}

void drawDecayCurves(juce::Graphics& g, juce::Rectangle<int> plot,
                     const ImpulseAnalysis::Figures& figures, double seconds)
{
    g.setColour(juce::Colours::white);
    g.fillRect(plot);
    drawTimeAxis(g, plot, seconds);

    g.setFont(13.0f);
    for (int level = 0; level >= static_cast<int>(floorDb); level -= 10)
    {
        const int y = plot.getY() + juce::roundToInt(level / floorDb * plot.getHeight());
        g.setColour(juce::Colour(level == -5 || level == -35 ? 0x60000000 : 0x30000000));
        g.drawHorizontalLine(y, static_cast<float>(plot.getX()),
                             static_cast<float>(plot.getRight()));
        g.setColour(juce::Colours::black);
        g.drawText(juce::String(level), juce::Rectangle<int>(plot.getX() - 46, y - 8, 40, 16),
                   juce::Justification::centredRight);
    }

    const auto toPoint = [&](size_t index, float level)
    {
        const double t = static_cast<double>(index) * ImpulseAnalysis::curveStepSeconds;
        return juce::Point<float>(
            static_cast<float>(plot.getX() + t / seconds * plot.getWidth()),
            static_cast<float>(plot.getY() +
                               juce::jlimit(0.0, 1.0, level / floorDb) * plot.getHeight()));
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

    // The legend: each band's colour, name and T30 (left / right).
    // Bottom left, where a decay curve seldom goes.
    const int legendHeight = 18 * static_cast<int>(figures.bands.size()) + 8;
    auto legend = juce::Rectangle<int>(plot.getX() + 10, plot.getBottom() - legendHeight - 10, 250,
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
        { return std::isfinite(value) ? juce::String(value, 2) + " s" : juce::String("-"); };
        g.drawText((band.centreHz > 0.0 ? bandLabel(band) + " Hz" : juce::String("broadband")) +
                       "   T30 " + t30(band.channels[0].t30) + " / " + t30(band.channels[1].t30),
                   juce::Rectangle<int>(legend.getX() + 40, y, legend.getWidth() - 44, 18),
                   juce::Justification::centredLeft);
    }
}

void drawSpectrogram(juce::Graphics& g, juce::Rectangle<int> plot,
                     const juce::AudioBuffer<float>& ir, double sampleRate, double seconds)
{
    g.setColour(heat(floorDb, floorDb));
    g.fillRect(plot);
    drawTimeAxis(g, plot, seconds);

    const double nyquist = sampleRate / 2.0;
    const double lowest = std::min(50.0, nyquist / 10.0);
    const int count = ir.getNumSamples();
    if (count == 0 || ir.getNumChannels() == 0 || !(sampleRate > 0.0))
        return;

    // About 20 ms frames, one per pixel column.
    size_t size = 64;
    while (static_cast<double>(size) < 0.02 * sampleRate)
        size <<= 1;
    std::vector<double> window(size);
    for (size_t n = 0; n < size; ++n)
        window[n] =
            0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(n) / static_cast<double>(size));

    const int columns = plot.getWidth();
    const int rows = plot.getHeight();
    std::vector<std::vector<double>> power(static_cast<size_t>(columns),
                                           std::vector<double>(size / 2 + 1, 0.0));
    std::vector<std::complex<double>> frame(size);
    double loudest = 0.0;
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
            fft(frame);
            auto& bins = power[static_cast<size_t>(column)];
            for (size_t k = 0; k < bins.size(); ++k)
            {
                bins[k] += std::norm(frame[k]);
                loudest = std::max(loudest, bins[k]);
            }
        }
    }
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
} // namespace

juce::String ImpulseReport::toCsv(const ImpulseAnalysis::Figures& figures)
{
    juce::String csv = juce::String(csvHeader) + "\n";
    for (const auto& band : figures.bands)
    {
        for (size_t c = 0; c < 2; ++c)
        {
            const auto& decay = band.channels[c];
            const bool broadband = band.centreHz <= 0.0;
            const int arrival = figures.direct[c].arrival;
            csv << bandLabel(band) << "," << (c == 0 ? "left" : "right") << ","
                << number(decay.edt, 4) << "," << number(decay.t20, 4) << ","
                << number(decay.t30, 4) << ","
                << (broadband && arrival >= 0 ? juce::String(arrival) : juce::String()) << ","
                << (broadband ? number(figures.firstArrivalSeconds(static_cast<int>(c)), 6)
                              : juce::String())
                << "," << number(band.iacc, 4) << "," << number(band.iaccEarly, 4) << "\n";
        }
    }
    return csv;
}

std::optional<juce::String> ImpulseReport::writeCsv(const ImpulseAnalysis::Figures& figures,
                                                    const juce::File& file)
{
    return WholeFileWriter::write(
        file, "the figures",
        [&figures](juce::OutputStream& stream) -> std::optional<juce::String>
        {
            stream.writeText(toCsv(figures), false, false, "\n");
            return std::nullopt;
        });
}

juce::Image ImpulseReport::draw(const juce::AudioBuffer<float>& ir,
                                const ImpulseAnalysis::Figures& figures, const juce::String& title)
{
    juce::Image image(juce::Image::RGB, imageWidth, imageHeight, true, juce::SoftwareImageType());
    juce::Graphics g(image);
    g.fillAll(juce::Colour(0xfff4f4f0));

    const double length = figures.sampleRate > 0.0 ? ir.getNumSamples() / figures.sampleRate : 0.0;
    const double seconds = std::max(length, 0.01);

    g.setColour(juce::Colours::black);
    g.setFont(18.0f);
    g.drawText(title, juce::Rectangle<int>(20, 8, imageWidth - 40, 24),
               juce::Justification::centredLeft);

    const juce::Rectangle<int> curves(70, 64, imageWidth - 100, 400);
    const juce::Rectangle<int> spectrogram(70, 530, imageWidth - 100, 320);
    g.setFont(14.0f);
    g.drawText("Energy decay (dB), both channels, from the first arrival",
               curves.withY(curves.getY() - 22).withHeight(20), juce::Justification::centredLeft);
    g.drawText("Spectrogram (Hz, dB below the loudest point), both channels",
               spectrogram.withY(spectrogram.getY() - 22).withHeight(20),
               juce::Justification::centredLeft);
    g.drawText("seconds", juce::Rectangle<int>(0, imageHeight - 24, imageWidth, 20),
               juce::Justification::centred);

    drawDecayCurves(g, curves, figures, seconds);
    drawSpectrogram(g, spectrogram, ir, figures.sampleRate, seconds);
    g.setColour(juce::Colour(0x80000000));
    g.drawRect(curves);
    g.drawRect(spectrogram);
    return image;
}

juce::String ImpulseReport::summary(const ImpulseAnalysis::Figures& figures)
{
    const auto cell = [](double value, int decimals)
    { return (std::isfinite(value) ? juce::String(value, decimals) : juce::String("-")); };

    juce::String text;
    text << "first arrival: left "
         << (figures.direct[0].arrival >= 0
                 ? juce::String(figures.direct[0].arrival) + " samples (" +
                       cell(1000.0 * figures.firstArrivalSeconds(0), 2) + " ms)"
                 : juce::String("none"))
         << ", right "
         << (figures.direct[1].arrival >= 0
                 ? juce::String(figures.direct[1].arrival) + " samples (" +
                       cell(1000.0 * figures.firstArrivalSeconds(1), 2) + " ms)"
                 : juce::String("none"))
         << "\n";
    text << "band        EDT L/R (s)     T20 L/R (s)     T30 L/R (s)     IACC  IACC_E\n";
    for (const auto& band : figures.bands)
    {
        const auto pair = [&](double left, double right)
        { return (cell(left, 2) + " / " + cell(right, 2)).paddedRight(' ', 16); };
        text << (band.centreHz > 0.0 ? bandLabel(band) + " Hz" : juce::String("broadband"))
                    .paddedRight(' ', 12)
             << pair(band.channels[0].edt, band.channels[1].edt)
             << pair(band.channels[0].t20, band.channels[1].t20)
             << pair(band.channels[0].t30, band.channels[1].t30)
             << cell(band.iacc, 2).paddedRight(' ', 6) << cell(band.iaccEarly, 2) << "\n";
    }
    return text;
}

} // namespace morvane
