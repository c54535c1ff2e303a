// What a snapshot reads of a window: a title cut between characters, and the
// facts of place and process as the window's own process knows them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "watcher/WindowSnapshot.h"
#include "tests/common/ChildProcess.h"
#include "tests/common/Text.h"
#include "tests/common/Wait.h"
#include "tests/watcher/SnapshotTargetCommands.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;

const size_t TitleCapacity = sizeof(CWindowSnapshot().title) / sizeof(wchar_t);
const wchar_t Emoji[] = L"\xD83D\xDE00";  // one character, two code units

TEST(WindowSnapshot, ALongTitleIsCutBeforeACharacterThatDoesNotFitWhole)
{
    const struct
    {
        const char* label;
        size_t pairAt;  // where the emoji starts in the title
        size_t kept;    // code units the snapshot keeps
    } rows[] = {
        {"pair across the cut",      TitleCapacity - 2, TitleCapacity - 2},
        {"pair just before the cut", TitleCapacity - 3, TitleCapacity - 1},
        {"letters only",             0,                 TitleCapacity - 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::wstring title = NTestSupport::Letters(2100);
        if (row.pairAt != 0)
            title.replace(row.pairAt, 2, Emoji);
        const HWND window =
            CreateWindowExW(0, L"STATIC", title.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        CWindowSnapshot snapshot;
        EXPECT_EQ(0u, TakeWindowSnapshot(window, &snapshot));
        EXPECT_EQ(title.substr(0, row.kept), std::wstring(snapshot.title));
        DestroyWindow(window);
    }
}

// Read once each, show state and bounds are what the window queries report.
// Windows of this process: Wine reports the placement of another process's
// window from its current rectangle, so a minimised window's restored
// rectangle would not show.
TEST(WindowSnapshot, ShowStateAndBoundsAreThoseOfTheWindowQueries)
{
    const int shows[] = {SW_SHOWNOACTIVATE, SW_HIDE, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED};
    for (int show : shows) {
        SCOPED_TRACE(show);
        const HWND window =
            CreateWindowExW(0, L"STATIC", L"placed", WS_OVERLAPPEDWINDOW, 120, 110, 300, 200,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        ShowWindow(window, show);
        RECT bounds = {};
        ASSERT_EQ(0u, NLibrary::NWin32::NWindow::GetWindowBounds(window, &bounds));
        CWindowSnapshot snapshot;
        ASSERT_EQ(0u, TakeWindowSnapshot(window, &snapshot));
        EXPECT_EQ(NLibrary::NWin32::NWindow::GetWindowShowState(window), snapshot.showState);
        EXPECT_TRUE(EqualRect(&bounds, &snapshot.bounds));
        DestroyWindow(window);
    }
}

// snapshot_target_fixture.exe, asked about its windows.
class CSnapshotTarget
{
public:
    CSnapshotTarget()
        : title(L"snapshot target " + std::to_wstring(GetCurrentProcessId())),
          process(L"snapshot_target_fixture.exe \"" + title + L"\"")
    {
        NTestSupport::WaitUntil([this] {
            main = FindWindowW(SnapshotTargetClassName(), title.c_str());
            return main != nullptr;
        });
    }

    DWORD ProcessId() const { return process.ProcessId(); }

    HWND Window(SnapshotTargetWindow which) const
    {
        return reinterpret_cast<HWND>(Ask(SnapshotTargetGetWindow, which, 0));
    }

    LRESULT Fact(SnapshotTargetFact fact, HWND window) const
    {
        return Ask(SnapshotTargetGetFact, fact, reinterpret_cast<LPARAM>(window));
    }

private:
    LRESULT Ask(UINT command, WPARAM wParam, LPARAM lParam) const
    {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(main, command, wParam, lParam, SMTO_NORMAL, 5000, &answer);
        return LRESULT(answer);
    }

    std::wstring title;
    NTestSupport::CChildProcess process;
    HWND main = nullptr;
};

ProcessIntegrity IntegrityOfLevel(LRESULT level)
{
    switch (level) {
    case SECURITY_MANDATORY_LOW_RID:
        return IntegrityLow;
    case SECURITY_MANDATORY_MEDIUM_RID:
        return IntegrityMedium;
    case SECURITY_MANDATORY_HIGH_RID:
        return IntegrityHigh;
    case SECURITY_MANDATORY_SYSTEM_RID:
        return IntegritySystem;
    }
    return IntegrityUnknown;
}

TEST(WindowSnapshot, ItsFactsAreThoseTheWindowsOwnProcessKnows)
{
    using NLibrary::NWin32::NWindow::WindowShowState;
    const struct
    {
        const char* label;
        SnapshotTargetWindow window;
        WindowShowState showState;
        bool isAppWindow;
        bool isFullscreen;
    } rows[] = {
        {"main",                           TargetMainWindow,       NLibrary::NWin32::NWindow::Normal,    true,  false},
        {"owned",                          TargetOwnedWindow,      NLibrary::NWin32::NWindow::Normal,    false, false},
        {"owned tool window",              TargetOwnedToolWindow,  NLibrary::NWin32::NWindow::Normal,    false,
         false                                                                                                       },
        {"owned, WS_EX_APPWINDOW",         TargetOwnedAppWindow,   NLibrary::NWin32::NWindow::Normal,    true,
         false                                                                                                       },
        {"hidden",                         TargetHiddenWindow,     NLibrary::NWin32::NWindow::Hidden,    false, false},
        {"minimised",                      TargetMinimizedWindow,  NLibrary::NWin32::NWindow::Minimized, true,  false},
        {"maximised, captioned",           TargetMaximizedWindow,  NLibrary::NWin32::NWindow::Maximized, true,
         false                                                                                                       },
        {"covers its monitor, no caption", TargetFullscreenWindow,
         NLibrary::NWin32::NWindow::Normal,                                                              true,  true },
    };
    CSnapshotTarget target;
    ASSERT_NE(nullptr, target.Window(TargetMainWindow));
    const LRESULT bits = target.Fact(FactBits, target.Window(TargetMainWindow));
    const LRESULT level = target.Fact(FactIntegrity, target.Window(TargetMainWindow));
    const bool isCovered = bits == 64 && level != -1 && level <= ReadOwnIntegrityLevel();
    CWindowSnapshotCache cache;
    for (const auto& row : rows) {
        const HWND window = target.Window(row.window);
        RECT bounds = {};
        ASSERT_EQ(0u, NLibrary::NWin32::NWindow::GetWindowBounds(window, &bounds)) << row.label;
        // Uncached, then cached: read whole, then only the place anew.
        const char* const takes[] = {", uncached", ", cached", ", cached, place only"};
        for (int take = 0; take < 3; ++take) {
            SCOPED_TRACE(std::string(row.label) + takes[take]);
            CWindowSnapshot snapshot;
            ASSERT_EQ(0u, take == 0 ? TakeWindowSnapshot(window, &snapshot)
                                    : cache.Take(window, &snapshot,
                                                 take == 1 ? SnapshotEverything : SnapshotPlace));
            EXPECT_EQ(row.showState, snapshot.showState);
            EXPECT_TRUE(snapshot.hasBounds);
            EXPECT_TRUE(EqualRect(&bounds, &snapshot.bounds));
            EXPECT_EQ(reinterpret_cast<HWND>(target.Fact(FactOwner, window)), snapshot.owner);
            EXPECT_EQ(row.isAppWindow, snapshot.isAppWindow);
            EXPECT_EQ(row.isFullscreen, snapshot.isFullscreen);
            EXPECT_EQ(reinterpret_cast<HMONITOR>(target.Fact(FactMonitor, window)),
                      snapshot.monitor);
            EXPECT_EQ(target.Fact(FactWorkArea, window), PackRect(snapshot.workArea));
            EXPECT_EQ(target.Fact(FactDpi, window), LRESULT(snapshot.dpi));
            EXPECT_EQ(target.Fact(FactCloaked, window), LRESULT(snapshot.cloaked));
            EXPECT_EQ(target.ProcessId(), snapshot.processId);
            EXPECT_STREQ(L"snapshot_target_fixture.exe", snapshot.imageName);
            EXPECT_STREQ(SnapshotTargetClassName(), snapshot.className);
            EXPECT_EQ(bits, LRESULT(snapshot.processBits));
            EXPECT_EQ(IntegrityOfLevel(level), snapshot.integrity);
            EXPECT_EQ(isCovered, snapshot.isCovered);
        }
    }
}

HWND CreateOwnWindow()
{
    return CreateWindowExW(0, L"STATIC", L"cached", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST(WindowSnapshotCache, HoldsOneEntryPerWindowUntilItIsDestroyed)
{
    enum Action
    {
        Take,
        TakePlace,
        Forget,
        DestroyAndTake,
    };
    const struct
    {
        const char* label;
        Action action;
        int window;
        uint32_t result;  // of Take
        size_t count;
    } steps[] = {
        {"first window",           Take,           0, 0, 1},
        {"the same again",         Take,           0, 0, 1},
        {"its place only",         TakePlace,      0, 0, 1},
        {"second window",          Take,           1, 0, 2},
        {"first destroyed",        Forget,         0, 0, 1},
        {"second gone when taken", DestroyAndTake, 1, 1, 0},
    };
    const HWND windows[] = {CreateOwnWindow(), CreateOwnWindow()};
    CWindowSnapshotCache cache;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.label);
        const HWND window = windows[step.window];
        CWindowSnapshot snapshot;
        if (step.action == Forget) {
            cache.Forget(window);
        } else {
            if (step.action == DestroyAndTake)
                DestroyWindow(window);
            EXPECT_EQ(step.result,
                      cache.Take(window, &snapshot,
                                 step.action == Take ? SnapshotEverything : SnapshotPlace));
            EXPECT_EQ(step.result == 0 ? L"Static" : L"", std::wstring(snapshot.className));
        }
        EXPECT_EQ(step.count, cache.GetCount());
    }
    DestroyWindow(windows[0]);
}

// A window that only moves is still read whole now and then: its new title
// shows in a place-only snapshot once the last whole one is old enough.
TEST(WindowSnapshotCache, APlaceOnlySnapshotKeepsTheTitleUntilTheWholeReadIsTooOld)
{
    const struct
    {
        const char* label;
        DWORD placeOnlyAge;
        const wchar_t* title;
    } rows[] = {
        {"whole read a minute ago at most", 60000, L"cached" },
        {"whole read always too old",       0,     L"renamed"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const HWND window = CreateOwnWindow();
        CWindowSnapshotCache cache(row.placeOnlyAge);
        CWindowSnapshot snapshot;
        ASSERT_EQ(0u, cache.Take(window, &snapshot));
        SetWindowTextW(window, L"renamed");
        SetWindowPos(window, nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_EQ(0u, cache.Take(window, &snapshot, SnapshotPlace));
        EXPECT_STREQ(row.title, snapshot.title);
        EXPECT_EQ(7, snapshot.bounds.left);
        EXPECT_EQ(9, snapshot.bounds.top);
        DestroyWindow(window);
    }
}

// A destruction the cache never hears of (the window's process was killed)
// leaves an entry; once the cache has doubled such entries go.
TEST(WindowSnapshotCache, WindowsThatEndedUnseenAreDroppedOnceItHasGrown)
{
    const size_t Count = 300;
    CWindowSnapshotCache cache;
    std::vector<HWND> ended;
    for (size_t i = 0; i < Count; ++i) {
        ended.push_back(CreateOwnWindow());
        CWindowSnapshot snapshot;
        ASSERT_EQ(0u, cache.Take(ended.back(), &snapshot)) << i;
    }
    for (HWND window : ended)
        DestroyWindow(window);
    std::vector<HWND> alive;
    for (size_t i = 0; i < Count; ++i) {
        alive.push_back(CreateOwnWindow());
        CWindowSnapshot snapshot;
        ASSERT_EQ(0u, cache.Take(alive.back(), &snapshot)) << i;
    }
    EXPECT_EQ(Count, cache.GetCount());
    for (HWND window : alive)
        DestroyWindow(window);
}

}  // namespace
