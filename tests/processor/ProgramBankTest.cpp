// SPDX-License-Identifier: GPL-3.0-or-later
#include "processor/OrnCore.h"
#include "support/ProcessorProbe.h"

#include <gtest/gtest.h>

using morvane::OrnCore;
using morvane::test::ProcessorProbe;

TEST(ProgramBank, OneProgramCalledDefaultWhoseNameTheRecordKeeps)
{
    OrnCore core;
    EXPECT_EQ(core.getNumPrograms(), 1);
    EXPECT_EQ(core.getCurrentProgram(), 0);
    EXPECT_EQ(core.getProgramName(0), "default");
    EXPECT_EQ(core.getProgramName(5), "default");
    EXPECT_EQ(core.getProgram().name, "Startup");
    EXPECT_EQ(core.getProgram().category, "category 1");

    core.changeProgramName(3, "Hall");
    EXPECT_EQ(core.getProgram().name, "Hall");
    EXPECT_EQ(core.getProgramName(0), "default");

    for (auto entry : core.getProgram().midiMap)
        ASSERT_EQ(entry, 0);
}

TEST(ProgramBank, SwitchingProgramsReappliesTheRecordWhateverTheIndex)
{
    OrnCore core;
    core.setParameter(4, 0.25f);
    core.setParameter(1, 0.6f);

    ProcessorProbe probe;
    core.addListener(&probe);
    core.dispatchPendingMessages();
    core.addChangeListener(&probe);

    for (int index : {2, 0, -1})
    {
        probe.clear();
        core.setCurrentProgram(index);
        ASSERT_EQ(probe.automations.size(), 7u);
        for (int i = 0; i < 7; ++i)
        {
            EXPECT_EQ(probe.automations[static_cast<size_t>(i)].index, i);
            EXPECT_EQ(probe.automations[static_cast<size_t>(i)].value, core.getParameter(i));
        }
        core.dispatchPendingMessages();
        EXPECT_EQ(probe.changeMessages, 1);
    }
    EXPECT_EQ(core.getParameter(4), 0.25f);
    EXPECT_EQ(core.getParameter(1), 0.6f);

    core.removeChangeListener(&probe);
    core.removeListener(&probe);
}
