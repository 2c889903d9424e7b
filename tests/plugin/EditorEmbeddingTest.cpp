// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestHost.h"

#include "host/HostWindow.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <dlfcn.h>

#include <thread>

using namespace morvane;
using namespace morvane::test;
using namespace morvane::vst2;

namespace
{

// A virtual X server starts afresh whenever its last client disconnects, and refuses new
// connections while it does; one connection held for the whole run keeps it up between tests.
Display* keepServerUp()
{
    static Display* const connection = XOpenDisplay(nullptr);
    return connection;
}

class EditorEmbedding : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (server == nullptr || !hostWindow.isOpen())
            GTEST_SKIP() << "no X display";
        if ((plugin.getEffect()->flags & effFlagsHasEditor) == 0)
            GTEST_SKIP() << "the processor has no editor yet";
    }

    ERect rect() const
    {
        ERect* r = nullptr;
        EXPECT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &r), 1);
        return r != nullptr ? *r : ERect{};
    }

    void idle(int times = 5) const
    {
        for (int i = 0; i < times; ++i)
            plugin.dispatch(effEditIdle);
    }

    Display* const server = keepServerUp();
    host::HostWindow hostWindow;
    Module module;
    Plugin plugin{module};
};

void expectOneEditorChild(const host::HostWindow& host)
{
    const auto children = host.children();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_TRUE(children[0].mapped);
    EXPECT_EQ(children[0].width, 400);
    EXPECT_EQ(children[0].height, 110);
}

} // namespace

TEST_F(EditorEmbedding, OpensAsOneMappedChildAndClosesWithoutTrace)
{
    EXPECT_EQ(plugin.getEffect()->flags, 49);

    // Hosts ask for the size before and after opening.
    const ERect before = rect();
    EXPECT_EQ(before.top, 0);
    EXPECT_EQ(before.left, 0);
    EXPECT_EQ(before.bottom, 110);
    EXPECT_EQ(before.right, 400);

    for (int round = 0; round < 3; ++round)
    {
        ASSERT_EQ(plugin.dispatch(effEditOpen, 0, 0, hostWindow.handle()), 1);
        idle();
        expectOneEditorChild(hostWindow);
        const ERect after = rect();
        EXPECT_EQ(after.bottom, 110);
        EXPECT_EQ(after.right, 400);

        // The editor's own notifications reach the host while the host drives the loop.
        plugin.setParameter(4, 0.5f + 0.1f * static_cast<float>(round));
        idle();

        EXPECT_EQ(plugin.dispatch(effEditClose), 0);
        EXPECT_TRUE(hostWindow.children().empty());
    }
}

TEST_F(EditorEmbedding, RequestsFromOtherThreads)
{
    std::thread opener(
        [&]
        {
            rect();
            EXPECT_EQ(plugin.dispatch(effEditOpen, 0, 0, hostWindow.handle()), 1);
        });
    opener.join();
    expectOneEditorChild(hostWindow);

    std::thread idler([&] { idle(); });
    idler.join();
    idle();

    // The host processes on its own thread all the while.
    auto buffer = noise(256, 3);
    float* channels[] = {buffer[0].data(), buffer[1].data()};
    std::thread audio([&] { plugin.processReplacing(channels, channels, 256); });
    audio.join();

    std::thread closer([&] { EXPECT_EQ(plugin.dispatch(effEditClose), 0); });
    closer.join();
    EXPECT_TRUE(hostWindow.children().empty());
}

TEST_F(EditorEmbedding, ClosingThePluginWithItsEditorOpen)
{
    ASSERT_EQ(plugin.dispatch(effEditOpen, 0, 0, hostWindow.handle()), 1);
    idle();

    Plugin second(module);
    ASSERT_EQ(second.dispatch(effEditOpen, 0, 0, hostWindow.handle()), 1);
    EXPECT_EQ(hostWindow.children().size(), 2u);

    plugin.close();
    EXPECT_EQ(hostWindow.children().size(), 1u);
    second.dispatch(effEditIdle);
    second.close();
    EXPECT_TRUE(hostWindow.children().empty());
}

TEST_F(EditorEmbedding, UnusableParentWindowsAreRefused)
{
    EXPECT_EQ(plugin.dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x7ffffff0)), 0);
    EXPECT_TRUE(hostWindow.children().empty());
    EXPECT_EQ(plugin.dispatch(effEditOpen, 0, 0, hostWindow.handle()), 1);
    expectOneEditorChild(hostWindow);
}

TEST(EditorWindowSystem, UnloadingLeavesNoErrorHandlerInTheModule)
{
    keepServerUp();
    host::HostWindow hostWindow;
    if (!hostWindow.isOpen())
        GTEST_SKIP() << "no X display";

    {
        Module module;
        Plugin plugin(module);
        if ((plugin.getEffect()->flags & effFlagsHasEditor) == 0)
            GTEST_SKIP() << "the processor has no editor yet";
        ASSERT_EQ(plugin.dispatch(effEditOpen, 0, 0, hostWindow.handle()), 1);
        plugin.dispatch(effEditIdle);
        plugin.dispatch(effEditClose);
    }
    ASSERT_FALSE(Module::isInProcess());

    // Xlib's error handler is process-wide: one left pointing into the unloaded module would
    // crash the host at its next X error.
    const XErrorHandler handler = XSetErrorHandler(nullptr);
    XSetErrorHandler(handler);
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(handler), &info), 0);
    EXPECT_NE(std::string(info.dli_fname).find("libX11"), std::string::npos) << info.dli_fname;
}
