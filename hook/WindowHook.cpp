// The hook module: exported functions, the shared section and the hook
// procedure. This code runs inside every hooked process on the desktop, so it
// takes no lock, allocates nothing and never sends a message.

#define ZARVOWINDOW_API
#include "hook/zarvowindow1589x64.h"

#include "library/window/WindowStyle.h"

#define ZARVO_SHARED __attribute__((section(".ZARVOWI"), shared))

namespace {

// One copy of these for every process that maps the module. They are
// initialised explicitly so that they live in the shared section, and this file
// is compiled with -fno-toplevel-reorder so they stay in this order.
HHOOK volatile SharedHookHandle ZARVO_SHARED = nullptr;
HWND volatile SharedNotifyWindow ZARVO_SHARED = nullptr;
volatile LONG SharedHookEnabled ZARVO_SHARED = 0;

// Private to each process.
HINSTANCE ModuleInstance = nullptr;

using NLibrary::NWin32::NWindow::GetWindowStyle;

struct WatchedMessage
{
    UINT message;
    UINT notification;
};

const WatchedMessage WatchedMessages[] = {
    {WM_WINDOWPOSCHANGED, NotifyWindowPosChanged}, {WM_DESTROY, NotifyWindowDestroyed},
    {WM_ENTERSIZEMOVE, NotifyEnterSizeMove},       {WM_MOVING, NotifyWindowMoving},
    {WM_EXITSIZEMOVE, NotifyExitSizeMove},
};

// 0 for a message that is not watched.
UINT NotificationFor(UINT message)
{
    for (const WatchedMessage& watched : WatchedMessages) {
        if (watched.message == message)
            return watched.notification;
    }
    return 0;
}

bool IsEnabled()
{
    return InterlockedCompareExchange(&SharedHookEnabled, 0, 0) != 0;
}

// The flag is read once more right before the post: a hooked thread that was
// already past the first test when the application unregistered then posts
// only if it got here first. That narrows the time in which a late
// notification can arrive; closing it would mean waiting for other processes.
BOOL PostToNotifyWindow(UINT message, LPARAM lParam)
{
    HWND notifyWindow = SharedNotifyWindow;
    if (IsWindow(notifyWindow) != TRUE || !IsEnabled())
        return FALSE;
    return PostMessageW(notifyWindow, message, 0, lParam);
}

// A position change names its window in the WINDOWPOS record; a pure z-order,
// activation or frame change is not reported. Anyone may send
// WM_WINDOWPOSCHANGED without a record; such a message is not reported either,
// rather than crashing the process it runs in.
bool IsReportedPositionChange(const CWPRETSTRUCT& call, HWND* window)
{
    const WINDOWPOS* position = reinterpret_cast<const WINDOWPOS*>(call.lParam);
    if (position == nullptr)
        return false;
    const UINT flags = position->flags;
    const bool visibilityChanged = (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) != 0;
    const bool movedOrSized = (flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE);
    *window = position->hwnd;
    return visibilityChanged || movedOrSized;
}

void Notify(const CWPRETSTRUCT& call)
{
    if (!IsEnabled() || call.hwnd == SharedNotifyWindow)
        return;
    const UINT notification = NotificationFor(call.message);
    if (notification == 0 || (GetWindowStyle(call.hwnd) & WS_CHILD) != 0)
        return;
    HWND window = call.hwnd;
    if (call.message == WM_WINDOWPOSCHANGED && !IsReportedPositionChange(call, &window))
        return;
    PostToNotifyWindow(notification, reinterpret_cast<LPARAM>(window));
}

LRESULT CALLBACK WindowHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0 && lParam != 0)
        Notify(*reinterpret_cast<const CWPRETSTRUCT*>(lParam));
    return CallNextHookEx(SharedHookHandle, code, wParam, lParam);
}

// The slot is only ever swapped, never written plainly: two applications may
// register and unregister at the same moment, and every hook that leaves the
// slot is removed by whoever took it out, so none is left that no Unregister
// can reach.
HHOOK SwapHookHandle(HHOOK hook)
{
    return static_cast<HHOOK>(
        InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&SharedHookHandle), hook));
}

// Clears the flag and removes the hook; returns what Unregister reports.
LONG RemoveHook()
{
    const LONG wasEnabled = InterlockedExchange(&SharedHookEnabled, 0);
    const HHOOK hook = SwapHookHandle(nullptr);
    return hook == nullptr ? wasEnabled : UnhookWindowsHookEx(hook);
}

}  // namespace

extern "C" {

LONG WINAPI NZarvo_NWindowX64DLL_DisableWindowHook(void)
{
    return InterlockedExchange(&SharedHookEnabled, 0);
}

LONG WINAPI NZarvo_NWindowX64DLL_EnableWindowHook(void)
{
    return InterlockedExchange(&SharedHookEnabled, 1);
}

LONG WINAPI NZarvo_NWindowX64DLL_Register(HWND notifyWindow)
{
    RemoveHook();
    SharedNotifyWindow = notifyWindow;
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, WindowHookProc, ModuleInstance, 0);
    if (hook == nullptr) {
        RemoveHook();
        return 1;
    }
    // Another application may have installed its hook since ours was removed
    // above: the displaced one is ours to remove.
    if (const HHOOK displaced = SwapHookHandle(hook))
        UnhookWindowsHookEx(displaced);
    return 0;
}

LONG WINAPI NZarvo_NWindowX64DLL_Unregister(void)
{
    return RemoveHook();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    ModuleInstance = instance;
    return TRUE;
}

}  // extern "C"
