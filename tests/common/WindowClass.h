#pragma once

// The window classes that tests and their helper processes register: this
// module's, with a white background, so that captures see a known colour.

#include <windows.h>

namespace NTestSupport {

inline ATOM RegisterTestWindowClass(const wchar_t* className, WNDPROC procedure)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    windowClass.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    return RegisterClassExW(&windowClass);
}

}  // namespace NTestSupport
