#include "watcher/WindowEventKind.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

bool IsWindowEventMessage(UINT message)
{
    return message >= NotifyWindowPosChanged && message <= NotifyExitSizeMove;
}

bool IsPositionChange(WindowEventKind kind)
{
    return kind == WindowEventPosChanged || kind == WindowEventMoving;
}

const char* GetWindowEventName(WindowEventKind kind)
{
    switch (kind) {
    case WindowEventPosChanged:
        return "WindowPosChanged";
    case WindowEventDestroyed:
        return "Destroyed";
    case WindowEventEnterSizeMove:
        return "EnterSizeMove";
    case WindowEventMoving:
        return "Moving";
    case WindowEventExitSizeMove:
        return "ExitSizeMove";
    case WindowEventTakenOver:
        return "TakenOver";
    case WindowEventPresent:
        return "Present";
    case WindowEventGone:
        return "Gone";
    case WindowEventSettled:
        return "Settled";
    case WindowEventActivated:
        return "Activated";
    case WindowEventTitleChanged:
        return "TitleChanged";
    }
    return "Unknown";
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
