#pragma once

// Finding the shell's desktop windows: the "SHELLDLL_DefView" shell view and
// the desktop list view ("SysListView32") inside it under a "WorkerW" window.
// The two callbacks are handed to a window enumeration; each stops it at the
// first window it recognises and records that window in the slots below.
// The slots are per process and unlocked: run one lookup at a time, and clear
// the slots before searching again.

#include <windows.h>

#include <cstdint>

#include "library/datatype/string/String.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

using NLibrary::NDatatype::NString::IString;

extern HWND ShellDefViewWindow;
extern bool ShellDefViewFound;
extern HWND DesktopListViewWindow;
extern bool DesktopListViewFound;

// The first direct child of the parent with that class (compared without
// regard to case by the platform).
uint32_t FindChildWindowByClass(HWND parent, const IString& className, HWND* child);

BOOL CALLBACK ShellDefViewEnumProc(HWND window, LPARAM ignored);
BOOL CALLBACK DesktopListViewEnumProc(HWND window, LPARAM ignored);

}}}  // namespace NLibrary::NWin32::NWindow
