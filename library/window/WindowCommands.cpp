#include "library/window/WindowCommands.h"

#include "library/datatype/string/StringBuffer.h"
#include "library/window/WindowQueries.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

using NLibrary::NDatatype::NString::AreEqual;
using NLibrary::NDatatype::NString::CConstantString;
using NLibrary::NDatatype::NString::CDynamicHeapStringBuffer;
using NLibrary::NDatatype::NString::CompareExactly;

namespace {

const CConstantString SysShadowClassName(L"SysShadow");

bool IsHung(HWND window)
{
    return IsHungAppWindow(window) != FALSE;
}

// The system draws a window's drop shadow as a separate "SysShadow" window
// that it keeps directly below the shadowed window in z-order. When a window
// is shown or hidden behind the system's back, the shadow can be left behind
// on its own; so the window directly below is examined, and if it is such a
// shadow (visible, responsive) it is asked to close. The command's own class
// name is not what the shadow test looks at: a window that is itself a shadow
// says nothing about the window below it.
void CloseShadowBelow(HWND window)
{
    const HWND next = GetWindow(window, GW_HWNDNEXT);
    if (!IsValidWindow(next))
        return;
    CDynamicHeapStringBuffer nextClassName;
    if (GetWindowClassName(next, nextClassName) != 0)
        return;
    CloseShadowWindow(nextClassName, next);
}

}  // namespace

uint32_t SetWindowPosIfValid(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                             UINT flags)
{
    if (!IsValidWindow(window))
        return 1;
    return SetWindowPos(window, insertAfter, x, y, cx, cy, flags) ? 0 : 1;
}

uint32_t SetWindowPosIfResponsive(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                                  UINT flags)
{
    if (IsHung(window))
        return 1;
    return SetWindowPosIfValid(window, insertAfter, x, y, cx, cy, flags);
}

BOOL ShowWindowAs(HWND window, int showCommand)
{
    return ShowWindow(window, showCommand);
}

BOOL RedrawWindowFully(HWND window)
{
    return RedrawWindow(window, nullptr, nullptr, FullRedrawFlags);
}

BOOL PostWindowMessage(HWND window, UINT message, LPARAM lParam)
{
    return PostMessageW(window, message, 0, lParam);
}

void CloseShadowWindow(const IString& className, HWND window)
{
    if (IsHung(window))
        return;
    if (IsWindowVisible(window) != TRUE)
        return;
    if (!AreEqual(className, SysShadowClassName, CompareExactly))
        return;
    PostMessageW(window, WM_CLOSE, 0, 0);
}

void CCloseWindowCommand::Execute()
{
    if (IsValidWindow(window))
        PostMessageW(window, WM_CLOSE, 0, 0);
}

void CShowWindowCommand::Execute()
{
    if (!IsValidWindow(window) || IsHung(window))
        return;
    SetWindowPosIfResponsive(window, nullptr, 0, 0, 0, 0, ShowFlags);
    if (!IsIconic(window))
        ShowOwnedPopups(window, TRUE);
    CDynamicHeapStringBuffer className;
    if (GetWindowClassName(window, className) != 0)
        return;
    CloseShadowBelow(window);
    if (IsIEFrameClass(className) || IsMozillaUIWindowClass(className))
        RedrawWindowFully(window);
}

void CHideWindowCommand::Execute()
{
    if (!IsValidWindow(window) || IsHung(window))
        return;
    ShowOwnedPopups(window, FALSE);
    SetWindowPosIfResponsive(window, nullptr, 0, 0, 0, 0, HideFlags);
    CDynamicHeapStringBuffer className;
    if (GetWindowClassName(window, className) != 0)
        return;
    CloseShadowBelow(window);
}

void CMinimizeWindowCommand::Execute()
{
    if (IsValidWindow(window))
        ShowWindow(window, SW_SHOWMINNOACTIVE);
}

void CMaximizeWindowCommand::Execute()
{
    if (IsValidWindow(window))
        ShowWindow(window, SW_SHOWMAXIMIZED);
}

void CShowWindowNoActivateCommand::Execute()
{
    if (IsValidWindow(window))
        ShowWindow(window, SW_SHOWNOACTIVATE);
}

void CShowWindowAsCommand::Execute()
{
    if (IsValidWindow(window))
        ShowWindow(window, showCommand);
}

void CInvalidateWindowCommand::Execute()
{
    if (IsValidWindow(window))
        InvalidateRect(window, nullptr, TRUE);
}

void CRedrawWindowCommand::Execute()
{
    if (IsValidWindow(window))
        RedrawWindowFully(window);
}

void CSetTopmostCommand::Execute()
{
    SetWindowPosIfResponsive(window, HWND_TOPMOST, 0, 0, 0, 0, TopmostFlags);
}

void CSetNotTopmostCommand::Execute()
{
    SetWindowPosIfResponsive(window, HWND_NOTOPMOST, 0, 0, 0, 0, TopmostFlags);
}

CSetWindowPosCommand::CSetWindowPosCommand(HWND target, HWND insertAfterWindow, int left, int top,
                                           int width, int height, UINT positionFlags)
    : window(target), insertAfter(insertAfterWindow), x(left), y(top), cx(width), cy(height),
      flags(positionFlags), status(1)
{
}

void CSetWindowPosCommand::Execute()
{
    status = SetWindowPosIfResponsive(window, insertAfter, x, y, cx, cy, flags);
}

CRestoreWindowStateCommand::CRestoreWindowStateCommand(HWND target, int left, int top,
                                                       LONG_PTR savedExStyle, BYTE savedAlpha)
    : window(target), x(left), y(top), exStyle(savedExStyle), alpha(savedAlpha), status(1)
{
}

void CRestoreWindowStateCommand::Execute()
{
    if (!IsValidWindow(window))
        return;
    SetWindowExStyle(window, exStyle);
    SetWindowPosIfResponsive(window, nullptr, x, y, 0, 0, RestoreFlags);
    // Only a window whose layered attributes carry an alpha gets the saved
    // one back; a colour-key window keeps its transparency.
    BYTE currentAlpha = 0;
    if (IsLayeredExStyle(exStyle) && GetLayeredAlpha(window, &currentAlpha) == 0)
        SetLayeredAlpha(window, alpha);
    status = 0;
}

}}}  // namespace NLibrary::NWin32::NWindow
