// Watchers in three processes, one hook per desktop: each one that registers
// takes the hook over, and the one displaced learns it once. The watch tool
// is displaced by this program's watcher, which a second watch tool then
// displaces in turn.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "watcher/WindowWatcher.h"
#include "tests/common/ChildProcess.h"
#include "tests/common/HookSharedSection.h"
#include "tests/common/Wait.h"
#include "tests/watcher/EventRecorder.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;
using NTestSupport::CChildProcess;
using NTestSupport::WaitUntil;
using NWatcherTest::CEventRecorder;

const DWORD ArrivalTimeoutMs = 5000;
const char TakeoverLine[] = "zarvowatch: another application has taken over the window hook";

std::string ReadFile(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool WaitForText(const std::wstring& path, const char* text)
{
    return WaitUntil([&] { return ReadFile(path).find(text) != std::string::npos; },
                     ArrivalTimeoutMs);
}

TEST(WatcherTakeover, TheDisplacedWatcherLearnsItOnceAndLeavesTheNewerHookAlone)
{
    volatile NTestSupport::CHookSharedValues* shared = NTestSupport::GetHookSharedValues();
    ASSERT_NE(nullptr, shared);
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring output =
        folder + std::wstring(L"taken-over-") + std::to_wstring(GetCurrentProcessId()) + L".txt";
    {
        CChildProcess first(L"zarvowatch.exe --duration 2", output);
        ASSERT_TRUE(WaitForText(output, "watching top-level windows"));
        CEventRecorder recorder;
        CWindowWatcher watcher;
        ASSERT_EQ(WatcherSuccess, watcher.Start(CEventRecorder::OnEvent, &recorder));
        const HWND ours = shared->SharedNotifyWindow;
        EXPECT_TRUE(WaitForText(output, TakeoverLine)) << "the tool did not say it";
        ASSERT_TRUE(first.WaitForExit(10000));
        EXPECT_EQ(0u, first.ExitCode());
        EXPECT_EQ(ours, shared->SharedNotifyWindow);
        EXPECT_NE(nullptr, shared->SharedHookHandle) << "the displaced tool removed our hook";
        EXPECT_EQ(WatcherSuccess, watcher.GetStatus());

        // Silent: JSON has no start line, and no window passes the filter.
        CChildProcess second(L"zarvowatch.exe --json --process none.exe --duration 2");
        ASSERT_TRUE(WaitUntil([&] { return shared->SharedNotifyWindow != ours; }, ArrivalTimeoutMs))
            << "the second tool never registered";
        ASSERT_TRUE(recorder.WaitFor(
            nullptr, [](const CWindowEvent& e) { return e.kind == WindowEventTakenOver; },
            ArrivalTimeoutMs));
        EXPECT_EQ(WatcherTakenOver, watcher.GetStatus());
        EXPECT_TRUE(watcher.IsStarted());
        const HWND newerWindow = shared->SharedNotifyWindow;
        const HHOOK newerHook = shared->SharedHookHandle;
        EXPECT_EQ(WatcherSuccess, watcher.Stop());
        EXPECT_EQ(newerWindow, shared->SharedNotifyWindow);
        EXPECT_NE(nullptr, newerHook);
        EXPECT_EQ(newerHook, shared->SharedHookHandle)
            << "our Stop removed the newer watcher's hook";
        EXPECT_EQ(1, shared->SharedHookEnabled);
        EXPECT_EQ("TakenOver", NWatcherTest::Names(recorder.About(nullptr)));
        EXPECT_TRUE(second.WaitForExit(10000));
    }
    const std::string text = ReadFile(output);
    DeleteFileW(output.c_str());
    EXPECT_EQ(text.find(TakeoverLine), text.rfind(TakeoverLine)) << "said more than once:\n"
                                                                 << text;
}

}  // namespace
