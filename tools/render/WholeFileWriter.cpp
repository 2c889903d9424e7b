// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeFileWriter.h"

namespace morvane
{

std::optional<juce::String> WholeFileWriter::write(const juce::File& file, const juce::String& what,
                                                   const Content& content)
{
    if (file.isDirectory())
        return "cannot write " + what + ": '" + file.getFullPathName() + "' is a folder";
    if (!file.getParentDirectory().createDirectory())
        return "cannot create the folder for '" + file.getFullPathName() + "'";

    juce::TemporaryFile temporary(file);
    {
        juce::FileOutputStream stream(temporary.getFile());
        if (!stream.openedOk())
            return "cannot write '" + file.getFullPathName() +
                   "': " + stream.getStatus().getErrorMessage();
        if (auto problem = content(stream))
            return problem;
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
