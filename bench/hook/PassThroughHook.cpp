// The baseline for the hook benchmark: a global hook whose procedure does
// nothing but pass the call on, so that what the system itself charges for
// running any hook is measured apart from what our procedure adds.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    PassThroughHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
