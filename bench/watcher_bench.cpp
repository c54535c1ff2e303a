// The window watcher's cost: a snapshot part by part, delivery under load
// against the raw hook path (the unmerged watcher and, where the tree has it,
// the window model), memory over 100,000 changes, and a start with 500 more
// windows. Helpers: hook_bench_worker.exe, zarvowindow1589x64.dll.
#include <windows.h>

#include <stdio.h>

#include "bench/watcher/WatcherBenchSupport.h"

int main()
{
    // Message-only: the workers post to it, and no broadcast waits for it.
    const HWND benchWindow =
        CreateWindowExW(0, L"STATIC", L"watcher bench", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    if (benchWindow == nullptr) {
        printf("watcher bench: no window\n");
        return 1;
    }
    printf("== window watcher ==\n");
    {
        CChurn churn(benchWindow);
        if (!churn.IsReady()) {
            printf("watcher bench: the churn workers did not start\n");
            return 1;
        }
        MeasureSnapshotParts(churn);
        MeasureDelivery(churn);
        MeasureMemory(churn);
    }
    MeasureEnumeration(benchWindow);
    DestroyWindow(benchWindow);
    return 0;
}
