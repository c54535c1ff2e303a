// What one SendMessageW to a window of its own costs a hooked process, under
// each hook variant. For every message the variants take turns in short runs,
// starting at a different one each time, so that the drift of a shared machine
// falls on all of them alike.
#include "bench/hook/HookBenchProtocol.h"
#include "bench/hook/HookBenchSupport.h"

#include <stdio.h>

namespace {

const int Rounds = 15;
const int MessagesPerRun = 1500;
const int WarmUpMessages = 64;  // sent by the worker before it starts timing

const char* const KindNames[MessageKindCount] = {
    "unwatched (WM_USER+1)",
    "filtered: z-order WM_WINDOWPOSCHANGED",
    "filtered: WM_MOVING to a child",
    "posting: WM_MOVING to a top-level",
};

// Notifications about the worker that reached the bench window since the last call.
int DrainNotifications(HWND worker)
{
    int arrived = 0;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == NotifyWindowMoving && HWND(message.lParam) == worker)
            ++arrived;
        else
            DispatchMessageW(&message);
    }
    return arrived;
}

}  // namespace

void MeasureMessageCost(Hooks& hooks, HWND benchWindow)
{
    Worker worker(benchWindow);
    if (worker.Window() == nullptr) {
        printf("message cost: the worker did not start\n");
        return;
    }
    const double microsecondsPerTick = SecondsPerTick() * 1e6;
    // perMessage[kind][variant] holds one sample per round; ratio likewise,
    // divided by the pass-through hook of the same round.
    std::vector<double> perMessage[MessageKindCount][HookVariantCount];
    std::vector<double> ratio[MessageKindCount][HookVariantCount];
    int lostNotifications = 0;
    for (int round = 0; round < Rounds; ++round) {
        for (int kind = 0; kind < MessageKindCount; ++kind) {
            double cost[HookVariantCount] = {};
            for (int turn = 0; turn < HookVariantCount; ++turn) {
                const HookVariant variant = HookVariant((round + kind + turn) % HookVariantCount);
                if (!hooks.Apply(variant)) {
                    printf("message cost: installing \"%s\" failed\n", VariantName(variant));
                    return;
                }
                DWORD_PTR ticks = 0;
                SendMessageTimeoutW(worker.Window(), WorkerMeasure, kind, MessagesPerRun,
                                    SMTO_NORMAL, 120000, &ticks);
                cost[variant] = double(ticks) * microsecondsPerTick / MessagesPerRun;
                const int arrived = DrainNotifications(worker.Window());
                if (variant == OurHookEnabled && kind == MovingTopLevel)
                    lostNotifications += MessagesPerRun + WarmUpMessages - arrived;
            }
            for (int variant = 0; variant < HookVariantCount; ++variant) {
                perMessage[kind][variant].push_back(cost[variant]);
                ratio[kind][variant].push_back(cost[variant] / cost[PassThroughHook]);
            }
        }
    }
    hooks.Apply(NoHook);

    printf("\nPer-message cost in a hooked process, SendMessageW to its own window\n");
    printf("(%d rounds of %d messages, variants interleaved within each; median and [range] of the "
           "ratio\n"
           " to the pass-through hook measured in the same round; pass-through in us/message)\n\n",
           Rounds, MessagesPerRun);
    printf("| %-38s |", "message");
    for (int variant = 0; variant < HookVariantCount; ++variant)
        printf(" %-24s |", VariantName(variant));
    printf("\n|%s|", std::string(40, '-').c_str());
    for (int variant = 0; variant < HookVariantCount; ++variant)
        printf("%s|", std::string(26, '-').c_str());
    printf("\n");
    for (int kind = 0; kind < MessageKindCount; ++kind) {
        printf("| %-38s |", KindNames[kind]);
        for (int variant = 0; variant < HookVariantCount; ++variant) {
            char cell[64];
            if (variant == PassThroughHook) {
                const Summary us = Summarise(perMessage[kind][variant]);
                snprintf(cell, sizeof(cell), "%.2f us [%.2f-%.2f]", us.median, us.min, us.max);
            } else {
                const Summary r = Summarise(ratio[kind][variant]);
                const char* format = r.median < 0.1 ? "%.4f [%.4f-%.4f]" : "%.2f [%.2f-%.2f]";
                snprintf(cell, sizeof(cell), format, r.median, r.min, r.max);
            }
            printf(" %-24s |", cell);
        }
        printf("\n");
    }
    printf("\nnotifications lost while posting: %d\n", lostNotifications);
}
