#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "library/window/WindowCommands.h"
#include "library/window/WindowQueries.h"
#include "tests/window/WindowTestSupport.h"

using namespace NLibrary::NWin32::NWindow;
using NLibrary::NDatatype::NString::CConstantString;
using namespace NWindowTest;

namespace {

const DWORD Popup = WS_POPUP | WS_VISIBLE;

size_t CloseCount(HWND hwnd)
{
    return MessagesOf(hwnd, WM_CLOSE).size();
}

// Paints everything outstanding, then forgets the messages seen so far.
void SettlePainting(HWND hwnd)
{
    UpdateWindow(hwnd);
    PumpMessages(50);
    ClearMessages();
}

}  // namespace

TEST(WindowCommands, TargetWindowIsTheCommandsWindow)
{
    const HWND some = HWND(0x1234);
    EXPECT_EQ(some, CCloseWindowCommand(some).GetTargetWindow());
    EXPECT_EQ(some, CShowWindowAsCommand(some, SW_SHOW).GetTargetWindow());
    EXPECT_EQ(some, CSetWindowPosCommand(some, nullptr, 0, 0, 0, 0, 0).GetTargetWindow());
    EXPECT_EQ(some, CRestoreWindowStateCommand(some, 0, 0, 0, 0).GetTargetWindow());
    EXPECT_EQ(1u, CSetWindowPosCommand(some, nullptr, 0, 0, 0, 0, 0).GetStatus());
    EXPECT_EQ(1u, CRestoreWindowStateCommand(some, 0, 0, 0, 0).GetStatus());
}

TEST(WindowCommands, CloseCommandPostsAPlainClose)
{
    CTestWindow window;
    ClearMessages();
    CCloseWindowCommand command(window);
    command.Execute();
    EXPECT_EQ(0u, CloseCount(window)) << "posted, not sent";
    PumpMessages();
    const auto closes = MessagesOf(window, WM_CLOSE);
    ASSERT_EQ(1u, closes.size());
    EXPECT_EQ(0u, closes[0].wParam);
    EXPECT_EQ(0, closes[0].lParam);

    CCloseWindowCommand(DestroyedWindowHandle()).Execute();
}

TEST(WindowCommands, CloseCommandClosesAnotherProcessWindow)
{
    CFixtureProcess fixture("windows");
    ASSERT_TRUE(fixture.IsReady());
    const HWND plain = fixture.Window(L"plain");
    ASSERT_NE(nullptr, plain);
    CCloseWindowCommand(plain).Execute();
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(plain); }));
}

TEST(WindowCommands, PostWindowMessageAlwaysPostsWParamZero)
{
    CTestWindow window;
    ClearMessages();
    EXPECT_TRUE(PostWindowMessage(window, WM_USER + 7, 99));
    PumpMessages();
    const auto posted = MessagesOf(window, WM_USER + 7);
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(0u, posted[0].wParam);
    EXPECT_EQ(99, posted[0].lParam);
}

TEST(WindowCommands, ShowStateCommandsOnAnotherProcessWindow)
{
    ASSERT_TRUE(SharedFixture().IsReady());
    const HWND styled = SharedFixture().Window(L"styled");

    CMinimizeWindowCommand(styled).Execute();
    EXPECT_EQ(Minimized, GetWindowShowState(styled));
    CMaximizeWindowCommand(styled).Execute();
    EXPECT_EQ(Maximized, GetWindowShowState(styled));
    CShowWindowAsCommand(styled, SW_HIDE).Execute();
    EXPECT_EQ(Hidden, GetWindowShowState(styled));
    CShowWindowAsCommand(styled, SW_SHOWMINNOACTIVE).Execute();
    EXPECT_EQ(Minimized, GetWindowShowState(styled));
    CShowWindowNoActivateCommand(styled).Execute();
    EXPECT_EQ(Normal, GetWindowShowState(styled));

    const HWND gone = DestroyedWindowHandle();
    CMinimizeWindowCommand(gone).Execute();
    CMaximizeWindowCommand(gone).Execute();
    CShowWindowNoActivateCommand(gone).Execute();
    CShowWindowAsCommand(gone, SW_SHOW).Execute();
}

TEST(WindowCommands, HideThenShowTakesTheOwnedPopupsAlong)
{
    CTestWindow owner(Popup);
    CTestWindow popup(Popup, 0, L"ZarvoTestWindow", owner);
    ASSERT_TRUE(IsWindowVisible(popup));

    CHideWindowCommand(owner).Execute();
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_FALSE(IsWindowVisible(popup));

    CShowWindowCommand(owner).Execute();
    EXPECT_TRUE(IsWindowVisible(owner));
    EXPECT_TRUE(IsWindowVisible(popup));
}

