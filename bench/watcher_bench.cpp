// The window watcher's cost: a snapshot part by part, delivery under load
// against the raw hook path (the unmerged watcher and, where the tree has it,
// the window model), memory over 100,000 changes, and a start with 500 more
// windows. Helpers: hook_bench_worker.exe, zarvowindow1589x64.dll.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench/watcher/WatcherBenchSupport.h"

namespace {

// ZARVO_WATCHER_BENCH=delivery (or snapshot, memory, start; several with
// commas) runs only those parts.
bool Runs(const char* part)
{
    const char* only = getenv("ZARVO_WATCHER_BENCH");
    return only == nullptr || *only == 0 || strstr(only, part) != nullptr;
}

}  // namespace

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
        if (Runs("snapshot"))
            MeasureSnapshotParts(churn);
        if (Runs("delivery"))
            MeasureDelivery(churn);
        if (Runs("memory"))
            MeasureMemory(churn);
    }
    if (Runs("start"))
        MeasureEnumeration(benchWindow);
    DestroyWindow(benchWindow);
    return 0;
}
