// The window hook's cost: per message in a hooked process against a hook that
// only passes calls on, and the latency of a notification against the number
// of hooked processes. Helpers: hook_bench_worker.exe, zarvo_passthrough_hook.dll.
#include <windows.h>

#include <stdio.h>

#include "bench/hook/HookBenchSupport.h"

int main()
{
    HWND benchWindow =
        CreateWindowExW(0, L"STATIC", L"hook bench notifications", WS_OVERLAPPED, 0, 0, 10, 10,
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    Hooks hooks(benchWindow);
    if (benchWindow == nullptr || !hooks.Loaded()) {
        printf("hook bench: the hook DLLs or the notification window are missing\n");
        return 1;
    }
    printf("== window hook ==\n");
    MeasureMessageCost(hooks, benchWindow);
    MeasureNotificationLatency(hooks, benchWindow);
    DestroyWindow(benchWindow);
    return 0;
}
