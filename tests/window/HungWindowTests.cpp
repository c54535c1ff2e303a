#include <gtest/gtest.h>

#include <memory>

#include "library/window/ForegroundActivation.h"
#include "library/window/WindowCommands.h"
#include "library/window/WindowQueries.h"
#include "tests/window/WindowTestSupport.h"

using namespace NLibrary::NWin32::NWindow;
using namespace NWindowTest;

// One window of the fixture process whose thread has stopped looking at its
// queue, so that the platform reports it as hung. Becoming hung takes Wine a
// few seconds, so the whole suite shares it. A command that wrongly sent a
// position change to it would block until the fixture gives up waiting (40 s)
// and then fail the checks here.
class HungWindow : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        fixture.reset(new CFixtureProcess("hung"));
        if (!fixture->IsReady())
            return;
        hung = fixture->Window(L"hung");
        WaitUntil([] { return IsHungAppWindow(hung) != FALSE; }, 20000);
    }

    static void TearDownTestSuite() { fixture.reset(); }

    void SetUp() override
    {
        ASSERT_NE(nullptr, hung);
        ASSERT_TRUE(IsHungAppWindow(hung));
        // Something of ours above it, so that raising it would show.
        above.reset(new CTestWindow(WS_POPUP | WS_VISIBLE));
        ASSERT_TRUE(IsAbove(*above, hung));
        rect = WindowRect(hung);
        previous = GetWindow(hung, GW_HWNDPREV);
        next = GetWindow(hung, GW_HWNDNEXT);
    }

    void TearDown() override { above.reset(); }

    void ExpectUntouched()
    {
        PumpMessages(50);
        const RECT now = WindowRect(hung);
        EXPECT_TRUE(EqualRect(&rect, &now));
        EXPECT_EQ(previous, GetWindow(hung, GW_HWNDPREV));
        EXPECT_EQ(next, GetWindow(hung, GW_HWNDNEXT));
        EXPECT_EQ(0, GetWindowExStyle(hung) & WS_EX_TOPMOST);
        EXPECT_TRUE(IsWindowVisible(hung));
    }

    static std::unique_ptr<CFixtureProcess> fixture;
    static HWND hung;
    std::unique_ptr<CTestWindow> above;
    RECT rect = {};
    HWND previous = nullptr;
    HWND next = nullptr;
};

std::unique_ptr<CFixtureProcess> HungWindow::fixture;
HWND HungWindow::hung = nullptr;

TEST_F(HungWindow, PositionHelpersRefuseIt)
{
    EXPECT_EQ(1u, SetWindowPosIfResponsive(hung, HWND_TOP, 5, 5, 50, 50, 0));
    CSetWindowPosCommand command(hung, HWND_TOP, 5, 5, 50, 50, 0);
    command.Execute();
    EXPECT_EQ(1u, command.GetStatus());
    ExpectUntouched();
}

TEST_F(HungWindow, TopmostCommandsLeaveIt)
{
    CSetTopmostCommand(hung).Execute();
    CSetNotTopmostCommand(hung).Execute();
    ExpectUntouched();
}

TEST_F(HungWindow, ShowAndHideLeaveIt)
{
    CHideWindowCommand(hung).Execute();
    CShowWindowCommand(hung).Execute();
    ExpectUntouched();
}

TEST_F(HungWindow, PlacementCommandsLeaveIt)
{
    CPlaceWindowAtTopCommand(*above, hung).Execute();
    CPlaceWindowAfterCommand(*above, *above, hung).Execute();
    ExpectUntouched();
}
