#pragma once

// Class names (and one window title) of well-known windows, as global
// constants. Their length is filled in when the module loads.

#include "library/datatype/string/String.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

using NLibrary::NDatatype::NString::CConstantString;

// Classes the window operations test against.
extern const CConstantString MozillaUIWindowClassName;  // "MozillaUIWindowClass"
extern const CConstantString IEFrameClassName;          // "IEFrame"
extern const CConstantString ConsoleWindowClassName;    // "ConsoleWindowClass"
extern const CConstantString WorkerWClassName;          // "WorkerW"
extern const CConstantString ShellDefViewClassName;     // "SHELLDLL_DefView"
extern const CConstantString ListViewClassName;         // "SysListView32"

// Shell windows.
extern const CConstantString ProgmanClassName;           // "Progman"
extern const CConstantString ShellTrayWndClassName;      // "Shell_TrayWnd"
extern const CConstantString ReBarWindow32ClassName;     // "ReBarWindow32"
extern const CConstantString MSTaskSwWClassName;         // "MSTaskSwWClass"
extern const CConstantString ToolbarWindow32ClassName;   // "ToolbarWindow32"
extern const CConstantString ProgramManagerWindowTitle;  // "Program Manager"

// Application windows.
extern const CConstantString TooltipsClass32ClassName;    // "tooltips_class32"
extern const CConstantString GdiPlusHookWindowClassName;  // "GDI+ Hook Window Class"
extern const CConstantString IDEOwnerClassName;           // "IDEOwner"
extern const CConstantString MSSDIaClassName;             // "MS-SDIa"
extern const CConstantString MSSDIbClassName;             // "MS-SDIb"
extern const CConstantString LVDChildClassName;           // "LVDChild"
extern const CConstantString SunAwtFrameClassName;        // "SunAwtFrame"
extern const CConstantString GdkWindowToplevelClassName;  // "gdkWindowToplevel"
extern const CConstantString SALFrameClassName;           // "SALFRAME"

}}}  // namespace NLibrary::NWin32::NWindow
