// A small application of the installed package: it registers the hook with a
// window of its own, starts a second copy of itself that moves a window, and
// waits for the hook to report that window.
//   consumer_check.exe          the application; exit 0 once the report came
//   consumer_check.exe --target the other process: a window that keeps moving
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include <zarvowindow1589x64.h>

#include "LibraryUse.h"

namespace {

const wchar_t TargetClassName[] = L"ZarvoConsumerCheckTarget";
const DWORD TimeoutMilliseconds = 20000;

// --- the other process -------------------------------------------------------

LRESULT CALLBACK TargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        // Keep moving, so that a hook that reaches this thread late still sees a move.
        RECT bounds;
        GetWindowRect(hwnd, &bounds);
        SetWindowPos(hwnd, nullptr, bounds.left + 1, bounds.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int RunTarget()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = TargetClassName;
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowExW(0, TargetClassName, L"consumer check target", WS_OVERLAPPEDWINDOW, 100, 100,
                        300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SetTimer(window, 1, 100, nullptr);
    SetTimer(nullptr, 0, TimeoutMilliseconds * 2, nullptr);  // never outlive the application
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && !message.hwnd)
            break;
        DispatchMessageW(&message);
    }
    return 0;
}

// --- the application ---------------------------------------------------------

struct Report
{
    DWORD targetProcessId = 0;
    bool arrived = false;
    HWND window = nullptr;
};

LRESULT CALLBACK NotificationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Report* report = reinterpret_cast<Report*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    HWND window = reinterpret_cast<HWND>(lParam);
    // Queried on arrival, as applications are told to: the window may go any time.
    if (message == NotifyWindowPosChanged && report && !report->arrived
        && NConsumer::IsWindowOf(window, report->targetProcessId, TargetClassName)) {
        report->window = window;
        report->arrived = true;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int RunApplication()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = NotificationProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZarvoConsumerCheckNotifications";
    RegisterClassW(&windowClass);
    HWND notifications = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 0,
                                         0, nullptr, nullptr, windowClass.hInstance, nullptr);
    Report report;
    SetWindowLongPtrW(notifications, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&report));

    if (NZarvo_NWindowX64DLL_Register(notifications) != 0) {
        std::printf("consumer check: Register failed\n");
        return 2;
    }
    NZarvo_NWindowX64DLL_EnableWindowHook();
    boost::shared_ptr<PROCESS_INFORMATION> target = NConsumer::StartSelf(L"--target");
    if (target) {
        report.targetProcessId = target->dwProcessId;
        NConsumer::PumpUntil(report.arrived, target->hProcess, TimeoutMilliseconds);
    }
    NZarvo_NWindowX64DLL_Unregister();

    if (!report.arrived) {
        std::printf("consumer check: no notification about the other process's window\n");
        return 3;
    }
    std::printf("consumer check: WindowPosChanged for window %p of process %lu\n",
                static_cast<void*>(report.window), report.targetProcessId);

    // The same through the library's watcher, which loads the module itself.
    wchar_t className[257] = {};
    if (!NConsumer::WatchForWindowOf(report.targetProcessId, TimeoutMilliseconds, className, 257)
        || std::wcscmp(className, TargetClassName) != 0) {
        std::printf("consumer check: the window watcher reported nothing about that window\n");
        return 4;
    }
    std::printf("consumer check: the window watcher reported it too\n");
    return 0;
}

}  // namespace

int main()
{
    if (std::wcsstr(GetCommandLineW(), L" --target"))
        return RunTarget();
    return RunApplication();
}
