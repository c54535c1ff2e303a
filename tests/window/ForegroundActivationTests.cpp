#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/window/ForegroundActivation.h"
#include "library/window/WindowQueries.h"
#include "tests/window/WindowTestSupport.h"

using namespace NLibrary::NWin32::NWindow;
using namespace NWindowTest;

// --- the refusal branches, through the platform seam ---------------------------
// Wine lets any process take the foreground, so SetForegroundWindow is never
// refused for real and the attach and key-press branches of
// ForceForegroundWindow cannot be reached with the real platform. These tests
// drive that one function through its table of platform calls and compare the
// sequence of calls with the expected one.

namespace {

const HWND Target = HWND(0x100);
const HWND Foreground = HWND(0x200);
const HWND Tray = HWND(0x300);

struct CScript
{
    HWND foreground = Foreground;
    std::vector<BOOL> setForegroundResults;
    BOOL attachResult = TRUE;
};

CScript script;
std::vector<std::string> calls;

std::string Name(HWND hwnd)
{
    if (hwnd == Target)
        return "target";
    if (hwnd == Foreground)
        return "foreground";
    if (hwnd == Tray)
        return "tray";
    return hwnd == nullptr ? "null" : "other";
}

BOOL WINAPI FakeLock(UINT code)
{
    calls.push_back("Lock(" + std::to_string(code) + ")");
    return TRUE;
}

HWND WINAPI FakeGetForeground()
{
    calls.push_back("GetForeground");
    return script.foreground;
}

BOOL WINAPI FakeSetForeground(HWND hwnd)
{
    calls.push_back("SetForeground(" + Name(hwnd) + ")");
    if (script.setForegroundResults.empty())
        return FALSE;
    const BOOL result = script.setForegroundResults.front();
    script.setForegroundResults.erase(script.setForegroundResults.begin());
    return result;
}

HWND WINAPI FakeFindWindow(LPCWSTR className, LPCWSTR windowName)
{
    const std::wstring name = className == nullptr ? L"null" : className;
    calls.push_back("Find(" + std::string(name.begin(), name.end())
                    + (windowName == nullptr ? ",null)" : ",title)"));
    return Tray;
}

DWORD WINAPI FakeThreadOf(HWND hwnd, LPDWORD processId)
{
    calls.push_back("Thread(" + Name(hwnd) + (processId == nullptr ? ")" : ",pid)"));
    return DWORD(uintptr_t(hwnd) >> 4);  // target 16, foreground 32, tray 48
}

BOOL WINAPI FakeAttach(DWORD from, DWORD to, BOOL attach)
{
    calls.push_back("Attach(" + std::to_string(from) + "," + std::to_string(to) + ","
                    + std::to_string(attach) + ")");
    return attach ? script.attachResult : TRUE;
}

UINT WINAPI FakeSendInput(UINT count, LPINPUT inputs, int size)
{
    std::string text =
        "SendInput(" + std::to_string(count) + (size == sizeof(INPUT) ? "" : ",bad size");
    for (UINT i = 0; i < count; ++i) {
        const KEYBDINPUT& key = inputs[i].ki;
        const bool alt = inputs[i].type == INPUT_KEYBOARD && key.wVk == VK_MENU && key.wScan == 0
                         && key.time == 0 && key.dwExtraInfo == 0;
        if (!alt)
            text += ",not alt";
        else if (key.dwFlags == KEYEVENTF_EXTENDEDKEY)
            text += ",down";
        else if (key.dwFlags == (KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP))
            text += ",up";
        else
            text += ",bad flags";
    }
    calls.push_back(text + ")");
    return count;
}

const NDetail::CForegroundPlatform fake = {
    &FakeLock,     &FakeGetForeground, &FakeSetForeground, &FakeFindWindow,
    &FakeThreadOf, &FakeAttach,        &FakeSendInput,
};

std::vector<std::string> Force(const CScript& given, HWND target = Target)
{
    script = given;
    calls.clear();
    NDetail::ForceForegroundWindow(fake, target);
    return calls;
}

using Calls = std::vector<std::string>;

struct CSequence
{
    const char* name;
    HWND foreground;
    const char* setForegroundResults;  // one letter a call: T for TRUE, F for FALSE
    BOOL attachResult;
    HWND target;
    Calls expected;
};

Calls UntilTheForegroundIsKnown()
{
    return {"Lock(2)", "GetForeground"};
}

Calls UntilTheAttach()
{
    return {"Lock(2)",        "GetForeground",      "SetForeground(target)",
            "Thread(target)", "Thread(foreground)", "Attach(32,16,1)"};
}

Calls Joined(Calls first, const Calls& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

}  // namespace

TEST(ForceForegroundSequence, CallsThePlatformInItsOrder)
{
    // Each row sets the foreground window and the results of the platform
    // calls, and compares the calls made with the expected ones.
    const auto Expect = [](const CSequence& c) {
        CScript script;
        script.foreground = c.foreground;
        for (const char* r = c.setForegroundResults; *r != 0; ++r)
            script.setForegroundResults.push_back(*r == 'T' ? TRUE : FALSE);
        script.attachResult = c.attachResult;
        EXPECT_EQ(c.expected, Force(script, c.target)) << c.name;
    };
    Expect({"target already in the foreground", Target, "", TRUE, Target,
            UntilTheForegroundIsKnown()});
    Expect({"no foreground window and no target", nullptr, "", TRUE, nullptr,
            UntilTheForegroundIsKnown()});
    Expect({
        "first try succeeds",
        Foreground,
        "T",
        TRUE,
        Target,
        {"Lock(2)", "GetForeground", "SetForeground(target)"}
    });
    Expect({"succeeds once attached", Foreground, "FT", TRUE, Target,
            Joined(UntilTheAttach(), {"SetForeground(target)", "Attach(32,16,0)"})});
    Expect({"refused twice sends two Alt presses", Foreground, "FFF", TRUE, Target,
            Joined(UntilTheAttach(), {"SetForeground(target)", "SendInput(4,down,up,down,up)",
                                      "SetForeground(target)", "Attach(32,16,0)"})});
    Expect({
        "no foreground window uses the taskbar",
        nullptr,
        "FT",
        TRUE,
        Target,
        {"Lock(2)", "GetForeground", "SetForeground(target)", "Find(Shell_TrayWnd,null)",
          "Thread(target)", "Thread(tray)", "Attach(48,16,1)", "SetForeground(target)",
          "Attach(48,16,0)"}
    });
    Expect({"a refused attach ends the attempt", Foreground, "", FALSE, Target, UntilTheAttach()});
}

// --- the real platform -----------------------------------------------------------

class ForegroundActivation : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SharedFixture().IsReady()); }

    // Makes a window of this thread the foreground window.
    void TakeForeground(HWND hwnd)
    {
        SetForegroundWindow(hwnd);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == hwnd; }));
    }

    // True when detaching the two threads fails, that is when they are not
    // attached (any more).
    static bool NotAttached(HWND a, HWND b)
    {
        return !AttachThreadInput(GetWindowThreadProcessId(a, nullptr),
                                  GetWindowThreadProcessId(b, nullptr), FALSE);
    }
};

