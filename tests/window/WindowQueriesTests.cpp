#include <gtest/gtest.h>

#include "library/capture/GdiOwners.h"
#include "library/datatype/string/StringBuffer.h"
#include "library/window/WindowQueries.h"
#include "tests/window/WindowTestSupport.h"

using namespace NLibrary::NWin32::NWindow;
using NLibrary::NDatatype::NString::CAutoStringBuffer;
using NLibrary::NDatatype::NString::CConstantString;
using NLibrary::NDatatype::NString::CDynamicHeapStringBuffer;
using NLibrary::NWin32::NCapture::CUniqueGdiObject;
using namespace NWindowTest;

namespace {

class WindowQueriesFixture : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SharedFixture().IsReady()); }
    HWND Remote(const wchar_t* name)
    {
        const HWND hwnd = SharedFixture().Window(name);
        EXPECT_NE(nullptr, hwnd) << "no fixture window";
        return hwnd;
    }
};

}  // namespace

TEST(WindowQueries, StaleHandlesFailWithoutWritingResults)
{
    for (HWND gone : {HWND(nullptr), DestroyedWindowHandle()}) {
        EXPECT_FALSE(IsValidWindow(gone));
        EXPECT_EQ(0, GetWindowStyle(gone));
        EXPECT_EQ(0, GetWindowExStyle(gone));
        EXPECT_EQ(0, SetWindowExStyle(gone, WS_EX_TOOLWINDOW));

        BYTE alpha = 0x17;
        EXPECT_EQ(1u, GetLayeredAlpha(gone, &alpha));
        EXPECT_EQ(0x17, alpha);
        EXPECT_EQ(1u, SetLayeredAlpha(gone, 0x40));

        CDynamicHeapStringBuffer name;
        name.Assign(L"kept", 4);
        EXPECT_EQ(1u, GetWindowClassName(gone, name));
        EXPECT_EQ(4u, name.GetLength());

        const CUniqueGdiObject<HRGN> region(CreateRectRgn(0, 0, 1, 1));
        EXPECT_EQ(1u, GetWindowRegion(gone, region.Get()));

        EXPECT_EQ(Unknown, GetWindowShowState(gone));
        RECT bounds = {1, 2, 3, 4};
        EXPECT_EQ(1u, GetWindowBounds(gone, &bounds));
        EXPECT_EQ(1, bounds.left);
        EXPECT_EQ(4, bounds.bottom);
    }
}

TEST_F(WindowQueriesFixture, MissingOutParametersFailInsteadOfBeingWritten)
{
    EXPECT_EQ(1u, GetLayeredAlpha(Remote(L"alpha"), nullptr));
    EXPECT_EQ(1u, GetWindowBounds(Remote(L"plain"), nullptr));
    EXPECT_EQ(1u, GetWindowBounds(Remote(L"hidden"), nullptr));
}

TEST(WindowQueries, StyleBitTestsLookAtTheirOneBit)
{
    EXPECT_TRUE(IsLayeredExStyle(0x00080000));
    EXPECT_FALSE(IsLayeredExStyle(~LONG_PTR(0x00080000)));
    EXPECT_TRUE(IsRightToLeftLayoutExStyle(0x00400000));
    EXPECT_FALSE(IsRightToLeftLayoutExStyle(~LONG_PTR(0x00400000)));
    EXPECT_TRUE(IsChildStyle(0x40000000));
    EXPECT_FALSE(IsChildStyle(~LONG_PTR(0x40000000)));
}

