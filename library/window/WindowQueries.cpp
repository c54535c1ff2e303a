#include "library/window/WindowQueries.h"

#include "library/window/WindowClassNames.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

using NLibrary::NDatatype::NString::AreEqual;
using NLibrary::NDatatype::NString::CompareExactly;

namespace {

const uint32_t ClassNameCapacity = 4096;

bool ReadPlacement(HWND hwnd, WINDOWPLACEMENT* placement)
{
    *placement = WINDOWPLACEMENT {};
    placement->length = sizeof(WINDOWPLACEMENT);
    return GetWindowPlacement(hwnd, placement) == TRUE;
}

}  // namespace

LONG_PTR GetWindowExStyle(HWND hwnd)
{
    if (!IsValidWindow(hwnd))
        return 0;
    return GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
}

LONG_PTR SetWindowExStyle(HWND hwnd, LONG_PTR exStyle)
{
    if (!IsValidWindow(hwnd))
        return 0;
    return SetWindowLongPtrW(hwnd, GWL_EXSTYLE, exStyle);
}

bool IsLayeredExStyle(LONG_PTR exStyle)
{
    return (exStyle & WS_EX_LAYERED) != 0;
}

bool IsRightToLeftLayoutExStyle(LONG_PTR exStyle)
{
    return (exStyle & WS_EX_LAYOUTRTL) != 0;
}

bool IsChildStyle(LONG_PTR style)
{
    return (style & WS_CHILD) != 0;
}

uint32_t GetLayeredAlpha(HWND hwnd, BYTE* alpha)
{
    if (alpha == nullptr || !IsValidWindow(hwnd))
        return 1;
    BYTE value = 0xFF;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(hwnd, nullptr, &value, &flags) || (flags & LWA_ALPHA) == 0)
        return 1;
    *alpha = value;
    return 0;
}

uint32_t SetLayeredAlpha(HWND hwnd, BYTE alpha)
{
    if (!IsValidWindow(hwnd))
        return 1;
    return SetLayeredWindowAttributes(hwnd, 0, alpha, LWA_ALPHA) ? 0 : 1;
}

uint32_t GetWindowClassName(HWND hwnd, IStringBuffer& className)
{
    if (!IsValidWindow(hwnd))
        return 1;
    wchar_t* area = nullptr;
    if (className.GetBuffer(ClassNameCapacity, &area) != 0)
        return 1;
    const int count = GetClassNameW(hwnd, area, int(className.GetCapacity()));
    className.ReleaseBuffer();
    return count != 0 ? 0 : 1;
}

bool IsMozillaUIWindowClass(const IString& className)
{
    return AreEqual(className, MozillaUIWindowClassName, CompareExactly);
}

bool IsIEFrameClass(const IString& className)
{
    return AreEqual(className, IEFrameClassName, CompareExactly);
}

bool IsConsoleWindowClass(const IString& className)
{
    return AreEqual(className, ConsoleWindowClassName, CompareExactly);
}

uint32_t GetWindowRegion(HWND hwnd, HRGN destination)
{
    return GetWindowRgn(hwnd, destination) != ERROR ? 0 : 1;
}

namespace NDetail {

WindowShowState ShowStateFromShowCommand(UINT showCommand)
{
    switch (showCommand) {
    case SW_HIDE:
        return Hidden;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
        return Minimized;
    case SW_SHOWMAXIMIZED:
        return Maximized;
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_RESTORE:
        return Normal;
    default:
        return Unknown;
    }
}

}  // namespace NDetail

WindowShowState GetWindowShowState(HWND hwnd)
{
    if (!IsValidWindow(hwnd))
        return Unknown;
    if (IsWindowVisible(hwnd) != TRUE)
        return Hidden;
    WINDOWPLACEMENT placement;
    if (!ReadPlacement(hwnd, &placement))
        return Hidden;
    return NDetail::ShowStateFromShowCommand(placement.showCmd);
}

uint32_t GetWindowBounds(HWND hwnd, RECT* bounds)
{
    if (bounds == nullptr || !IsValidWindow(hwnd))
        return 1;
    const WindowShowState state = GetWindowShowState(hwnd);
    if (state == Minimized || state == Hidden) {
        WINDOWPLACEMENT placement;
        if (!ReadPlacement(hwnd, &placement))
            return 1;
        *bounds = placement.rcNormalPosition;
        return 0;
    }
    return GetWindowRect(hwnd, bounds) ? 0 : 1;
}

}}}  // namespace NLibrary::NWin32::NWindow
