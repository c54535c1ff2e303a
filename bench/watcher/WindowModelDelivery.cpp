// The window model as the application sees it: the newest state of each
// window, its position changes merged. Built only where the tree has the model.
#include "bench/watcher/WatcherBenchSupport.h"

#include <cwchar>

#include "watcher/WindowModel.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;

class CModelDelivery : public CDelivery
{
public:
    explicit CModelDelivery(const CChurn& churn) : churn(churn) {}

    const char* Name() const override { return "window model"; }
    bool DeliversEveryChange() const override { return false; }

    bool Start(CObservations* observations) override
    {
        seen = observations;
        return model.Start(&CModelDelivery::OnEvent, this) == WatcherSuccess;
    }

    void Stop() override { model.Stop(); }

private:
    static void OnEvent(const CWindowModelEvent& event, void* context)
    {
        CModelDelivery* self = static_cast<CModelDelivery*>(context);
        const int slot = self->churn.SlotOf(event.window);
        if (slot >= 0 && !event.snapshot.gone)
            self->seen->AddSnapshot(slot, event.snapshot.bounds.left, event.snapshot.bounds.top,
                                    event.merged);
    }

    const CChurn& churn;
    CWindowModel model;
    CObservations* seen = nullptr;
};

struct CPresentCount
{
    const wchar_t* title;
    volatile LONG count;
};

void CountPresent(const CWindowModelEvent& event, void* context)
{
    CPresentCount* present = static_cast<CPresentCount*>(context);
    if (event.kind == WindowEventPresent && wcscmp(event.snapshot.title, present->title) == 0)
        InterlockedIncrement(&present->count);
}

}  // namespace

std::unique_ptr<CDelivery> MakeModelDelivery(const CChurn& churn)
{
    return std::unique_ptr<CDelivery>(new CModelDelivery(churn));
}

bool MeasureModelStart(const wchar_t* title, size_t expected, double* startMs, double* presentMs)
{
    CPresentCount present = {title, 0};
    CWindowModel model;
    const LONGLONG began = Counter();
    if (model.Start(CountPresent, &present) != WatcherSuccess)
        return false;
    const LONGLONG started = Counter();
    const DWORD deadline = GetTickCount() + 30000;
    while (size_t(present.count) < expected && LONG(deadline - GetTickCount()) > 0)
        Sleep(1);
    const LONGLONG presented = Counter();
    model.Stop();
    *startMs = double(started - began) * SecondsPerTick() * 1000;
    *presentMs = double(presented - began) * SecondsPerTick() * 1000;
    return size_t(present.count) >= expected;
}