TEST(WindowCommands, ShowingAMinimisedWindowLeavesItsPopupsHidden)
{
    CTestWindow owner(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    CTestWindow popup(Popup, 0, L"ZarvoTestWindow", owner);
    ShowWindow(owner, SW_SHOWMINNOACTIVE);
    ShowOwnedPopups(owner, FALSE);
    ShowWindow(owner, SW_HIDE);
    PumpMessages();
    ASSERT_FALSE(IsWindowVisible(popup));

    CShowWindowCommand(owner).Execute();
    EXPECT_TRUE(IsWindowVisible(owner));
    EXPECT_TRUE(IsIconic(owner));
    EXPECT_FALSE(IsWindowVisible(popup));
}

TEST(WindowCommands, ShowAndHideNeitherMoveNorActivate)
{
    CTestWindow other;
    CTestWindow window(WS_OVERLAPPEDWINDOW);
    SetForegroundWindow(other);
    PumpMessages();
    const RECT before = WindowRect(window);

    CShowWindowCommand(window).Execute();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(other.Get(), GetForegroundWindow());
    CHideWindowCommand(window).Execute();
    EXPECT_FALSE(IsWindowVisible(window));
    const RECT after = WindowRect(window);
    EXPECT_TRUE(EqualRect(&before, &after));

    CShowWindowCommand(DestroyedWindowHandle()).Execute();
    CHideWindowCommand(DestroyedWindowHandle()).Execute();
}

TEST(WindowCommands, ShowRedrawsBrowserFramesFully)
{
    for (const wchar_t* className : {L"IEFrame", L"MozillaUIWindowClass", L"ZarvoTestWindow"}) {
        CTestWindow window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, className);
        SettlePainting(window);
        CShowWindowCommand(window).Execute();
        // Painted before any message was pumped: only RDW_UPDATENOW does that.
        const bool redrawn = !MessagesOf(window, WM_PAINT).empty();
        const bool browser = std::wstring(className) != L"ZarvoTestWindow";
        EXPECT_EQ(browser, redrawn) << className;
        EXPECT_EQ(browser, !MessagesOf(window, WM_NCPAINT).empty()) << className;
    }
}

TEST(WindowCommands, RedrawAndInvalidateCommands)
{
    CTestWindow window;
    SettlePainting(window);
    CRedrawWindowCommand(window).Execute();
    EXPECT_FALSE(MessagesOf(window, WM_PAINT).empty());
    EXPECT_FALSE(MessagesOf(window, WM_ERASEBKGND).empty());
    EXPECT_FALSE(MessagesOf(window, WM_NCPAINT).empty());

    SettlePainting(window);
    RECT update = {};
    ASSERT_FALSE(GetUpdateRect(window, &update, FALSE));
    CInvalidateWindowCommand(window).Execute();
    RECT client = {};
    GetClientRect(window, &client);
    ASSERT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_TRUE(EqualRect(&client, &update));
    EXPECT_TRUE(MessagesOf(window, WM_PAINT).empty()) << "invalidated, not painted";

    CRedrawWindowCommand(DestroyedWindowHandle()).Execute();
    CInvalidateWindowCommand(DestroyedWindowHandle()).Execute();
}

TEST(WindowCommands, TopmostCommandsSwitchTheTopmostState)
{
    CTestWindow other;
    CTestWindow window;
    SetForegroundWindow(other);
    PumpMessages();

    CSetTopmostCommand(window).Execute();
    EXPECT_NE(0, GetWindowExStyle(window) & WS_EX_TOPMOST);
    EXPECT_EQ(other.Get(), GetForegroundWindow());
    CSetNotTopmostCommand(window).Execute();
    EXPECT_EQ(0, GetWindowExStyle(window) & WS_EX_TOPMOST);
}

