#include "tools/zarvowatch/WatchSource.h"

#include <atomic>
#include <mutex>

namespace {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

// The watcher's notifications as they come, each one an event of its own.
class CWatcherSource : public IWatchSource
{
public:
    CWatcherSource(const std::wstring& dllPath, bool initial) : dllPath(dllPath), initial(initial)
    {
    }

    uint32_t Start(NWatcher::WindowModelCallback callback, void* context) override
    {
        // The watcher's thread waits here for its first callback until every
        // window that exists has been delivered as Present: a window's
        // Present then comes before its other events, and the hook is live
        // before the windows are listed, so none created meanwhile is missed.
        std::lock_guard<std::mutex> lock(delivering);
        this->callback = callback;
        this->context = context;
        const uint32_t status = watcher.Start(OnEvent, this, dllPath.c_str());
        if (status != NWatcher::WatcherSuccess || !initial)
            return status;
        std::vector<HWND> windows;
        EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&windows));
        NWatcher::CWindowEvent present;
        present.kind = NWatcher::WindowEventPresent;
        for (HWND window : windows) {
            present.window = window;
            present.arrivalTime = GetTickCount64();
            NWatcher::TakeWindowSnapshot(window, &present.snapshot);
            Deliver(present);
        }
        return status;
    }

    uint32_t Stop() override { return watcher.Stop(); }

    uint32_t CopyWindows(std::vector<NWatcher::CWindowState>& states) const override
    {
        // Read before the windows: every event numbered up to here is older
        // than the snapshots taken below.
        const uint64_t newest = delivered.load();
        std::vector<HWND> windows;
        EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&windows));
        states.assign(windows.size(), NWatcher::CWindowState());
        for (size_t i = 0; i < windows.size(); ++i) {
            states[i].window = windows[i];
            states[i].sequence = newest;
            NWatcher::TakeWindowSnapshot(windows[i], &states[i].snapshot);
        }
        return 0;
    }

private:
    static BOOL CALLBACK AddWindow(HWND window, LPARAM windows)
    {
        reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
        return TRUE;
    }

    static void OnEvent(const NWatcher::CWindowEvent& event, void* context)
    {
        CWatcherSource* source = static_cast<CWatcherSource*>(context);
        std::lock_guard<std::mutex> lock(source->delivering);
        source->Deliver(event);
    }

    void Deliver(const NWatcher::CWindowEvent& event)
    {
        modelEvent.sequence = delivered.load() + 1;
        modelEvent.kind = event.kind;
        modelEvent.window = event.window;
        modelEvent.arrivalTime = event.arrivalTime;
        modelEvent.snapshot = event.snapshot;
        callback(modelEvent, context);
        delivered.store(modelEvent.sequence);
    }

    std::wstring dllPath;
    bool initial;
    NWatcher::WindowModelCallback callback = nullptr;
    void* context = nullptr;
    std::mutex delivering;  // one delivery at a time, the Present ones included
    NWatcher::CWindowModelEvent modelEvent;
    std::atomic<uint64_t> delivered {0};
    NWatcher::CWindowWatcher watcher;
};

}  // namespace

std::unique_ptr<IWatchSource> CreateWatcherSource(const std::wstring& dllPath, bool initial)
{
    return std::make_unique<CWatcherSource>(dllPath, initial);
}

std::unique_ptr<IWatchSource> CreateWatchSource(const CWatchOptions& options, bool initial)
{
#ifdef ZARVOWATCH_WINDOW_MODEL
    if (!options.allChanges)
        return CreateModelSource(options.dllPath, initial);
#endif
    return CreateWatcherSource(options.dllPath, initial);
}
