#pragma once

// The five notifications of the hook module as the watcher hands them on, and
// the one spelling of their names that tools and logs share.

#include <windows.h>

#include <cstdint>

// The public header is installed beside the library headers, at the top of
// the include folder.
#include "zarvowindow1589x64.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

// The values are the notification messages themselves, so that a posted
// message converts without a table.
enum WindowEventKind : uint32_t
{
    WindowEventPosChanged = NotifyWindowPosChanged,
    WindowEventDestroyed = NotifyWindowDestroyed,
    WindowEventEnterSizeMove = NotifyEnterSizeMove,
    WindowEventMoving = NotifyWindowMoving,
    WindowEventExitSizeMove = NotifyExitSizeMove,
};

bool IsWindowEventMessage(UINT message);

// "WindowPosChanged", "Destroyed", "EnterSizeMove", "Moving", "ExitSizeMove";
// "Unknown" for any other value.
const char* GetWindowEventName(WindowEventKind kind);

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
