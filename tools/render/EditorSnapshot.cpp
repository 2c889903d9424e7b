// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorSnapshot.h"

#include "WholeFileWriter.h"
#include "processor/OrnCore.h"

#include <memory>

namespace morvane
{

juce::Image EditorSnapshot::draw(OrnCore& processor, float scale)
{
    std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditor());
    juce::Image image(juce::Image::ARGB,
                      juce::roundToInt(static_cast<float>(editor->getWidth()) * scale),
                      juce::roundToInt(static_cast<float>(editor->getHeight()) * scale), true,
                      juce::SoftwareImageType());
    {
        juce::Graphics g(image);
        g.addTransform(juce::AffineTransform::scale(scale));
        editor->paintEntireComponent(g, true);
    }
    return image;
}

std::optional<juce::String> EditorSnapshot::writePng(const juce::Image& image,
                                                     const juce::File& file)
{
    return WholeFileWriter::write(
        file, "the picture",
        [&image](juce::OutputStream& stream) -> std::optional<juce::String>
        {
            juce::PNGImageFormat png;
            if (!png.writeImageToStream(image, stream))
                return juce::String("cannot encode the picture as PNG");
            return std::nullopt;
        });
}

} // namespace morvane
