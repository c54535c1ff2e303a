// Memory over 100,000 changes: a way of delivery that keeps up holds what it
// holds per window, not per change.
#include "bench/watcher/WatcherBenchSupport.h"

#include <stdio.h>

namespace {

const LONG64 Changes = 100000;
const LONG64 WarmUpChanges = 5000;
const DWORD DrainMs = 30000;

struct MemoryRow
{
    std::unique_ptr<CDelivery> delivery;
    bool isMeasured = false;
    SIZE_T before = 0, after = 0;
    LONG64 events = 0, changes = 0;
};

}  // namespace

void MeasureMemory(CChurn& churn)
{
    std::vector<MemoryRow> rows = RowsForEachDelivery<MemoryRow>(churn, false);
    // Counts only: nothing the bench keeps grows with the changes.
    CObservations seen(0);
    for (MemoryRow& row : rows) {
        const bool everyChange = row.delivery->DeliversEveryChange();
        if (!row.delivery->Start(&seen))
            continue;
        if (ChurnFor(churn, seen, everyChange, WarmUpChanges, DrainMs)) {
            row.before = CommittedPrivateBytes();
            const LONG64 made = churn.TotalMoves();
            if (ChurnFor(churn, seen, everyChange, Changes, DrainMs)) {
                row.after = CommittedPrivateBytes();
                row.isMeasured = true;
                row.changes = churn.TotalMoves() - made;
                for (int slot = 0; slot < ChurnWindows; ++slot)
                    row.events += seen.Events(slot);
            }
        }
        row.delivery->Stop();
    }

    printf(
        "\nMemory over %lld changes (committed private memory of the bench process, VirtualQuery; "
        "after a warm-up of %lld changes)\n\n",
        Changes, WarmUpChanges);
    printf("| way | changes | events | before, KiB | after, KiB | difference, KiB |\n"
           "|---|---|---|---|---|---|\n");
    for (const MemoryRow& row : rows) {
        if (!row.isMeasured) {
            printf("| %s | did not catch up within %u s |  |  |  |  |\n", row.delivery->Name(),
                   unsigned(DrainMs / 1000));
            continue;
        }
        printf("| %s | %lld | %lld | %zu | %zu | %+lld |\n", row.delivery->Name(), row.changes,
               row.events, row.before / 1024, row.after / 1024,
               (LONG64(row.after) - LONG64(row.before)) / 1024);
    }
}
