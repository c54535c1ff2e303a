// How long a notification takes from a foreign SetWindowPos to the bench
// window, with 1, 4 and 16 hooked processes alive; and what an out-of-context
// WinEvent consumer sees of the same moves and of the workers' lives.
#include "bench/hook/HookBenchProtocol.h"
#include "bench/hook/HookBenchSupport.h"

#include <stdio.h>

#include <map>
#include <memory>

namespace {

const int Rounds = 5;
const int MovesPerRun = 100;
const DWORD LostAfterMs = 1000;
const size_t ProcessCounts[] = {1, 4, 16};
const size_t ProcessCountsCount = sizeof(ProcessCounts) / sizeof(ProcessCounts[0]);

// WinEvents from the workers' processes, by event.
std::map<DWORD, int> WinEventCount;

void CALLBACK CountWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG, DWORD, DWORD)
{
    if (object == OBJID_WINDOW)
        ++WinEventCount[event];
}

struct Move
{
    bool arrived;
    double latencyMs;
};

Move MoveOnce(HWND worker, int step)
{
    PostMessageW(worker, WorkerMove, 60 + (step % 7) * 20, 60 + (step % 5) * 20);
    LONGLONG start = 0, arrival = 0;
    const bool answered = PumpUntil(LostAfterMs, [&](const MSG& message) {
        if (message.message == NotifyWindowPosChanged && HWND(message.lParam) == worker)
            arrival = Counter();
        else if (message.message == BenchMoveStarted && HWND(message.wParam) == worker)
            start = message.lParam;
        else
            return false;
        return start != 0 && arrival != 0;
    });
    if (!answered || arrival == 0)
        return {false, 0};
    return {true, double(arrival - start) * SecondsPerTick() * 1000};
}

void PrintWinEvents(int moves)
{
    static const struct
    {
        DWORD event;
        const char* name;
    } watched[] = {
        {EVENT_OBJECT_CREATE,         "EVENT_OBJECT_CREATE"        },
        {EVENT_OBJECT_SHOW,           "EVENT_OBJECT_SHOW"          },
        {EVENT_OBJECT_LOCATIONCHANGE, "EVENT_OBJECT_LOCATIONCHANGE"},
        {EVENT_OBJECT_HIDE,           "EVENT_OBJECT_HIDE"          },
        {EVENT_OBJECT_DESTROY,        "EVENT_OBJECT_DESTROY"       },
        {EVENT_SYSTEM_MOVESIZESTART,  "EVENT_SYSTEM_MOVESIZESTART" },
        {EVENT_SYSTEM_MOVESIZEEND,    "EVENT_SYSTEM_MOVESIZEEND"   },
        {EVENT_SYSTEM_FOREGROUND,     "EVENT_SYSTEM_FOREGROUND"    },
    };
    printf("\nOut-of-context WinEvent consumer (SetWinEventHook, WINEVENT_OUTOFCONTEXT) over the\n"
           "same %d moves and the workers' creation, showing, hiding and destruction:\n\n",
           moves);
    printf("| %-28s | %8s |\n|%s|%s|\n", "event (OBJID_WINDOW)", "received",
           std::string(30, '-').c_str(), std::string(10, '-').c_str());
    int others = 0;
    for (const auto& seen : WinEventCount)
        others += seen.second;
    for (const auto& w : watched) {
        printf("| %-28s | %8d |\n", w.name, WinEventCount[w.event]);
        others -= WinEventCount[w.event];
    }
    printf("| %-28s | %8d |\n", "any other event", others);
}

}  // namespace

void MeasureNotificationLatency(Hooks& hooks, HWND benchWindow)
{
    if (!hooks.Apply(OurHookEnabled)) {
        printf("latency: registering the hook failed\n");
        return;
    }
    HWINEVENTHOOK winEvents = SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, CountWinEvent, 0, 0,
                                              WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    std::vector<std::unique_ptr<Worker>> workers;
    std::vector<double> latencies[ProcessCountsCount], medians[ProcessCountsCount];
    int lost[ProcessCountsCount] = {};
    int moves = 0;
    for (int round = 0; round < Rounds; ++round) {
        for (size_t turn = 0; turn < ProcessCountsCount; ++turn) {
            // Alternate the direction so that starting and ending processes
            // come before each count about as often.
            const size_t variant = round % 2 ? ProcessCountsCount - 1 - turn : turn;
            const size_t count = ProcessCounts[variant];
            while (workers.size() > count)
                workers.pop_back();
            while (workers.size() < count)
                workers.emplace_back(new Worker(benchWindow));
            std::vector<double> run;
            for (int m = 0; m < MovesPerRun; ++m, ++moves) {
                const Move move = MoveOnce(workers[m % count]->Window(), moves);
                if (move.arrived)
                    run.push_back(move.latencyMs);
                else
                    ++lost[variant];
            }
            medians[variant].push_back(Summarise(run).median);
            latencies[variant].insert(latencies[variant].end(), run.begin(), run.end());
        }
    }
    workers.clear();
    // Let the last workers' destruction events come in.
    PumpUntil(300, [](const MSG&) { return false; });
    if (winEvents != nullptr)
        UnhookWinEvent(winEvents);
    hooks.Apply(NoHook);

    printf("\nLatency from a foreign SetWindowPos to NotifyWindowPosChanged at the bench window\n"
           "(%d rounds of %d moves per process count, counts interleaved; ms)\n\n",
           Rounds, MovesPerRun);
    printf("| hooked processes |   p50 |   p90 |   p99 |   max | lost | p50 per round |\n"
           "|------------------|-------|-------|-------|-------|------|---------------|\n");
    for (size_t variant = 0; variant < ProcessCountsCount; ++variant) {
        const Summary all = Summarise(latencies[variant]);
        const Summary perRound = Summarise(medians[variant]);
        printf("| %16zu | %5.2f | %5.2f | %5.2f | %5.2f | %4d | %5.2f - %5.2f |\n",
               ProcessCounts[variant], all.median, all.p90, all.p99, all.max, lost[variant],
               perRound.min, perRound.max);
    }
    PrintWinEvents(moves);
}
