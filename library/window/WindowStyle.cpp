#include "library/window/WindowStyle.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

LONG_PTR GetWindowStyle(HWND hwnd)
{
    if (IsWindow(hwnd) != TRUE)
        return 0;
    return GetWindowLongPtrW(hwnd, GWL_STYLE);
}

}}}  // namespace NLibrary::NWin32::NWindow