TEST_F(ForegroundActivation, HelpersReportTheForeground)
{
    CTestWindow window;
    TakeForeground(window);
    HWND foreground = nullptr;
    ASSERT_EQ(0u, GetForegroundWindowHandle(&foreground));
    EXPECT_EQ(window.Get(), foreground);
    EXPECT_EQ(1u, GetForegroundWindowHandle(nullptr));
    EXPECT_TRUE(UnlockForegroundWindow());
}

TEST_F(ForegroundActivation, ForceBringsAnotherProcessWindowForward)
{
    CTestWindow window;
    TakeForeground(window);
    const HWND remote = SharedFixture().Window(L"plain");
    ForceForegroundWindow(remote);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == remote; }));
    ForceForegroundWindow(remote);
    EXPECT_EQ(remote, GetForegroundWindow());
}

TEST_F(ForegroundActivation, AttachedActivationDetachesAgain)
{
    CTestWindow window;
    const HWND remote = SharedFixture().Window(L"plain");
    EXPECT_TRUE(ActivateWithAttachedInput(window, remote));
    EXPECT_TRUE(NotAttached(window, remote));
    // Two windows of one thread cannot be attached: nothing is done.
    CTestWindow second;
    EXPECT_FALSE(ActivateWithAttachedInput(window, second));
}

TEST_F(ForegroundActivation, ActivateCommandRaisesAndActivates)
{
    CTestWindow source;
    TakeForeground(source);
    const HWND remote = SharedFixture().Window(L"plain");
    ASSERT_TRUE(IsAbove(source, remote));

    CActivateWindowCommand command(source, remote);
    EXPECT_EQ(remote, command.GetTargetWindow());
    EXPECT_EQ(1u, command.GetStatus());
    command.Execute();
    EXPECT_EQ(0u, command.GetStatus());
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == remote; }));
    EXPECT_TRUE(IsAbove(remote, source));
    EXPECT_TRUE(NotAttached(source, remote));

    CActivateWindowCommand gone(source, DestroyedWindowHandle());
    gone.Execute();
    EXPECT_EQ(1u, gone.GetStatus());
}

