// The raw hook path and the unmerged watcher, as the application sees them.
#include "bench/watcher/WatcherBenchSupport.h"

#include <process.h>

#include "watcher/HookModule.h"
#include "watcher/HookRegistration.h"
#include "watcher/WindowWatcher.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;

// A thread of its own with a message-only notification window, registered
// through the library's module loader, that takes each notification off its
// queue and notes it: what any application of the hook does at the least.
class CRawDelivery : public CDelivery
{
public:
    explicit CRawDelivery(const CChurn& churn) : churn(churn)
    {
        wchar_t path[MAX_PATH];
        isLoaded =
            GetDefaultHookModulePath(path, MAX_PATH) == 0 && module.Load(path) == WatcherSuccess;
    }
    ~CRawDelivery() override { Stop(); }

    const char* Name() const override { return "raw hook path"; }
    bool DeliversEveryChange() const override { return true; }

    bool Start(CObservations* observations) override
    {
        if (!isLoaded || thread != nullptr)
            return false;
        seen = observations;
        registered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread = reinterpret_cast<HANDLE>(
            _beginthreadex(nullptr, 0, &CRawDelivery::Run, this, 0, &threadId));
        if (thread == nullptr || WaitForSingleObject(registered, 10000) != WAIT_OBJECT_0
            || !isRegistered) {
            Stop();
            return false;
        }
        return true;
    }

    void Stop() override
    {
        if (thread == nullptr)
            return;
        PostThreadMessageW(threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread);
        CloseHandle(registered);
        thread = nullptr;
    }

private:
    static unsigned __stdcall Run(void* argument)
    {
        CRawDelivery* self = static_cast<CRawDelivery*>(argument);
        const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                            GetModuleHandleW(nullptr), nullptr);
        self->isRegistered = window != nullptr && RegisterAsOwner(self->module, window) == 0;
        SetEvent(self->registered);
        MSG message;
        while (self->isRegistered && GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (message.message == NotifyWindowPosChanged) {
                const int slot = self->churn.SlotOf(reinterpret_cast<HWND>(message.lParam));
                if (slot >= 0)
                    self->seen->AddNotification(slot);
            } else if (!IsWindowEventMessage(message.message)) {
                DispatchMessageW(&message);
            }
        }
        if (window != nullptr) {
            UnregisterIfOwner(self->module, window);
            DestroyWindow(window);
        }
        return 0;
    }

    const CChurn& churn;
    CHookModule module;
    bool isLoaded = false;
    CObservations* seen = nullptr;
    HANDLE registered = nullptr;
    HANDLE thread = nullptr;
    unsigned threadId = 0;
    bool isRegistered = false;
};

class CWatcherDelivery : public CDelivery
{
public:
    explicit CWatcherDelivery(const CChurn& churn) : churn(churn) {}

    const char* Name() const override { return "watcher, unmerged"; }
    bool DeliversEveryChange() const override { return true; }

    bool Start(CObservations* observations) override
    {
        seen = observations;
        return watcher.Start(&CWatcherDelivery::OnEvent, this) == WatcherSuccess;
    }

    void Stop() override { watcher.Stop(); }

private:
    static void OnEvent(const CWindowEvent& event, void* context)
    {
        CWatcherDelivery* self = static_cast<CWatcherDelivery*>(context);
        const int slot = self->churn.SlotOf(event.window);
        if (slot >= 0 && event.kind == WindowEventPosChanged && !event.snapshot.gone)
            self->seen->AddSnapshot(slot, event.snapshot.bounds.left, event.snapshot.bounds.top, 1);
    }

    const CChurn& churn;
    CWindowWatcher watcher;
    CObservations* seen = nullptr;
};

}  // namespace

std::unique_ptr<CDelivery> MakeRawDelivery(const CChurn& churn)
{
    return std::unique_ptr<CDelivery>(new CRawDelivery(churn));
}

std::unique_ptr<CDelivery> MakeWatcherDelivery(const CChurn& churn)
{
    return std::unique_ptr<CDelivery>(new CWatcherDelivery(churn));
}
