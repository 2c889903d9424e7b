// SPDX-License-Identifier: GPL-3.0-or-later
#include "StateFiles.h"

#include "CoreSource.h"

#include <gtest/gtest.h>

using morvane::CoreSource;
using morvane::StateFiles;

namespace
{
struct TemporaryDirectory
{
    juce::File directory = juce::File::createTempFile("morvane-states");

    TemporaryDirectory() { directory.createDirectory(); }
    ~TemporaryDirectory() { directory.deleteRecursively(); }
};
} // namespace

TEST(StateFiles, ASavedStateLoadsBackIntoAnotherProcessor)
{
    TemporaryDirectory temporary;
    const auto file = temporary.directory.getChildFile("new/folder/hall.state");

    CoreSource source;
    source.setParameter(4, 0.95f);
    source.getCore().getProgram().name = "Hall";
    source.getCore().getProgram().midiMap[7] = 3;
    ASSERT_FALSE(StateFiles::save(source, file));

    juce::MemoryBlock expected, saved;
    source.getCore().getStateInformation(expected);
    ASSERT_TRUE(file.loadFileAsData(saved));
    EXPECT_EQ(saved, expected);

    CoreSource target;
    ASSERT_FALSE(StateFiles::load(file, target));
    EXPECT_EQ(target.getParameter(4), 0.95f);
    EXPECT_EQ(target.getCore().getProgram().name, "Hall");
    EXPECT_EQ(target.getCore().getProgram().midiMap[7], 3);
}

TEST(StateFiles, FilesThatAreNotReadableStatesAreRefusedAndChangeNothing)
{
    TemporaryDirectory temporary;
    const auto write = [&](const char* name, const std::string& bytes)
    {
        const auto file = temporary.directory.getChildFile(name);
        file.replaceWithData(bytes.data(), bytes.size());
        return file;
    };

    const juce::File files[] = {
        temporary.directory.getChildFile("missing.state"),
        temporary.directory,
        write("empty.state", std::string(1, 'V')),
        write("audio.wav", "RIFF\x24\0\0\0WAVEfmt "),
        write("broken.state", std::string("VC2!\x10\0\0\0<orn><programs", 21)),
        write("other-root.state", std::string("VC2!\x07\0\0\0<root/>\0", 16)),
    };

    for (const auto& file : files)
    {
        CoreSource core;
        core.setParameter(4, 0.5f);
        const auto error = StateFiles::load(file, core);
        ASSERT_TRUE(error.has_value()) << file.getFullPathName();
        EXPECT_FALSE(error->containsChar('\n'));
        EXPECT_EQ(core.getParameter(4), 0.5f);
    }

    CoreSource core;
    EXPECT_TRUE(StateFiles::save(core, write("blocker", "x").getChildFile("in/a/file.state")));
}
