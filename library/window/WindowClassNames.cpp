#include "library/window/WindowClassNames.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

const CConstantString MozillaUIWindowClassName(L"MozillaUIWindowClass");
const CConstantString IEFrameClassName(L"IEFrame");
const CConstantString ConsoleWindowClassName(L"ConsoleWindowClass");
const CConstantString WorkerWClassName(L"WorkerW");
const CConstantString ShellDefViewClassName(L"SHELLDLL_DefView");
const CConstantString ListViewClassName(L"SysListView32");

const CConstantString ProgmanClassName(L"Progman");
const CConstantString ShellTrayWndClassName(L"Shell_TrayWnd");
const CConstantString ReBarWindow32ClassName(L"ReBarWindow32");
const CConstantString MSTaskSwWClassName(L"MSTaskSwWClass");
const CConstantString ToolbarWindow32ClassName(L"ToolbarWindow32");
const CConstantString ProgramManagerWindowTitle(L"Program Manager");

const CConstantString TooltipsClass32ClassName(L"tooltips_class32");
const CConstantString GdiPlusHookWindowClassName(L"GDI+ Hook Window Class");
const CConstantString IDEOwnerClassName(L"IDEOwner");
const CConstantString MSSDIaClassName(L"MS-SDIa");
const CConstantString MSSDIbClassName(L"MS-SDIb");
const CConstantString LVDChildClassName(L"LVDChild");
const CConstantString SunAwtFrameClassName(L"SunAwtFrame");
const CConstantString GdkWindowToplevelClassName(L"gdkWindowToplevel");
const CConstantString SALFrameClassName(L"SALFRAME");

}}}  // namespace NLibrary::NWin32::NWindow
