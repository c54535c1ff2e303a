#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>

#include "library/window/WindowClassNames.h"

using namespace NLibrary::NWin32::NWindow;

// The constants are measured by the static initialisers before main runs: each
// has its text and the length of that text, and no two are the same.
TEST(ClassNameConstants, AreMeasuredBeforeMainAndDistinct)
{
    const CConstantString* constants[] = {
        &MozillaUIWindowClassName, &IEFrameClassName,
        &ConsoleWindowClassName,   &WorkerWClassName,
        &ShellDefViewClassName,    &ListViewClassName,
        &ProgmanClassName,         &ShellTrayWndClassName,
        &ReBarWindow32ClassName,   &MSTaskSwWClassName,
        &ToolbarWindow32ClassName, &ProgramManagerWindowTitle,
        &TooltipsClass32ClassName, &GdiPlusHookWindowClassName,
        &IDEOwnerClassName,        &MSSDIaClassName,
        &MSSDIbClassName,          &LVDChildClassName,
        &SunAwtFrameClassName,     &GdkWindowToplevelClassName,
        &SALFrameClassName,
    };
    std::set<std::wstring> texts;
    for (const CConstantString* constant : constants) {
        const wchar_t* p = nullptr;
        ASSERT_EQ(0u, constant->GetString(&p));
        SCOPED_TRACE(testing::Message() << p);
        EXPECT_NE(0u, constant->GetLength());
        EXPECT_EQ(wcslen(p), constant->GetLength());
        EXPECT_TRUE(texts.insert(p).second) << "twice";
    }
}
