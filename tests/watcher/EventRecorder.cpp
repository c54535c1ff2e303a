#include "tests/watcher/EventRecorder.h"

#include <algorithm>
#include <chrono>

namespace NWatcherTest {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

void CEventRecorder::OnEvent(const CWindowEvent& event, void* context)
{
    CEventRecorder* recorder = static_cast<CEventRecorder*>(context);
    std::unique_lock<std::mutex> lock(recorder->mutex);
    if (recorder->holdNext) {
        recorder->holdNext = false;
        recorder->held = true;
        recorder->changed.notify_all();
        recorder->changed.wait(lock, [recorder] { return !recorder->held; });
    }
    // Recorded on the way out, so that a callback still running when Stop
    // returns lands after the marker.
    recorder->events.push_back(event);
    recorder->changed.notify_all();
}

void CEventRecorder::HoldNext()
{
    std::lock_guard<std::mutex> lock(mutex);
    holdNext = true;
}

bool CEventRecorder::WaitUntilHeld(DWORD milliseconds)
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return held; });
}

void CEventRecorder::Release()
{
    std::lock_guard<std::mutex> lock(mutex);
    held = false;
    changed.notify_all();
}

void CEventRecorder::AddMarker()
{
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back(CWindowEvent());
}

std::vector<CWindowEvent> CEventRecorder::About(HWND window) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<CWindowEvent> about;
    for (const CWindowEvent& event : events) {
        if (event.window == window)
            about.push_back(event);
    }
    return about;
}

std::vector<CWindowEvent> CEventRecorder::About(const std::vector<HWND>& windows) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<CWindowEvent> about;
    for (const CWindowEvent& event : events) {
        if (std::find(windows.begin(), windows.end(), event.window) != windows.end())
            about.push_back(event);
    }
    return about;
}

size_t CEventRecorder::CountAfterMarker(HWND window) const
{
    std::lock_guard<std::mutex> lock(mutex);
    size_t count = 0;
    bool afterMarker = false;
    for (const CWindowEvent& event : events) {
        afterMarker = afterMarker || event.window == nullptr;
        count += afterMarker && event.window == window ? 1 : 0;
    }
    return count;
}

bool CEventRecorder::WaitFor(HWND window, const std::function<bool(const CWindowEvent&)>& match,
                             DWORD milliseconds) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
        for (const CWindowEvent& event : events) {
            if (event.window == window && match(event))
                return true;
        }
        return false;
    });
}

std::string Names(const std::vector<CWindowEvent>& events)
{
    std::string names;
    for (const CWindowEvent& event : events)
        names += std::string(names.empty() ? "" : " ") + NWatcher::GetWindowEventName(event.kind);
    return names;
}

}  // namespace NWatcherTest
