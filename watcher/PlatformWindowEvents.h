#pragma once

// Activation and title changes of top-level windows, from the platform's own
// out-of-context window events; the hook module reports neither.
//
// Activated: on EVENT_SYSTEM_FOREGROUND, and on EVENT_OBJECT_FOCUS (which
// Wine raises when a window is activated, where it raises no foreground
// event), the foreground window is read and reported when it differs from
// the one reported last. TitleChanged: EVENT_OBJECT_NAMECHANGE of a window
// itself (OBJID_WINDOW, CHILDID_SELF) that is not a child window.
//
// Threads: the events arrive on the thread that created this object, and
// only while it takes messages off its queue; the callback runs there. One
// object per thread; create and destroy it on that thread. A null callback
// hooks nothing.

#include <windows.h>

#include "watcher/WindowEventKind.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

using PlatformWindowEventCallback = void (*)(WindowEventKind kind, HWND window, void* context);

class CPlatformWindowEvents
{
public:
    CPlatformWindowEvents(PlatformWindowEventCallback callback, void* context);
    ~CPlatformWindowEvents();
    CPlatformWindowEvents(const CPlatformWindowEvents&) = delete;
    CPlatformWindowEvents& operator=(const CPlatformWindowEvents&) = delete;

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                 LONG child, DWORD thread, DWORD time);
    void OnForegroundMaybeChanged();

    PlatformWindowEventCallback callback;
    void* context;
    HWND reportedForeground;
    HWINEVENTHOOK hooks[3];
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