// The placement flags leave out SWP_NOACTIVATE on purpose: the platform
// activates the target, and an activated window goes to the top of its group
// (Wine and Windows alike), whatever window it was placed after.
TEST_F(ForegroundActivation, PlaceAfterLetsThePlatformActivateTheTarget)
{
    CTestWindow source;
    CTestWindow target(WS_POPUP | WS_VISIBLE);
    CTestWindow anchor(WS_POPUP | WS_VISIBLE);
    TakeForeground(source);

    CPlaceWindowAfterCommand command(source, anchor, target);
    EXPECT_EQ(target.Get(), command.GetTargetWindow());
    command.Execute();
    EXPECT_EQ(target.Get(), GetForegroundWindow());
    EXPECT_TRUE(IsAbove(target, anchor));
}

TEST_F(ForegroundActivation, PlacementRestoresAMinimisedTarget)
{
    CTestWindow source;
    CTestWindow anchor(WS_POPUP | WS_VISIBLE);
    for (int atTop = 0; atTop < 2; ++atTop) {
        CTestWindow target;
        ShowWindow(target, SW_SHOWMINNOACTIVE);
        PumpMessages();
        ASSERT_EQ(Minimized, GetWindowShowState(target));
        if (atTop)
            CPlaceWindowAtTopCommand(source, target).Execute();
        else
            CPlaceWindowAfterCommand(source, anchor, target).Execute();
        PumpMessages();
        EXPECT_EQ(Normal, GetWindowShowState(target)) << atTop;
    }
}

TEST_F(ForegroundActivation, PlaceAfterAGoneWindowChangesNothing)
{
    CTestWindow source;
    CTestWindow target;
    ShowWindow(target, SW_SHOWMINNOACTIVE);
    CTestWindow above(WS_POPUP | WS_VISIBLE);
    const HWND below = GetWindow(target, GW_HWNDNEXT);

    CPlaceWindowAfterCommand(source, DestroyedWindowHandle(), target).Execute();
    EXPECT_EQ(Minimized, GetWindowShowState(target));
    EXPECT_EQ(below, GetWindow(target, GW_HWNDNEXT));
    EXPECT_TRUE(IsAbove(above, target));
}

TEST_F(ForegroundActivation, PlaceAtTopRaisesTheTarget)
{
    CTestWindow source;
    const HWND remote = SharedFixture().Window(L"plain");
    CTestWindow cover(WS_POPUP | WS_VISIBLE);
    ASSERT_TRUE(IsAbove(cover, remote));
    CPlaceWindowAtTopCommand(source, remote).Execute();
    EXPECT_TRUE(WaitUntil([&] { return IsAbove(remote, cover); }));

    CPlaceWindowAtTopCommand(source, DestroyedWindowHandle()).Execute();
}

// Only SetForegroundWindow is scripted to refuse; the attach and the Alt key
// presses are real. A low-level keyboard hook of this thread sees the keys.
namespace {

BOOL WINAPI RefuseForeground(HWND)
{
    return FALSE;
}

std::vector<std::string> injectedKeys;

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const KBDLLHOOKSTRUCT& key = *reinterpret_cast<KBDLLHOOKSTRUCT*>(lParam);
        const bool alt = key.vkCode == VK_MENU || key.vkCode == VK_LMENU || key.vkCode == VK_RMENU;
        if ((key.flags & LLKHF_INJECTED) != 0)
            injectedKeys.push_back(std::string(alt ? "alt " : "other ")
                                   + ((key.flags & LLKHF_UP) != 0 ? "up" : "down"));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST_F(ForegroundActivation, RealAltPressesAreInjectedWhileAttached)
{
    CTestWindow foreground(WS_POPUP | WS_VISIBLE);  // no system menu to open
    TakeForeground(foreground);
    const HWND remote = SharedFixture().Window(L"plain");
    NDetail::CForegroundPlatform platform = NDetail::GetRealForegroundPlatform();
    platform.setForegroundWindow = &RefuseForeground;
    const HHOOK hook =
        SetWindowsHookExW(WH_KEYBOARD_LL, &KeyboardHook, GetModuleHandleW(nullptr), 0);
    ASSERT_NE(nullptr, hook);
    injectedKeys.clear();

    NDetail::ForceForegroundWindow(platform, remote);
    WaitUntil([] { return injectedKeys.size() >= 4; }, 3000);
    UnhookWindowsHookEx(hook);

    EXPECT_EQ((std::vector<std::string> {"alt down", "alt up", "alt down", "alt up"}),
              injectedKeys);
    EXPECT_EQ(0, GetAsyncKeyState(VK_MENU) & 0x8000) << "Alt left released";
    EXPECT_TRUE(NotAttached(foreground, remote));
}
