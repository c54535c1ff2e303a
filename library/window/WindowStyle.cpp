#include "library/window/WindowStyle.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

bool IsValidWindow(HWND hwnd)
{
    return IsWindow(hwnd) == TRUE;
}

LONG_PTR GetWindowStyle(HWND hwnd)
{
    if (!IsValidWindow(hwnd))
        return 0;
    return GetWindowLongPtrW(hwnd, GWL_STYLE);
}

}}}  // namespace NLibrary::NWin32::NWindow
