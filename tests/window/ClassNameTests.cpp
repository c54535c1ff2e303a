#include <gtest/gtest.h>

#include <cwchar>

#include "library/window/WindowClassNames.h"

using namespace NLibrary::NWin32::NWindow;

// The constants are measured by the static initialisers before main runs.
TEST(ClassNameConstants, HaveTheirTextsAndLengths)
{
    const struct
    {
        const CConstantString& constant;
        const wchar_t* text;
    } expected[] = {
        {MozillaUIWindowClassName, L"MozillaUIWindowClass"},
        {IEFrameClassName, L"IEFrame"},
        {ConsoleWindowClassName, L"ConsoleWindowClass"},
        {WorkerWClassName, L"WorkerW"},
        {ShellDefViewClassName, L"SHELLDLL_DefView"},
        {ListViewClassName, L"SysListView32"},
        {ProgmanClassName, L"Progman"},
        {ShellTrayWndClassName, L"Shell_TrayWnd"},
        {ReBarWindow32ClassName, L"ReBarWindow32"},
        {MSTaskSwWClassName, L"MSTaskSwWClass"},
        {ToolbarWindow32ClassName, L"ToolbarWindow32"},
        {ProgramManagerWindowTitle, L"Program Manager"},
        {TooltipsClass32ClassName, L"tooltips_class32"},
        {GdiPlusHookWindowClassName, L"GDI+ Hook Window Class"},
        {IDEOwnerClassName, L"IDEOwner"},
        {MSSDIaClassName, L"MS-SDIa"},
        {MSSDIbClassName, L"MS-SDIb"},
        {LVDChildClassName, L"LVDChild"},
        {SunAwtFrameClassName, L"SunAwtFrame"},
        {GdkWindowToplevelClassName, L"gdkWindowToplevel"},
        {SALFrameClassName, L"SALFRAME"},
    };
    for (const auto& e : expected) {
        const wchar_t* p = nullptr;
        ASSERT_EQ(0u, e.constant.GetString(&p));
        EXPECT_STREQ(e.text, p);
        EXPECT_EQ(wcslen(e.text), e.constant.GetLength()) << e.text;
    }
}
