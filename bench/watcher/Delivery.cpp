// Delivery under load: the raw hook path, the unmerged watcher and the window
// model take turns, each phase under the same churn, the order changing from
// round to round, so that the drift of a shared machine falls on all alike.
#include "bench/watcher/WatcherBenchSupport.h"

#include <stdio.h>

#include <string>

namespace {

const int Rounds = 6;
const DWORD LoadMs = 2000;
const DWORD DrainMs = 20000;
const size_t SightingCapacity = 1 << 20;

struct DeliveryRow
{
    std::unique_ptr<CDelivery> delivery;
    std::vector<double> rate, rateRatio, latency, p50Ratio, p99Ratio, lastAfterStop;
    LONG64 changes = 0, events = 0, merged = 0, unseen = 0;
    int incompletePhases = 0, windowsBehind = 0;
};

std::string Range(const std::vector<double>& values, const char* format)
{
    const Summary s = Summarise(values);
    char text[96];
    char pattern[64];
    snprintf(pattern, sizeof(pattern), "%s [%s-%s]", format, format, format);
    snprintf(text, sizeof(text), pattern, s.median, s.min, s.max);
    return text;
}

}  // namespace

void MeasureDelivery(CChurn& churn)
{
    std::vector<DeliveryRow> rows = RowsForEachDelivery<DeliveryRow>(churn, true);
    CObservations seen(SightingCapacity);
    for (int round = 0; round < Rounds; ++round) {
        std::vector<PhaseResult> results(rows.size());
        for (size_t turn = 0; turn < rows.size(); ++turn) {
            const size_t r = (round + turn) % rows.size();
            results[r] = RunPhase(churn, *rows[r].delivery, seen, LoadMs, DrainMs);
        }
        const PhaseResult& raw = results[0];
        const Summary rawLatency = Summarise(raw.latencyMs);
        const double rawRate = double(raw.eventsDuringLoad) / raw.loadSeconds;
        for (size_t r = 0; r < rows.size(); ++r) {
            DeliveryRow& row = rows[r];
            const PhaseResult& result = results[r];
            const Summary latency = Summarise(result.latencyMs);
            const double rate = double(result.eventsDuringLoad) / result.loadSeconds;
            row.rate.push_back(rate);
            row.rateRatio.push_back(rate / rawRate);
            row.p50Ratio.push_back(latency.median / rawLatency.median);
            row.p99Ratio.push_back(latency.p99 / rawLatency.p99);
            row.latency.insert(row.latency.end(), result.latencyMs.begin(), result.latencyMs.end());
            row.lastAfterStop.push_back(result.lastAfterStopMs);
            row.changes += result.changes;
            row.events += result.events;
            row.merged += result.merged;
            row.unseen += result.unseen;
            row.windowsBehind += result.windowsBehind;
            row.incompletePhases += result.isComplete ? 0 : 1;
        }
    }

    printf("\nDelivery under load: %d processes x %d threads moving their windows as fast as they "
           "can,\n%d rounds of %.1f s per way, ways interleaved; median [range] over the rounds, "
           "ratios\nto the raw hook path of the same round\n\n",
           ChurnProcesses, ChurnThreadsPerProcess, Rounds, LoadMs / 1000.0);
    printf("| way | changes/s made | events/s delivered | rate vs raw | last event after the load "
           "stopped, ms |\n|---|---|---|---|---|\n");
    for (const DeliveryRow& row : rows) {
        const double made = double(row.changes) / (Rounds * LoadMs / 1000.0);
        printf("| %s | %.0f | %s | %s | %s |\n", row.delivery->Name(), made,
               Range(row.rate, "%.0f").c_str(), Range(row.rateRatio, "%.2f").c_str(),
               Range(row.lastAfterStop, "%.1f").c_str());
    }
    printf("\nLatency from a change to the application seeing that window's newest state (that "
           "change or a later one), ms\n\n");
    printf("| way | p50 | p90 | p99 | max | p50 vs raw | p99 vs raw | events | changes they stand "
           "for | changes | never shown | last state missing |\n"
           "|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const DeliveryRow& row : rows) {
        const Summary all = Summarise(row.latency);
        printf("| %s | %.2f | %.2f | %.2f | %.2f | %s | %s | %lld | %lld | %lld | %lld | %d |\n",
               row.delivery->Name(), all.median, all.p90, all.p99, all.max,
               Range(row.p50Ratio, "%.2f").c_str(), Range(row.p99Ratio, "%.2f").c_str(), row.events,
               row.merged, row.changes, row.unseen, row.windowsBehind);
    }
    int incomplete = 0;
    for (const DeliveryRow& row : rows)
        incomplete += row.incompletePhases;
    printf("\nphases whose deliveries had not caught up %u s after the load: %d\n",
           unsigned(DrainMs / 1000), incomplete);
}
