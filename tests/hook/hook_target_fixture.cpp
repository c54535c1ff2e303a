// A second process whose windows the hook tests watch. Usage:
//   hook_target_fixture.exe "<window title>"
// Creates a hidden top-level window with a child and carries out the commands
// of HookTargetCommands.h until the window is destroyed.

#include "tests/common/HookTargetCommands.h"
#include "tests/common/WindowClass.h"

#include <string>

namespace {

HWND MainWindow = nullptr;
HWND ChildWindow = nullptr;
volatile LONG FaultCount = 0;

// Counts access violations before anyone handles them: the platform may
// swallow an exception raised inside a hook or window procedure, so a fault
// there does not always end the process.
LONG CALLBACK CountFaults(EXCEPTION_POINTERS* exception)
{
    if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        InterlockedIncrement(&FaultCount);
    return EXCEPTION_CONTINUE_SEARCH;
}

void SetPosition(HWND hwnd, int x, int y, int cx, int cy, UINT flags)
{
    SetWindowPos(hwnd, nullptr, x, y, cx, cy, flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT RunCommand(HWND hwnd, UINT command, WPARAM wParam, LPARAM lParam)
{
    switch (command) {
    case TargetShow:
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        return 0;
    case TargetMove:
        SetPosition(hwnd, int(wParam), int(lParam), 0, 0, SWP_NOSIZE);
        return 0;
    case TargetSize:
        SetPosition(hwnd, 0, 0, int(wParam), int(lParam), SWP_NOMOVE);
        return 0;
    case TargetZOrderOnly:
        SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return 0;
    case TargetShowWithoutMoveOrSize:
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        return 0;
    case TargetHide:
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    case TargetMoveChild:
        SetPosition(ChildWindow, 5, 7, 0, 0, SWP_NOSIZE);
        return 0;
    case TargetSizeMoveMessages: {
        RECT rect = {10, 10, 200, 100};
        SendMessageW(hwnd, WM_ENTERSIZEMOVE, 0, 0);
        SendMessageW(hwnd, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&rect));
        SendMessageW(hwnd, WM_EXITSIZEMOVE, 0, 0);
        return 0;
    }
    case TargetPosChangedWithoutRecord:
        SendMessageW(hwnd, WM_WINDOWPOSCHANGED, 0, 0);
        return 0;
    case TargetPosChangedForChild: {
        WINDOWPOS position = {};
        position.hwnd = ChildWindow;
        position.flags = SWP_NOSIZE | SWP_NOZORDER;
        SendMessageW(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
        return 0;
    }
    case TargetDestroy:
        DestroyWindow(hwnd);
        return 0;
    case TargetGetChild:
        return reinterpret_cast<LRESULT>(ChildWindow);
    case TargetGetFaultCount:
        return FaultCount;
    case TargetActivate:
        SetForegroundWindow(hwnd);
        return 0;
    case TargetRetitle: {
        const std::wstring title = L"title " + std::to_wstring(wParam);
        SetWindowTextW(hwnd, title.c_str());
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_WINDOW, CHILDID_SELF);
        return 0;
    }
    case TargetCreateWindow:
        return reinterpret_cast<LRESULT>(
            CreateWindowExW(0, HookTargetClassName(), L"extra", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            20, 20, 100, 80, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    }
    return 0;
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= TargetShow && message <= TargetCreateWindow)
        return RunCommand(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_WINDOWPOSCHANGED:
        if (lParam == 0)
            return 0;  // a record-less message sent by a test: nothing to do
        break;
    case WM_DESTROY:
        if (hwnd == MainWindow)
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    AddVectoredExceptionHandler(1, CountFaults);
    wchar_t title[256] = {};
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, title, 255);
    NTestSupport::RegisterTestWindowClass(HookTargetClassName(), TargetProc);

    HWND target = CreateWindowExW(0, HookTargetClassName(), title, WS_OVERLAPPEDWINDOW, 100, 100,
                                  300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    MainWindow = target;
    ChildWindow = CreateWindowExW(0, L"STATIC", L"child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20,
                                  target, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (target == nullptr || ChildWindow == nullptr)
        return 3;

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
