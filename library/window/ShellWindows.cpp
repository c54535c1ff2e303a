#include "library/window/ShellWindows.h"

#include "library/datatype/string/StringBuffer.h"
#include "library/window/WindowClassNames.h"
#include "library/window/WindowQueries.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

using NLibrary::NDatatype::NString::AreEqualIgnoreCase;
using NLibrary::NDatatype::NString::CAutoStringBuffer;

HWND ShellDefViewWindow = nullptr;
bool ShellDefViewFound = false;
HWND DesktopListViewWindow = nullptr;
bool DesktopListViewFound = false;

namespace {

// The class-name read of both callbacks keeps its buffer on the stack.
using CClassNameBuffer = CAutoStringBuffer<4096>;

// FindWindowExW with a class name constant; null when the text is unavailable.
HWND FindFirstChild(HWND parent, const IString& className)
{
    const wchar_t* text = nullptr;
    if (className.GetString(&text) != 0)
        return nullptr;
    return FindWindowExW(parent, nullptr, text, nullptr);
}

}  // namespace

uint32_t FindChildWindowByClass(HWND parent, const IString& className, HWND* child)
{
    if (child == nullptr || !IsValidWindow(parent))
        return 1;
    const HWND found = FindFirstChild(parent, className);
    if (found == nullptr)
        return 1;
    *child = found;
    return 0;
}

BOOL CALLBACK ShellDefViewEnumProc(HWND window, LPARAM)
{
    CClassNameBuffer className;
    if (GetWindowClassName(window, className) != 0)
        return TRUE;
    if (!AreEqualIgnoreCase(className, ShellDefViewClassName))
        return TRUE;
    ShellDefViewWindow = window;
    ShellDefViewFound = true;
    return FALSE;
}

BOOL CALLBACK DesktopListViewEnumProc(HWND window, LPARAM)
{
    CClassNameBuffer className;
    if (GetWindowClassName(window, className) != 0
        || !AreEqualIgnoreCase(className, WorkerWClassName))
        return TRUE;
    if (!IsValidWindow(window))
        return TRUE;
    const HWND view = FindFirstChild(window, ShellDefViewClassName);
    if (view == nullptr || !IsValidWindow(view))
        return TRUE;
    const HWND list = FindFirstChild(view, ListViewClassName);
    if (list == nullptr)
        return TRUE;
    DesktopListViewWindow = list;
    DesktopListViewFound = true;
    return FALSE;
}

}}}  // namespace NLibrary::NWin32::NWindow
