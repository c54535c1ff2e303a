#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "library/resource/UniqueResource.h"
#include "library/synchronization/Event.h"
#include "library/synchronization/Wait.h"

using NLibrary::NSynchronization::NEvent::CEvent;
namespace NSync = NLibrary::NSynchronization;

namespace {

void DrainQueue()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
}

}  // namespace

TEST(WaitForObjectOrMessage, InvalidHandleReturnsNoneAtOnce)
{
    HANDLE null = nullptr, invalid = INVALID_HANDLE_VALUE;
    EXPECT_EQ(NSync::WaitResultNone, NSync::WaitForObjectOrMessage(&null));
    EXPECT_EQ(NSync::WaitResultNone, NSync::WaitForObjectOrMessage(&invalid));
}

TEST(WaitForObjectOrMessage, ReportsSignalThenMessageThenNothing)
{
    DrainQueue();
    CEvent event;
    HANDLE h = event.GetHandle();
    event.Set();
    EXPECT_EQ(NSync::WaitResultSignalled, NSync::WaitForObjectOrMessage(&h));
    PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ(NSync::WaitResultMessage, NSync::WaitForObjectOrMessage(&h));
    DrainQueue();
    EXPECT_EQ(NSync::WaitResultNone, NSync::WaitForObjectOrMessage(&h));
}

// Queued input is reported to one poll, then only input posted after it: the
// same on Windows and on Wine, and nothing is removed from the queue.
TEST(WaitForObjectOrMessage, ReportsQueuedInputOnceAndNewInputAgain)
{
    DrainQueue();
    CEvent event;
    HANDLE h = event.GetHandle();
    const uint32_t expected[] = {NSync::WaitResultMessage, NSync::WaitResultNone,
                                 NSync::WaitResultNone};
    for (int posted = 1; posted <= 2; ++posted) {
        PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
        for (uint32_t i = 0; i < 3; ++i)
            EXPECT_EQ(expected[i], NSync::WaitForObjectOrMessage(&h)) << posted << " " << i;
    }
    int queued = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        ++queued;
    EXPECT_EQ(2, queued);
}

TEST(WaitForObjectOrMessage, WakesOnQueueEventsButNotOnTouchPointerOrSentMessages)
{
    EXPECT_EQ(0x04BFu, NSync::MessageWaitMask);
    EXPECT_EQ(0u, NSync::MessageWaitMask & (QS_SENDMESSAGE | 0x0800u | 0x1000u));
}

TEST(WaitForObjectsOrMessage, StoresTheHandleThatFired)
{
    DrainQueue();
    CEvent first, second;
    HANDLE handles[2] = {first.GetHandle(), second.GetHandle()};
    HANDLE signalled = nullptr;
    second.Set();
    EXPECT_EQ(NSync::WaitResultSignalled, NSync::WaitForObjectsOrMessage(&signalled, handles));
    EXPECT_EQ(second.GetHandle(), signalled);
}

TEST(WaitForObjectsOrMessage, FirstHandleWinsWhenBothAreSignalled)
{
    CEvent first, second;
    HANDLE handles[2] = {first.GetHandle(), second.GetHandle()};
    HANDLE signalled = nullptr;
    first.Set();
    second.Set();
    EXPECT_EQ(NSync::WaitResultSignalled, NSync::WaitForObjectsOrMessage(&signalled, handles));
    EXPECT_EQ(first.GetHandle(), signalled);
    EXPECT_TRUE(second.Wait(0));  // not consumed
}

TEST(WaitForObjectsOrMessage, MessageThenTimeoutThenNull)
{
    DrainQueue();
    CEvent first, second;
    HANDLE handles[2] = {first.GetHandle(), second.GetHandle()};
    HANDLE signalled = nullptr;
    PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ(NSync::WaitResultMessage, NSync::WaitForObjectsOrMessage(&signalled, handles));
    DrainQueue();
    DWORD before = GetTickCount();
    EXPECT_EQ(NSync::WaitResultNone, NSync::WaitForObjectsOrMessage(&signalled, handles));
    EXPECT_LT(GetTickCount() - before, 500u);  // a short poll, not a block
    EXPECT_EQ(nullptr, signalled);
    EXPECT_EQ(NSync::WaitResultNone, NSync::WaitForObjectsOrMessage(&signalled, nullptr));
}

namespace {

std::vector<UINT>* DispatchedCount = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_APP && DispatchedCount)
        DispatchedCount->push_back(message);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

TEST(PumpMessages, DispatchesEverythingAndDropsQuit)
{
    DrainQueue();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SyncTestsPumpWindow";
    RegisterClassW(&wc);
    const NLibrary::NResource::CUniqueWindow window(CreateWindowExW(
        0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(window.IsValid());
    std::vector<UINT> dispatched;
    DispatchedCount = &dispatched;

    PostMessageW(window.Get(), WM_APP + 1, 0, 0);
    PostQuitMessage(0);
    PostMessageW(window.Get(), WM_APP + 2, 0, 0);
    NSync::PumpMessages();

    DispatchedCount = nullptr;
    EXPECT_EQ((std::vector<UINT> {WM_APP + 1, WM_APP + 2}), dispatched);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}