TEST(WindowCommands, SetWindowPosCommandReportsItsOutcome)
{
    CTestWindow window;
    CSetWindowPosCommand move(window, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    move.Execute();
    EXPECT_EQ(0u, move.GetStatus());
    const RECT rect = WindowRect(window);
    EXPECT_EQ(30, rect.left);
    EXPECT_EQ(40, rect.top);
    EXPECT_EQ(240, rect.right - rect.left) << "flags are passed through";

    CSetWindowPosCommand gone(DestroyedWindowHandle(), nullptr, 0, 0, 10, 10, 0);
    gone.Execute();
    EXPECT_EQ(1u, gone.GetStatus());

    EXPECT_EQ(1u, SetWindowPosIfValid(nullptr, nullptr, 0, 0, 1, 1, 0));
    EXPECT_EQ(0u, SetWindowPosIfResponsive(window, nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    EXPECT_EQ(5, WindowRect(window).left);
}

TEST(WindowCommands, RestoreStatePutsBackStylePositionAndAlpha)
{
    CTestWindow window(WS_POPUP, WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, 0x40, LWA_ALPHA);
    const RECT before = WindowRect(window);

    CRestoreWindowStateCommand command(window, 70, 80, WS_EX_LAYERED | WS_EX_TOOLWINDOW, 0xC0);
    command.Execute();
    PumpMessages(50);

    EXPECT_EQ(0u, command.GetStatus());
    EXPECT_NE(0, GetWindowExStyle(window) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(IsWindowVisible(window));
    const RECT after = WindowRect(window);
    EXPECT_EQ(70, after.left);
    EXPECT_EQ(80, after.top);
    EXPECT_EQ(before.right - before.left, after.right - after.left);
    BYTE alpha = 0;
    ASSERT_EQ(0u, GetLayeredAlpha(window, &alpha));
    EXPECT_EQ(0xC0, alpha);
}

TEST(WindowCommands, RestoreStateKeepsAColourKeyWindowsTransparency)
{
    CTestWindow window(Popup, WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, RGB(1, 2, 3), 0, LWA_COLORKEY);
    CRestoreWindowStateCommand command(window, 10, 20, WS_EX_LAYERED, 0x10);
    command.Execute();
    EXPECT_EQ(0u, command.GetStatus());
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(DWORD(LWA_COLORKEY), flags);
    EXPECT_EQ(RGB(1, 2, 3), key);
}

TEST(WindowCommands, RestoreStateOnAGoneWindowLeavesTheStatus)
{
    CRestoreWindowStateCommand command(DestroyedWindowHandle(), 10, 20, 0, 0);
    command.Execute();
    EXPECT_EQ(1u, command.GetStatus());
}

TEST(WindowCommands, RestoreStateMovesAnotherProcessWindowAsynchronously)
{
    CFixtureProcess fixture("windows");
    ASSERT_TRUE(fixture.IsReady());
    const HWND plain = fixture.Window(L"plain");
    CRestoreWindowStateCommand command(plain, 33, 44, WS_EX_TOOLWINDOW, 0xFF);
    command.Execute();
    EXPECT_EQ(0u, command.GetStatus());
    EXPECT_TRUE(WaitUntil([&] { return WindowRect(plain).left == 33; }));
    EXPECT_EQ(44, WindowRect(plain).top);
    EXPECT_EQ(200, WindowRect(plain).right - 33);
    EXPECT_NE(0, GetWindowExStyle(plain) & WS_EX_TOOLWINDOW);
}

// Shadows: the system keeps a window's "SysShadow" window directly below it.

namespace {

enum ShadowCommand
{
    Hide,
    Show,
};

struct CLayer
{
    const wchar_t* className;
    DWORD style;
    size_t closes;  // WM_CLOSE messages it receives
};

const wchar_t* const Plain = L"ZarvoTestWindow";
const wchar_t* const Shadow = L"SysShadow";

struct CShadowCase
{
    const char* name;
    std::vector<CLayer> stack;  // top first; the commands act on the top window
    std::vector<ShadowCommand> commands;
};

}  // namespace

TEST(WindowShadow, ShowAndHideCloseOnlyAVisibleShadowDirectlyBelow)
{
    const CShadowCase cases[] = {
        {"hiding a window closes its shadow",                             {{Plain, Popup, 0}, {Shadow, Popup, 1}}, {Hide}},
        {"showing a window closes a shadow left below it",
         {{Plain, WS_POPUP, 0}, {Shadow, Popup, 1}},
         {Show}                                                                                                          },
        {"a hidden shadow and a plain window below stay",
         {{Plain, Popup, 0}, {Shadow, WS_POPUP, 0}, {Plain, Popup, 0}},
         {Hide, Show}                                                                                                    },
        {"a visible shadow that is not directly below is someone else's",
         {{Plain, Popup, 0}, {Shadow, WS_POPUP, 0}, {Plain, Popup, 0}, {Shadow, Popup, 0}},
         {Hide}                                                                                                          },
        {"a shadow window's own commands leave the window below alone",
         {{Shadow, Popup, 0}, {Plain, Popup, 0}},
         {Hide, Show}                                                                                                    },
    };
    for (const CShadowCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<CTestWindow>> stack;
        for (const CLayer& layer : c.stack) {
            stack.push_back(std::make_unique<CTestWindow>(layer.style, 0, layer.className));
            if (stack.size() == 1)
                continue;
            const HWND above = *stack[stack.size() - 2];
            SetWindowPos(*stack.back(), above, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            ASSERT_EQ(stack.back()->Get(), GetWindow(above, GW_HWNDNEXT));
        }
        ClearMessages();
        for (const ShadowCommand command : c.commands) {
            if (command == Hide)
                CHideWindowCommand(*stack.front()).Execute();
            else
                CShowWindowCommand(*stack.front()).Execute();
        }
        PumpMessages();
        for (size_t i = 0; i < stack.size(); ++i)
            EXPECT_EQ(c.stack[i].closes, CloseCount(*stack[i]))
                << "window " << i << " from the top";
    }
}

TEST(WindowShadow, CloseShadowWindowChecksNameAndVisibility)
{
    CTestWindow visible(Popup);
    CTestWindow hidden(WS_POPUP);
    const struct
    {
        const wchar_t* className;
        HWND window;
        size_t closes;
    } cases[] = {
        {L"SysShadow",  hidden,  0},
        {L"sysshadow",  visible, 0},
        {L"SysShadow2", visible, 0},
        {L"",           visible, 0},
        {L"SysShadow",  visible, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        ClearMessages();
        CloseShadowWindow(CConstantString(c.className), c.window);
        PumpMessages();
        EXPECT_EQ(c.closes, CloseCount(c.window));
    }
}