TEST_F(WindowQueriesFixture, StylesOfAnotherProcessWindow)
{
    const HWND styled = Remote(L"styled");
    const LONG_PTR style = GetWindowStyle(styled);
    EXPECT_EQ(LONG_PTR(WS_OVERLAPPEDWINDOW), style & WS_OVERLAPPEDWINDOW);
    EXPECT_FALSE(IsChildStyle(style));
    const LONG_PTR exStyle = GetWindowExStyle(styled);
    EXPECT_NE(0, exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(IsRightToLeftLayoutExStyle(exStyle));
    EXPECT_FALSE(IsLayeredExStyle(exStyle));
    EXPECT_TRUE(IsLayeredExStyle(GetWindowExStyle(Remote(L"alpha"))));

    const HWND root = Remote(L"shellroot");
    const HWND child = SharedFixture().Child(root, L"worker-empty");
    EXPECT_TRUE(IsChildStyle(GetWindowStyle(child)));
}

TEST(WindowQueries, SetWindowExStyleReturnsThePreviousStyle)
{
    CTestWindow window(WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW);
    const LONG_PTR before = GetWindowExStyle(window);
    EXPECT_NE(0, before & WS_EX_TOOLWINDOW);
    EXPECT_EQ(before, SetWindowExStyle(window, WS_EX_TOPMOST | WS_EX_LAYERED));
    EXPECT_TRUE(IsLayeredExStyle(GetWindowExStyle(window)));
    EXPECT_EQ(0, GetWindowExStyle(window) & WS_EX_TOOLWINDOW);
}

TEST_F(WindowQueriesFixture, LayeredAlphaIsReportedOnlyForAlphaLayering)
{
    BYTE alpha = 0;
    EXPECT_EQ(0u, GetLayeredAlpha(Remote(L"alpha"), &alpha));
    EXPECT_EQ(0x80, alpha);

    alpha = 0x11;
    EXPECT_EQ(1u, GetLayeredAlpha(Remote(L"colorkey"), &alpha));
    EXPECT_EQ(1u, GetLayeredAlpha(Remote(L"plain"), &alpha));
    EXPECT_EQ(0x11, alpha);
}

TEST(WindowQueries, SetLayeredAlphaNeedsALayeredWindow)
{
    CTestWindow layered(WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
    EXPECT_EQ(0u, SetLayeredAlpha(layered, 0x33));
    BYTE alpha = 0;
    EXPECT_EQ(0u, GetLayeredAlpha(layered, &alpha));
    EXPECT_EQ(0x33, alpha);

    CTestWindow plain;
    EXPECT_EQ(1u, SetLayeredAlpha(plain, 0x33));
}

TEST(WindowQueries, ClassNameIsReadExactly)
{
    CTestWindow window(WS_OVERLAPPED, 0, L"Zarvo Class Name_42");
    CDynamicHeapStringBuffer dynamic;
    ASSERT_EQ(0u, GetWindowClassName(window, dynamic));
    EXPECT_TRUE(AreEqual(dynamic, CConstantString(L"Zarvo Class Name_42"), 0));

    CAutoStringBuffer<4096> fixed;
    ASSERT_EQ(0u, GetWindowClassName(window, fixed));
    EXPECT_EQ(19u, fixed.GetLength());
}

TEST(WindowQueries, ClassNameNeedsRoomForLongNames)
{
    CTestWindow window;
    CAutoStringBuffer<100> small;
    small.Assign(L"kept", 4);
    EXPECT_EQ(1u, GetWindowClassName(window, small));
    EXPECT_TRUE(AreEqual(small, CConstantString(L"kept"), 0));
}

TEST(WindowQueries, ClassTestsAreExactAndCaseSensitive)
{
    EXPECT_TRUE(IsIEFrameClass(CConstantString(L"IEFrame")));
    EXPECT_TRUE(IsMozillaUIWindowClass(CConstantString(L"MozillaUIWindowClass")));
    EXPECT_TRUE(IsConsoleWindowClass(CConstantString(L"ConsoleWindowClass")));

    EXPECT_FALSE(IsIEFrameClass(CConstantString(L"ieframe")));
    EXPECT_FALSE(IsIEFrameClass(CConstantString(L"IEFrame2")));
    EXPECT_FALSE(IsIEFrameClass(CConstantString(L"IEFram")));
    EXPECT_FALSE(IsMozillaUIWindowClass(CConstantString(L"MozillaUIWindowCLASS")));
    EXPECT_FALSE(IsConsoleWindowClass(CConstantString(L"")));
    EXPECT_FALSE(IsConsoleWindowClass(CConstantString(nullptr)));
    EXPECT_FALSE(IsConsoleWindowClass(CConstantString(L"IEFrame")));
}

TEST_F(WindowQueriesFixture, RegionIsCopiedFromTheWindow)
{
    const CUniqueGdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(0u, GetWindowRegion(Remote(L"region"), region.Get()));
    RECT box = {};
    GetRgnBox(region.Get(), &box);
    EXPECT_EQ(0, box.left);
    EXPECT_EQ(0, box.top);
    EXPECT_EQ(50, box.right);
    EXPECT_EQ(40, box.bottom);

    EXPECT_EQ(1u, GetWindowRegion(Remote(L"plain"), region.Get()));
}

TEST(WindowQueries, ShowStateFollowsRealShowWindowCalls)
{
    CTestWindow window(WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(Hidden, GetWindowShowState(window));

    const struct
    {
        int command;
        WindowShowState expected;
    } steps[] = {
        {SW_SHOWNA,          Normal   },
        {SW_SHOWMINNOACTIVE, Minimized},
        {SW_RESTORE,         Normal   },
        {SW_SHOWMAXIMIZED,   Maximized},
        {SW_SHOWNOACTIVATE,  Normal   },
        {SW_MINIMIZE,        Minimized},
        {SW_HIDE,            Hidden   },
        {SW_SHOWNORMAL,      Normal   },
    };
    for (const auto& step : steps) {
        ShowWindow(window, step.command);
        PumpMessages();
        EXPECT_EQ(step.expected, GetWindowShowState(window)) << "after ShowWindow " << step.command;
    }
}

TEST(WindowQueries, InvisibleMinimisedWindowIsHidden)
{
    CTestWindow window;
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    ShowWindow(window, SW_HIDE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(window));
    EXPECT_EQ(Hidden, GetWindowShowState(window));
}

TEST(WindowQueries, ShowCommandsMapToShowStates)
{
    using NDetail::ShowStateFromShowCommand;
    const WindowShowState expected[] = {Hidden, Normal,    Minimized, Maximized, Normal,
                                        Normal, Minimized, Minimized, Normal,    Normal};
    for (UINT command = 0; command < 10; ++command)
        EXPECT_EQ(expected[command], ShowStateFromShowCommand(command)) << command;
    EXPECT_EQ(Unknown, ShowStateFromShowCommand(10));
    EXPECT_EQ(Unknown, ShowStateFromShowCommand(11));
    EXPECT_EQ(Unknown, ShowStateFromShowCommand(0xFFFFFFFF));
}

TEST_F(WindowQueriesFixture, ShowStatesOfAnotherProcessWindows)
{
    EXPECT_EQ(Minimized, GetWindowShowState(Remote(L"minimized")));
    EXPECT_EQ(Maximized, GetWindowShowState(Remote(L"maximized")));
    EXPECT_EQ(Hidden, GetWindowShowState(Remote(L"hidden")));
    EXPECT_EQ(Normal, GetWindowShowState(Remote(L"styled")));
}

// Wine keeps the restored rectangle of a minimised window only in the process
// that owns it (for another process's window it reports the icon rectangle),
// so the minimised case uses a window of this process.
TEST(WindowQueries, MinimisedWindowReportsItsRestoredRectangle)
{
    CTestWindow window;
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    PumpMessages();
    ASSERT_EQ(Minimized, GetWindowShowState(window));
    const RECT icon = WindowRect(window);
    RECT bounds = {};
    ASSERT_EQ(0u, GetWindowBounds(window, &bounds));
    EXPECT_EQ(120, bounds.left);
    EXPECT_EQ(110, bounds.top);
    EXPECT_EQ(360, bounds.right);
    EXPECT_EQ(290, bounds.bottom);
    EXPECT_FALSE(EqualRect(&icon, &bounds));
}

TEST_F(WindowQueriesFixture, HiddenWindowReportsItsRestoredRectangle)
{
    RECT bounds = {};
    ASSERT_EQ(0u, GetWindowBounds(Remote(L"hidden"), &bounds));
    EXPECT_EQ(240, bounds.left);
    EXPECT_EQ(190, bounds.top);
    EXPECT_EQ(560, bounds.right);
    EXPECT_EQ(430, bounds.bottom);
}

TEST_F(WindowQueriesFixture, VisibleWindowsReportTheirWindowRectangle)
{
    const HWND maximized = Remote(L"maximized");
    RECT bounds = {};
    ASSERT_EQ(0u, GetWindowBounds(maximized, &bounds));
    const RECT actual = WindowRect(maximized);
    EXPECT_TRUE(EqualRect(&actual, &bounds));
    EXPECT_NE(220, bounds.left);

    ASSERT_EQ(0u, GetWindowBounds(Remote(L"plain"), &bounds));
    EXPECT_EQ(300, bounds.left);
    EXPECT_EQ(300, bounds.top);
    EXPECT_EQ(500, bounds.right);
    EXPECT_EQ(450, bounds.bottom);
}
