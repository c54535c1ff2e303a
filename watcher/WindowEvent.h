#pragma once

#include <windows.h>

#include "watcher/WindowEventKind.h"
#include "watcher/WindowSnapshot.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

// One notification as the application receives it. The snapshot is taken
// after the watcher's thread has taken the notification from its queue (once
// per window for the notifications it takes together), so it is never older
// than the notification and the application need not query the window
// (which may be gone by then).
class CWindowEvent
{
public:
    WindowEventKind kind = WindowEventPosChanged;
    HWND window = nullptr;
    ULONGLONG arrivalTime = 0;  // milliseconds on the GetTickCount64 clock
    CWindowSnapshot snapshot;
};

// Called on the watcher's thread, one event at a time, in arrival order.
using WindowEventCallback = void (*)(const CWindowEvent& event, void* context);

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
