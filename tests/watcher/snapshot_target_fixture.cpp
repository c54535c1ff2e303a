// A second process whose windows the snapshot tests read from outside, and
// which says what it knows of them from inside. Usage:
//   snapshot_target_fixture.exe "<main window title>"
// Creates the windows of SnapshotTargetCommands.h and answers its commands
// until its main window is destroyed.

#include "tests/common/WindowClass.h"
#include "tests/watcher/SnapshotTargetCommands.h"

namespace {

HWND Windows[SnapshotTargetWindowCount] = {};

using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
using DwmGetWindowAttributeProc = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);

const DWORD CloakedAttribute = 14;  // DWMWA_CLOAKED

LRESULT Fact(SnapshotTargetFact fact, HWND hwnd)
{
    switch (fact) {
    case FactOwner:
        return reinterpret_cast<LRESULT>(GetWindow(hwnd, GW_OWNER));
    case FactMonitor:
        return reinterpret_cast<LRESULT>(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST));
    case FactWorkArea: {
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info);
        return PackRect(info.rcWork);
    }
    case FactDpi: {
        const auto dpi = reinterpret_cast<GetDpiForWindowProc>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow"));
        return dpi != nullptr ? dpi(hwnd) : 0;
    }
    case FactCloaked: {
        const HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
        const auto attribute = dwm != nullptr ? reinterpret_cast<DwmGetWindowAttributeProc>(
                                   GetProcAddress(dwm, "DwmGetWindowAttribute"))
                                              : nullptr;
        DWORD cloaked = 0;
        if (attribute == nullptr
            || FAILED(attribute(hwnd, CloakedAttribute, &cloaked, sizeof(cloaked))))
            return 2;
        return cloaked != 0 ? 1 : 0;
    }
    case FactBits:
        return sizeof(void*) * 8;
    case FactIntegrity:
        return ReadOwnIntegrityLevel();
    }
    return -1;
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case SnapshotTargetGetWindow:
        return wParam < SnapshotTargetWindowCount ? reinterpret_cast<LRESULT>(Windows[wParam]) : 0;
    case SnapshotTargetGetFact:
        return Fact(SnapshotTargetFact(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        if (hwnd == Windows[TargetMainWindow])
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Create(DWORD exStyle, const wchar_t* title, DWORD style, const RECT& place, HWND owner)
{
    return CreateWindowExW(exStyle, SnapshotTargetClassName(), title, style, place.left, place.top,
                           place.right - place.left, place.bottom - place.top, owner, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    wchar_t title[256] = {};
    MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, title, 255);
    NTestSupport::RegisterTestWindowClass(SnapshotTargetClassName(), TargetProc);

    const RECT place = {120, 110, 420, 310};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST), &monitor);
    const HWND main = Create(0, title, WS_OVERLAPPEDWINDOW, place, nullptr);
    Windows[TargetMainWindow] = main;
    Windows[TargetOwnedWindow] = Create(0, L"owned", WS_OVERLAPPEDWINDOW, place, main);
    Windows[TargetOwnedToolWindow] =
        Create(WS_EX_TOOLWINDOW, L"owned tool", WS_OVERLAPPEDWINDOW, place, main);
    Windows[TargetOwnedAppWindow] =
        Create(WS_EX_APPWINDOW, L"owned app", WS_OVERLAPPEDWINDOW, place, main);
    Windows[TargetHiddenWindow] = Create(0, L"hidden", WS_OVERLAPPEDWINDOW, place, nullptr);
    Windows[TargetMinimizedWindow] = Create(0, L"minimized", WS_OVERLAPPEDWINDOW, place, nullptr);
    Windows[TargetMaximizedWindow] = Create(0, L"maximized", WS_OVERLAPPEDWINDOW, place, nullptr);
    Windows[TargetFullscreenWindow] =
        Create(0, L"fullscreen", WS_POPUP, monitor.rcMonitor, nullptr);
    for (HWND window : Windows) {
        if (window == nullptr)
            return 3;
    }
    const SnapshotTargetWindow shown[] = {TargetMainWindow, TargetOwnedWindow,
                                          TargetOwnedToolWindow, TargetOwnedAppWindow,
                                          TargetFullscreenWindow};
    for (SnapshotTargetWindow which : shown)
        ShowWindow(Windows[which], SW_SHOWNOACTIVATE);
    ShowWindow(Windows[TargetMinimizedWindow], SW_SHOWMINNOACTIVE);
    ShowWindow(Windows[TargetMaximizedWindow], SW_SHOWMAXIMIZED);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
