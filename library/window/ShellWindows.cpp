#include "library/window/ShellWindows.h"

#include "library/datatype/string/StringBuffer.h"
#include "library/window/WindowClassNames.h"

namespace NLibrary { namespace NWin32 { namespace NWindow {

using NLibrary::NDatatype::NString::AreEqualIgnoreCase;
using NLibrary::NDatatype::NString::CAutoStringBuffer;

HWND ShellDefViewWindow = nullptr;
bool ShellDefViewFound = false;
HWND DesktopListViewWindow = nullptr;
bool DesktopListViewFound = false;

namespace {

const uint32_t ClassNameCapacity = 4096;
using CClassNameBuffer = CAutoStringBuffer<ClassNameCapacity>;

bool ReadClassName(HWND window, CClassNameBuffer& className)
{
    if (IsWindow(window) != TRUE)
        return false;
    wchar_t* area = nullptr;
    if (className.GetBuffer(ClassNameCapacity, &area) != 0)
        return false;
    const int count = GetClassNameW(window, area, int(className.GetCapacity()));
    className.ReleaseBuffer();
    return count != 0;
}

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
    if (child == nullptr || IsWindow(parent) != TRUE)
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
    if (!ReadClassName(window, className))
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
    if (!ReadClassName(window, className) || !AreEqualIgnoreCase(className, WorkerWClassName))
        return TRUE;
    if (IsWindow(window) != TRUE)
        return TRUE;
    const HWND view = FindFirstChild(window, ShellDefViewClassName);
    if (view == nullptr || IsWindow(view) != TRUE)
        return TRUE;
    const HWND list = FindFirstChild(view, ListViewClassName);
    if (list == nullptr)
        return TRUE;
    DesktopListViewWindow = list;
    DesktopListViewFound = true;
    return FALSE;
}

}}}  // namespace NLibrary::NWin32::NWindow
