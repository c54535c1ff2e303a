// A hooked process for hook_bench.exe. Usage:
//   hook_bench_worker.exe <bench window handle, decimal>
// Shows a top-level window with a child, reports it to the bench window and
// carries out the commands of HookBenchProtocol.h.
#include "bench/hook/HookBenchProtocol.h"

#include <stdlib.h>

namespace {

const int WarmUpMessages = 64;

HWND BenchWindow = nullptr;
HWND ChildWindow = nullptr;

LONGLONG Counter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The first hooked call maps the hook module into this process; the warm-up
// keeps that out of the timing.
LRESULT Measure(HWND hwnd, MessageKind kind, int count)
{
    WINDOWPOS zOrder = {
        hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE};
    RECT rect = {10, 10, 200, 100};
    HWND target = kind == MovingChild ? ChildWindow : hwnd;
    UINT message = WM_MOVING;
    LPARAM lParam = reinterpret_cast<LPARAM>(&rect);
    if (kind == UnwatchedMessage) {
        message = WM_USER + 1;
    } else if (kind == ZOrderPositionChange) {
        message = WM_WINDOWPOSCHANGED;
        lParam = reinterpret_cast<LPARAM>(&zOrder);
    }
    for (int i = 0; i < WarmUpMessages; ++i)
        SendMessageW(target, message, 0, lParam);
    const LONGLONG start = Counter();
    for (int i = 0; i < count; ++i)
        SendMessageW(target, message, 0, lParam);
    return LRESULT(Counter() - start);
}

LRESULT CALLBACK WorkerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WorkerMeasure:
        return Measure(hwnd, MessageKind(wParam), int(lParam));
    case WorkerMove: {
        const LONGLONG start = Counter();
        SetWindowPos(hwnd, nullptr, int(wParam), int(lParam), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        PostMessageW(BenchWindow, BenchMoveStarted, reinterpret_cast<WPARAM>(hwnd), LPARAM(start));
        return 0;
    }
    case WorkerQuit:
        ShowWindow(hwnd, SW_HIDE);
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        if (GetParent(hwnd) == nullptr)
            PostQuitMessage(0);
        return 0;
    // The measured messages end here, so only the hooks differ between runs.
    case WM_USER + 1:
    case WM_WINDOWPOSCHANGED:
    case WM_MOVING:
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    BenchWindow = reinterpret_cast<HWND>(strtoull(argv[1], nullptr, 10));
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WorkerProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = HookBenchWorkerClassName();
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowExW(0, HookBenchWorkerClassName(), L"hook bench worker", WS_OVERLAPPEDWINDOW,
                        40, 40, 200, 120, nullptr, nullptr, windowClass.hInstance, nullptr);
    ChildWindow = CreateWindowExW(0, HookBenchWorkerClassName(), L"child", WS_CHILD | WS_VISIBLE, 0,
                                  0, 50, 20, window, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr || ChildWindow == nullptr)
        return 3;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    PostMessageW(BenchWindow, BenchWorkerReady, 0, reinterpret_cast<LPARAM>(window));

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
