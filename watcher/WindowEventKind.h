#pragma once

// The five notifications of the hook module as the watcher hands them on, the
// watcher's own report that its hook was taken over, and the one spelling of
// their names that tools and logs share.

#include <windows.h>

#include <cstdint>

// The public header is installed beside the library headers, at the top of
// the include folder.
#include "zarvowindow1589x64.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

// The values are the notification messages themselves, so that a posted
// message converts without a table; no notification has the value 0.
enum WindowEventKind : uint32_t
{
    // Another Register (in any process on the desktop) has replaced the
    // watcher's hook, or another process removed it. Comes once, with a null
    // window; nothing is delivered after it.
    WindowEventTakenOver = 0,
    WindowEventPosChanged = NotifyWindowPosChanged,
    WindowEventDestroyed = NotifyWindowDestroyed,
    WindowEventEnterSizeMove = NotifyEnterSizeMove,
    WindowEventMoving = NotifyWindowMoving,
    WindowEventExitSizeMove = NotifyExitSizeMove,

    // What the window model (WindowModel.h) adds; no message has these values.
    WindowEventPresent = 0x10001,  // the window existed when the model started
    WindowEventGone,               // its process ended without its destruction reaching the hook
    WindowEventSettled,            // its position is final: a move/size loop ended, or it was quiet
    WindowEventActivated,          // it became the foreground window
    WindowEventTitleChanged,       // its title changed
};

bool IsWindowEventMessage(UINT message);

// WindowEventPosChanged and WindowEventMoving: the window's place or show
// state changed, and nothing else of it need have.
bool IsPositionChange(WindowEventKind kind);

// "WindowPosChanged", "Destroyed", "EnterSizeMove", "Moving", "ExitSizeMove",
// "TakenOver", "Present", "Gone", "Settled", "Activated", "TitleChanged";
// "Unknown" for any other value.
const char* GetWindowEventName(WindowEventKind kind);

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
