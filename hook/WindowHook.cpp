// The hook module: exported functions, the shared section and the hook
// procedure. This code runs inside every hooked process on the desktop, so it
// takes no lock, allocates nothing and never sends a message.

#define ZARVOWINDOW_API
#include "zarvowindow1589x64.h"

#include "library/window/WindowStyle.h"

#include <cstddef>

// The section's attributes are initialised data, read, write and shared. GCC
// takes "shared" as an attribute; Clang ignores it on this platform, so there
// the section is declared by hand before anything is placed in it (the
// assembler keeps the attributes of a section's first declaration).
#if defined(__clang__)
asm(".section .ZARVOWI, \"dws\"\n\t.text");
#define ZARVO_SHARED __attribute__((section(".ZARVOWI")))
#else
#define ZARVO_SHARED __attribute__((section(".ZARVOWI"), shared))
#endif

namespace {

// One copy of this for every process that maps the module. The three values
// are members of one structure (the public header's), so their order and
// offsets (0, 8, 16) follow from the language rather than from how a compiler
// places separate variables; the watcher and the tests read the section at
// these offsets. It is initialised explicitly so that it lives in the shared
// section rather than in uninitialised data, and aligned explicitly so that
// GCC does not raise its alignment and pad the section to 32 bytes.
static_assert(offsetof(ZarvoWindowSharedSection, SharedHookHandle) == 0
                  && offsetof(ZarvoWindowSharedSection, SharedNotifyWindow) == 8
                  && offsetof(ZarvoWindowSharedSection, SharedHookEnabled) == 16
                  && sizeof(ZarvoWindowSharedSection) == 24,
              "the shared section's layout is fixed");
alignas(8) volatile ZarvoWindowSharedSection Section ZARVO_SHARED = {nullptr, nullptr, 0};

// Private to each process.
HINSTANCE ModuleInstance = nullptr;

using NLibrary::NWin32::NWindow::GetWindowStyle;

struct WatchedMessage
{
    UINT message;
    UINT notification;
};

const WatchedMessage WatchedMessages[] = {
    {WM_WINDOWPOSCHANGED, NotifyWindowPosChanged},
    {WM_DESTROY,          NotifyWindowDestroyed },
    {WM_ENTERSIZEMOVE,    NotifyEnterSizeMove   },
    {WM_MOVING,           NotifyWindowMoving    },
    {WM_EXITSIZEMOVE,     NotifyExitSizeMove    },
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
    return InterlockedCompareExchange(&Section.SharedHookEnabled, 0, 0) != 0;
}

// The flag is read once more right before the post: a hooked thread that was
// already past the first test when the application unregistered then posts
// only if it got here first. That narrows the time in which a late
// notification can arrive; closing it would mean waiting for other processes.
BOOL PostToNotifyWindow(UINT message, LPARAM lParam)
{
    HWND notifyWindow = Section.SharedNotifyWindow;
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
    if (!IsEnabled() || call.hwnd == Section.SharedNotifyWindow)
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
    return CallNextHookEx(Section.SharedHookHandle, code, wParam, lParam);
}

// The slot is only ever swapped, never written plainly: two applications may
// register and unregister at the same moment, and every hook that leaves the
// slot is removed by whoever took it out, so none is left that no Unregister
// can reach.
HHOOK SwapHookHandle(HHOOK hook)
{
    return static_cast<HHOOK>(InterlockedExchangePointer(
        reinterpret_cast<void* volatile*>(&Section.SharedHookHandle), hook));
}

// Clears the flag and removes the hook; returns what Unregister reports.
LONG RemoveHook()
{
    const LONG wasEnabled = InterlockedExchange(&Section.SharedHookEnabled, 0);
    const HHOOK hook = SwapHookHandle(nullptr);
    return hook == nullptr ? wasEnabled : UnhookWindowsHookEx(hook);
}

}  // namespace

extern "C" {

LONG WINAPI NZarvo_NWindowX64DLL_DisableWindowHook(void)
{
    return InterlockedExchange(&Section.SharedHookEnabled, 0);
}

LONG WINAPI NZarvo_NWindowX64DLL_EnableWindowHook(void)
{
    return InterlockedExchange(&Section.SharedHookEnabled, 1);
}

LONG WINAPI NZarvo_NWindowX64DLL_Register(HWND notifyWindow)
{
    RemoveHook();
    Section.SharedNotifyWindow = notifyWindow;
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
