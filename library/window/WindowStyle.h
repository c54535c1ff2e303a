#pragma once

#include <windows.h>

namespace NLibrary { namespace NWin32 { namespace NWindow {

// IsWindow exactly TRUE: the one test of a usable window handle. Here rather
// than with the other queries because the style query below needs it too.
bool IsValidWindow(HWND hwnd);

// The window's GWL_STYLE, or 0 when the handle is not a window. Shared by the
// hook procedure and the window queries; kept in a file of its own so that the
// hook module links nothing else of the library.
LONG_PTR GetWindowStyle(HWND hwnd);

}}}  // namespace NLibrary::NWin32::NWindow
