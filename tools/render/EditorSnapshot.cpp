#include "EditorSnapshot.h"

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
    if (file.isDirectory())
        return "cannot write the picture: '" + file.getFullPathName() + "' is a folder";
    if (!file.getParentDirectory().createDirectory())
        return "cannot create the folder for '" + file.getFullPathName() + "'";

    juce::TemporaryFile temporary(file);
    {
        juce::FileOutputStream stream(temporary.getFile());
        if (!stream.openedOk())
            return "cannot write '" + file.getFullPathName() +
                   "': " + stream.getStatus().getErrorMessage();
        juce::PNGImageFormat png;
        if (!png.writeImageToStream(image, stream))
            return "cannot encode the picture as PNG";
        stream.flush();
        if (stream.getStatus().failed())
            return "cannot write '" + file.getFullPathName() +
                   "': " + stream.getStatus().getErrorMessage();
    }
    if (!temporary.overwriteTargetFileWithTemporary())
        return "cannot replace '" + file.getFullPathName() + "'";
    return std::nullopt;
}

} // namespace morvane
