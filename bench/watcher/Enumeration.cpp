// What a start costs with 500 more top-level windows of another process on
// the desktop: enumerating them, reading each, and the window model's start.
#include "bench/watcher/WatcherBenchSupport.h"

#include <stdio.h>

#include "watcher/WindowSnapshot.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;

const size_t ManyWindows = 500;
const int Rounds = 7;

BOOL CALLBACK Collect(HWND window, LPARAM windows)
{
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

double MsSince(LONGLONG began)
{
    return double(Counter() - began) * SecondsPerTick() * 1000;
}

}  // namespace

void MeasureEnumeration(HWND benchWindow)
{
    Worker many(benchWindow, L"windows " + std::to_wstring(ManyWindows), 1);
    if (many.Window() == nullptr) {
        printf("\nenumeration: the worker with %zu windows did not start\n", ManyWindows);
        return;
    }
    // The worker's windows are mapped on the display after they exist.
    Sleep(1000);
    std::vector<double> enumerate, snapshots, modelStart, modelPresent;
    size_t found = 0;
    std::vector<HWND> windows;
    windows.reserve(4096);
    CWindowSnapshot* snapshot = new CWindowSnapshot;
    for (int round = 0; round < Rounds; ++round) {
        windows.clear();
        LONGLONG began = Counter();
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
        enumerate.push_back(MsSince(began));
        found = windows.size();
        began = Counter();
        for (HWND window : windows)
            TakeWindowSnapshot(window, snapshot);
        snapshots.push_back(MsSince(began));
#ifdef ZARVO_BENCH_WINDOW_MODEL
        double startMs = 0, presentMs = 0;
        if (MeasureModelStart(L"many", ManyWindows, &startMs, &presentMs)) {
            modelStart.push_back(startMs);
            modelPresent.push_back(presentMs);
        }
#endif
    }
    delete snapshot;

    printf("\nStart with %zu more top-level windows of another process (%zu on the desktop; "
           "%d rounds; ms, median [range])\n\n",
           ManyWindows, found, Rounds);
    printf("| step | ms |\n|---|---|\n");
    const auto print = [](const char* step, const std::vector<double>& values) {
        const Summary s = Summarise(values);
        printf("| %s | %.1f [%.1f-%.1f] |\n", step, s.median, s.min, s.max);
    };
    print("EnumWindows", enumerate);
    print("a snapshot of each window, uncached", snapshots);
    if (!modelStart.empty()) {
        print("CWindowModel::Start returns", modelStart);
        print("the Present event of each of the 500 delivered", modelPresent);
    } else {
        printf("| window model | not measured (not in this build, or it did not start) |\n");
    }
}
