#pragma once

// Small queries and setters of one window property each. Every function that
// takes a window first checks that the handle still names a window, so that a
// stale handle gives a failure result instead of acting on a reused handle.
// Results come back through out-parameters, written only on success.

#include <windows.h>

#include <cstdint>

#include "library/datatype/string/String.h"
#include "library/window/WindowStyle.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

using NLibrary::NDatatype::NString::IString;
using NLibrary::NDatatype::NString::IStringBuffer;

enum WindowShowState : uint32_t
{
    Normal = 0,
    Hidden = 1,
    Maximized = 2,
    Minimized = 3,
    Unknown = 4,
};

// IsValidWindow and GetWindowStyle are declared in WindowStyle.h (they are
// shared with the hook).
LONG_PTR GetWindowExStyle(HWND hwnd);
// The previous extended style; 0 on failure or for a window that is gone.
LONG_PTR SetWindowExStyle(HWND hwnd, LONG_PTR exStyle);

bool IsLayeredExStyle(LONG_PTR exStyle);
bool IsRightToLeftLayoutExStyle(LONG_PTR exStyle);
bool IsChildStyle(LONG_PTR style);

// Fails for a window whose layered attributes carry no alpha (a colour-key
// only layered window, or a window that is not layered).
uint32_t GetLayeredAlpha(HWND hwnd, BYTE* alpha);
uint32_t SetLayeredAlpha(HWND hwnd, BYTE alpha);

// Needs a buffer that can hold 4096 characters.
uint32_t GetWindowClassName(HWND hwnd, IStringBuffer& className);

// Exact, case-sensitive comparisons with a class name read beforehand.
bool IsMozillaUIWindowClass(const IString& className);
bool IsIEFrameClass(const IString& className);
bool IsConsoleWindowClass(const IString& className);

// Copies the window region into the caller's region. No validity test of its
// own: a handle that is not a window simply makes GetWindowRgn fail.
uint32_t GetWindowRegion(HWND hwnd, HRGN destination);

WindowShowState GetWindowShowState(HWND hwnd);
// A minimised or hidden window reports its restored rectangle, in the
// coordinates of WINDOWPLACEMENT.
uint32_t GetWindowBounds(HWND hwnd, RECT* bounds);

namespace NDetail {
// The show state a visible window's placement show command stands for.
WindowShowState ShowStateFromShowCommand(UINT showCommand);
}  // namespace NDetail

}}}  // namespace NLibrary::NWin32::NWindow
