// zarvowatch: watches the top-level windows of the desktop through the hook
// module and prints one line per notification.
//
//   zarvowatch [--dll PATH] [--json] [--duration SECONDS] [--exec "COMMAND"]
//   zarvowatch --command COMMAND (--window HANDLE | --title TEXT)
//   zarvowatch --capture FILE.bmp (--window HANDLE | --title TEXT | --screen) [--alpha MODE] [--method METHOD]
//
// The thread that registers the hook only pumps messages: Windows runs the hook
// of 32-bit processes by sending messages to the installing thread, so it must
// never block for long.

#include "tools/zarvowatch/CaptureMode.h"
#include "tools/zarvowatch/CommandMode.h"
#include "tools/zarvowatch/WatchOptions.h"
#include "tools/zarvowatch/WatchOutput.h"

#include <windows.h>

#include <cstdio>

namespace {

const wchar_t kWindowClass[] = L"ZarvoWatchNotificationWindow";
const UINT_PTR kDurationTimer = 1;

using HookCall = LONG(WINAPI*)();
using RegisterCall = LONG(WINAPI*)(HWND);

struct HookModule {
    HMODULE module = nullptr;
    RegisterCall registerWindow = nullptr;
    HookCall unregister = nullptr;
    HookCall enable = nullptr;
    HookCall disable = nullptr;

    bool Load(const std::wstring& path)
    {
        module = LoadLibraryW(path.c_str());
        if (module == nullptr)
            return false;
        registerWindow = reinterpret_cast<RegisterCall>(GetProcAddress(module, "NZarvo_NWindowX64DLL_Register"));
        unregister = reinterpret_cast<HookCall>(GetProcAddress(module, "NZarvo_NWindowX64DLL_Unregister"));
        enable = reinterpret_cast<HookCall>(GetProcAddress(module, "NZarvo_NWindowX64DLL_EnableWindowHook"));
        disable = reinterpret_cast<HookCall>(GetProcAddress(module, "NZarvo_NWindowX64DLL_DisableWindowHook"));
        return registerWindow && unregister && enable && disable;
    }
};

HookModule g_hook;
WatchOutput* g_output = nullptr;
DWORD g_mainThread = 0;
HANDLE g_stopped = nullptr;

LRESULT CALLBACK NotificationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsNotification(message)) {
        g_output->Print(message, reinterpret_cast<HWND>(lParam));
        return 0;
    }
    if (message == WM_TIMER && wParam == kDurationTimer) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Ctrl+C, Ctrl+Break and closing the console stop the message loop; the
// handler then waits briefly so that the hook is removed before the process
// is ended.
BOOL WINAPI OnConsoleEvent(DWORD)
{
    PostThreadMessageW(g_mainThread, WM_QUIT, 0, 0);
    WaitForSingleObject(g_stopped, 3000);
    return TRUE;
}

HWND CreateNotificationWindow()
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = NotificationProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    return CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"zarvowatch", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, windowClass.hInstance, nullptr);
}

bool StartProgram(const std::wstring& commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

void PumpUntilQuit()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int Watch(const WatchOptions& options)
{
    if (!g_hook.Load(options.dllPath)) {
        fprintf(stderr, "zarvowatch: cannot load %ls (error %lu)\n", options.dllPath.c_str(), GetLastError());
        return 3;
    }
    HWND window = CreateNotificationWindow();
    if (window == nullptr || g_hook.registerWindow(window) != 0) {
        fprintf(stderr, "zarvowatch: cannot register the window hook (error %lu)\n", GetLastError());
        return 4;
    }
    g_hook.enable();
    g_stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    if (options.durationSeconds > 0)
        SetTimer(window, kDurationTimer, UINT(options.durationSeconds * 1000), nullptr);
    g_output->Started();
    if (!options.exec.empty() && !StartProgram(options.exec))
        fprintf(stderr, "zarvowatch: cannot start %ls (error %lu)\n", options.exec.c_str(), GetLastError());

    PumpUntilQuit();

    g_hook.unregister();
    DestroyWindow(window);
    g_output->Stopped();
    SetEvent(g_stopped);
    return 0;
}

}  // namespace

int main()
{
    g_mainThread = GetCurrentThreadId();
    WatchOptions options;
    std::wstring error;
    if (!ParseWatchOptions(GetCommandLineW(), options, error)) {
        fprintf(stderr, "zarvowatch: %ls\n%s", error.c_str(), WatchUsage());
        return 2;
    }
    if (options.help) {
        fputs(WatchUsage(), stdout);
        return 0;
    }
    if (!options.command.empty())
        return RunWindowCommand(options);
    if (!options.capturePath.empty())
        return RunCapture(options);
    WatchOutput output(options.json);
    g_output = &output;
    return Watch(options);
}
