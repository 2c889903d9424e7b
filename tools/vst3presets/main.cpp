// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-vst3presets FOLDER: writes one VST3 preset file per factory preset into FOLDER, named
// after the preset ("Small Room.vstpreset"), and removes the preset files of an earlier run, so
// that the folder holds exactly the presets of this build. Run by the build; not installed.
#include "Vst3PresetFile.h"

#include "presets/FactoryPresets.h"

#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: morvane-vst3presets FOLDER\n";
        return 2;
    }
    const auto folder =
        juce::File::getCurrentWorkingDirectory().getChildFile(juce::String::fromUTF8(argv[1]));
    if (!folder.createDirectory())
    {
        std::cerr << "morvane-vst3presets: cannot make " << folder.getFullPathName() << "\n";
        return 1;
    }
    for (const auto& old : folder.findChildFiles(juce::File::findFiles, false, "*.vstpreset"))
        old.deleteFile();

    for (const auto& preset : morvane::FactoryPresets::all())
    {
        const auto file = folder.getChildFile(preset.name + ".vstpreset");
        const auto bytes = morvane::Vst3PresetFile::write(preset.chunk, preset.chunkSize);
        if (!file.replaceWithData(bytes.getData(), bytes.getSize()))
        {
            std::cerr << "morvane-vst3presets: cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
    }
    return 0;
}
