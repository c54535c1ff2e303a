#pragma once

#include <windows.h>

// Commands that the hook target process carries out on its own windows when
// they are sent to its top-level window. Each returns once the operation is
// done, so every notification it caused has been posted by then.
enum HookTargetCommand : UINT
{
    TargetShow = WM_APP + 1,        // ShowWindow(SW_SHOWNOACTIVATE)
    TargetMove,                     // SetWindowPos to (wParam, lParam), size kept
    TargetSize,                     // SetWindowPos to size (wParam, lParam), position kept
    TargetZOrderOnly,               // SetWindowPos with NOMOVE | NOSIZE | NOACTIVATE
    TargetShowWithoutMoveOrSize,    // the same with SWP_SHOWWINDOW added
    TargetHide,                     // ShowWindow(SW_HIDE)
    TargetMoveChild,                // moves the child window
    TargetSizeMoveMessages,         // sends itself ENTERSIZEMOVE, MOVING, EXITSIZEMOVE
    TargetPosChangedWithoutRecord,  // sends itself WM_WINDOWPOSCHANGED with lParam 0
    TargetPosChangedForChild,  // sends itself WM_WINDOWPOSCHANGED whose WINDOWPOS names the child
    TargetDestroy,             // DestroyWindow on itself
    TargetGetChild,            // returns the child window's handle
    TargetGetFaultCount,       // returns how many access violations the process has seen
    TargetActivate,            // SetForegroundWindow on itself
    // SetWindowText to "title <wParam>", then the name-change window event that Windows raises
    // for it by itself and Wine does not
    TargetRetitle,
    // creates another shown top-level window of the class and returns its handle; it takes the
    // same commands, and its destruction does not end the process
    TargetCreateWindow,
};

inline const wchar_t* HookTargetClassName()
{
    return L"ZarvoHookTarget";
}
