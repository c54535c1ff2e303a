// A hooked process for hook_bench.exe and watcher_bench.exe. Usage:
//   hook_bench_worker.exe BENCH
//       shows a top-level window with a child, reports it to the bench window
//       and carries out the commands of HookBenchProtocol.h
//   hook_bench_worker.exe BENCH churn THREADS FIRSTSLOT SECTION
//       THREADS threads, each with a shown top-level window (slots FIRSTSLOT
//       on) that moves as fast as it can on WorkerChurn (see ChurnSection)
//   hook_bench_worker.exe BENCH windows COUNT
//       COUNT shown top-level windows of one thread, reported once all exist
// BENCH is the bench window's handle, decimal.
#include "bench/BenchClock.h"
#include "bench/hook/HookBenchProtocol.h"

#include <stdlib.h>
#include <string.h>

namespace {

const int WarmUpMessages = 64;

HWND BenchWindow = nullptr;
HWND ChildWindow = nullptr;

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

ChurnSection* Churn = nullptr;
HWND ManyWindows[4096] = {};
int ManyWindowCount = 0;

void ChurnUntilStopped(HWND hwnd, int slot)
{
    InterlockedExchange(&Churn->churning[slot], 1);
    for (LONG64 move = Churn->moves[slot]; Churn->stop == 0;) {
        const POINT at = ChurnPosition(move);
        Churn->times[slot][move % ChurnTimeCount] = Counter();
        SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Churn->moves[slot] = ++move;
    }
    InterlockedExchange(&Churn->churning[slot], 0);
}

LRESULT CALLBACK ChurnProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WorkerChurn:
        ChurnUntilStopped(hwnd, int(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
        return 0;
    case WorkerQuit:
        if (hwnd == ManyWindows[0]) {
            for (int i = ManyWindowCount - 1; i >= 0; --i)
                DestroyWindow(ManyWindows[i]);
        } else {
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateShown(const wchar_t* title, POINT at)
{
    const HWND hwnd =
        CreateWindowExW(0, L"ZarvoChurnWorker", title, WS_OVERLAPPEDWINDOW, at.x, at.y, 200, 100,
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd != nullptr)
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return hwnd;
}

DWORD WINAPI ChurnThread(void* argument)
{
    const int slot = int(reinterpret_cast<INT_PTR>(argument));
    const HWND hwnd = CreateShown(L"churn", ChurnPosition(Churn->moves[slot] - 1));
    if (hwnd == nullptr)
        return 1;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, slot);
    PostMessageW(BenchWindow, BenchWorkerReady, WPARAM(slot), reinterpret_cast<LPARAM>(hwnd));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

int RunChurn(int threads, int firstSlot, const char* sectionName)
{
    const HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, sectionName);
    if (section == nullptr)
        return 4;
    Churn = static_cast<ChurnSection*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
    if (Churn == nullptr || threads < 1 || firstSlot < 0 || firstSlot + threads > ChurnSlotCount
        || threads > 64)
        return 4;
    HANDLE running[64] = {};
    for (int t = 0; t < threads; ++t)
        running[t] = CreateThread(nullptr, 0, ChurnThread,
                                  reinterpret_cast<void*>(INT_PTR(firstSlot + t)), 0, nullptr);
    WaitForMultipleObjects(DWORD(threads), running, TRUE, INFINITE);
    return 0;
}

int RunManyWindows(int count)
{
    if (count < 1 || count > int(sizeof(ManyWindows) / sizeof(ManyWindows[0])))
        return 4;
    for (int i = 0; i < count; ++i) {
        ManyWindows[i] = CreateShown(L"many", {40 + (i % 40) * 20, 40 + (i / 40) * 20});
        if (ManyWindows[i] == nullptr)
            return 3;
    }
    ManyWindowCount = count;
    PostMessageW(BenchWindow, BenchWorkerReady, 0, reinterpret_cast<LPARAM>(ManyWindows[0]));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    BenchWindow = reinterpret_cast<HWND>(strtoull(argv[1], nullptr, 10));
    if (argc > 2) {
        WNDCLASSW churnClass = {};
        churnClass.lpfnWndProc = ChurnProc;
        churnClass.hInstance = GetModuleHandleW(nullptr);
        churnClass.lpszClassName = L"ZarvoChurnWorker";
        RegisterClassW(&churnClass);
        if (strcmp(argv[2], "churn") == 0 && argc == 6)
            return RunChurn(atoi(argv[3]), atoi(argv[4]), argv[5]);
        if (strcmp(argv[2], "windows") == 0 && argc == 4)
            return RunManyWindows(atoi(argv[3]));
        return 2;
    }
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
