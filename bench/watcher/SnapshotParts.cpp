// What a snapshot of another process's window costs, part by part, with the
// machine quiet and under the churn (no hook installed). The parts take turns
// in short runs, so that drift falls on all alike.
#include "bench/watcher/WatcherBenchSupport.h"

#include <stdio.h>

#include "library/window/WindowQueries.h"
#include "watcher/WindowSnapshot.h"

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;
namespace NDetail = NLibrary::NWin32::NWindow::NWatcher::NDetail;
using NLibrary::NWin32::NWindow::IsValidWindow;
using NWatcher::CWindowSnapshot;

const int Rounds = 9;
const int CallsPerRun = 100;

struct Part
{
    const char* name;
    void (*read)(HWND window, CWindowSnapshot* snapshot);
};

NWatcher::CWindowSnapshotCache* Cache = nullptr;
NWatcher::CMonitorLayout* Layout = nullptr;

// The snapshot as it was read before the cache and the single reads: every
// query on its own, show state twice, the image name every time.
void ReadAsBefore(HWND window, CWindowSnapshot* snapshot)
{
    namespace NWindow = NLibrary::NWin32::NWindow;
    IsValidWindow(window);
    GetClassNameW(window, snapshot->className, 257);
    InternalGetWindowText(window, snapshot->title, 512);
    NWindow::GetWindowBounds(window, &snapshot->bounds);
    snapshot->showState = NWindow::GetWindowShowState(window);
    GetWindowThreadProcessId(window, &snapshot->processId);
    NWatcher::GetProcessImageName(snapshot->processId, snapshot->imageName, MAX_PATH);
    IsValidWindow(window);
}

// Rows with lambdas, which clang-format 14 cannot align (it crashes): one
// row per line by hand.
// clang-format off
const Part Parts[] = {
    {"validity (IsWindow)", [](HWND w, CWindowSnapshot*) { IsValidWindow(w); }},
    {"thread and process id",
     [](HWND w, CWindowSnapshot* s) { GetWindowThreadProcessId(w, &s->processId); }},
    {"class name", NDetail::ReadClassName},
    {"title", NDetail::ReadTitle},
    {"styles (style, extended style)", [](HWND w, CWindowSnapshot*) { NDetail::ReadStyles(w); }},
    {"styles, show state and bounds (placement only when minimised or hidden)",
     [](HWND w, CWindowSnapshot* s) {
         NDetail::ReadShowStateAndBounds(w, NDetail::ReadStyles(w), s);
     }},
    {"show state and bounds as before (GetWindowShowState, GetWindowBounds)",
     [](HWND w, CWindowSnapshot* s) {
         NLibrary::NWin32::NWindow::GetWindowBounds(w, &s->bounds);
         s->showState = NLibrary::NWin32::NWindow::GetWindowShowState(w);
     }},
    {"owner, application window",
     [](HWND w, CWindowSnapshot* s) { NDetail::ReadOwner(w, NDetail::CWindowStyles(), s); }},
    {"monitor, work area, fullscreen",
     [](HWND w, CWindowSnapshot* s) { NDetail::ReadMonitor(w, NDetail::CWindowStyles(), nullptr, s); }},
    {"monitor, work area, fullscreen from the layout",
     [](HWND w, CWindowSnapshot* s) { NDetail::ReadMonitor(w, NDetail::CWindowStyles(), Layout, s); }},
    {"DPI", NDetail::ReadDpi},
    {"cloaked", NDetail::ReadCloaked},
    {"process: image name, bits, integrity (one handle)",
     [](HWND w, CWindowSnapshot* s) { NDetail::ReadProcess(s->processId, s); }},
    {"image name alone",
     [](HWND w, CWindowSnapshot* s) {
         NWatcher::GetProcessImageName(s->processId, s->imageName, MAX_PATH);
     }},
    {"snapshot as before (old fields only)", ReadAsBefore},
    {"snapshot, uncached (TakeWindowSnapshot)",
     [](HWND w, CWindowSnapshot* s) { NWatcher::TakeWindowSnapshot(w, s); }},
    {"snapshot, cached (CWindowSnapshotCache::Take)",
     [](HWND w, CWindowSnapshot* s) { Cache->Take(w, s); }},
    {"snapshot, cached, place only (as for a position change)",
     [](HWND w, CWindowSnapshot* s) { Cache->Take(w, s, NWatcher::SnapshotPlace); }},
};
// clang-format on
const size_t PartCount = sizeof(Parts) / sizeof(Parts[0]);

// Microseconds per call of each part, median over the rounds.
std::vector<double> Measure(HWND window)
{
    std::vector<std::vector<double>> perCall(PartCount);
    CWindowSnapshot* snapshot = new CWindowSnapshot;
    NWatcher::TakeWindowSnapshot(window, snapshot);
    const DWORD processId = snapshot->processId;
    const double usPerTick = SecondsPerTick() * 1e6;
    for (int round = 0; round < Rounds; ++round) {
        for (size_t turn = 0; turn < PartCount; ++turn) {
            const size_t part = (round + turn) % PartCount;
            snapshot->processId = processId;
            const LONGLONG began = Counter();
            for (int call = 0; call < CallsPerRun; ++call)
                Parts[part].read(window, snapshot);
            perCall[part].push_back(double(Counter() - began) * usPerTick / CallsPerRun);
        }
    }
    delete snapshot;
    std::vector<double> medians;
    for (const std::vector<double>& samples : perCall)
        medians.push_back(Summarise(samples).median);
    return medians;
}

}  // namespace

void MeasureSnapshotParts(CChurn& churn)
{
    NWatcher::CWindowSnapshotCache cache;
    Cache = &cache;
    NWatcher::CMonitorLayout layout;
    Layout = &layout;
    const HWND window = churn.Window(0);
    const std::vector<double> quiet = Measure(window);
    churn.Start();
    const std::vector<double> loaded = Measure(window);
    churn.Stop();
    Cache = nullptr;
    Layout = nullptr;

    printf("\nA snapshot of another process's window, part by part (%d rounds of %d calls, parts "
           "interleaved; us per call, median)\n\n",
           Rounds, CallsPerRun);
    printf("| part | quiet | under the churn |\n|---|---|---|\n");
    for (size_t part = 0; part < PartCount; ++part)
        printf("| %s | %.1f | %.1f |\n", Parts[part].name, quiet[part], loaded[part]);
}
