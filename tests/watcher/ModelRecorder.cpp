#include "tests/watcher/ModelRecorder.h"

#include <chrono>

namespace NWatcherTest {

namespace NWatcher = NLibrary::NWin32::NWindow::NWatcher;

void CModelRecorder::OnEvent(const CWindowModelEvent& event, void* context)
{
    CModelRecorder* recorder = static_cast<CModelRecorder*>(context);
    if (recorder->delay > 0)
        Sleep(recorder->delay);
    CRecordedEvent recorded;
    recorded.event = event;
    recorded.deliveredAt = GetTickCount64();
    std::lock_guard<std::mutex> lock(recorder->mutex);
    recorder->events.push_back(recorded);
    recorder->changed.notify_all();
}

std::vector<CRecordedEvent> CModelRecorder::All() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return events;
}

std::vector<CRecordedEvent> CModelRecorder::About(HWND window) const
{
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<CRecordedEvent> about;
    for (const CRecordedEvent& recorded : events) {
        if (recorded.event.window == window)
            about.push_back(recorded);
    }
    return about;
}

bool CModelRecorder::WaitFor(HWND window,
                             const std::function<bool(const CWindowModelEvent&)>& match,
                             DWORD milliseconds) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
        for (const CRecordedEvent& recorded : events) {
            if (recorded.event.window == window && match(recorded.event))
                return true;
        }
        return false;
    });
}

bool CModelRecorder::AreSequencesConsecutive() const
{
    std::lock_guard<std::mutex> lock(mutex);
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].event.sequence != i + 1)
            return false;
    }
    return true;
}

std::string Names(const std::vector<CRecordedEvent>& events)
{
    std::string names;
    for (const CRecordedEvent& recorded : events)
        names += std::string(names.empty() ? "" : " ")
                 + NWatcher::GetWindowEventName(recorded.event.kind);
    return names;
}

uint32_t CountPositionChanges(const std::vector<CRecordedEvent>& events)
{
    uint32_t count = 0;
    for (const CRecordedEvent& recorded : events) {
        if (recorded.event.kind == NWatcher::WindowEventPosChanged
            || recorded.event.kind == NWatcher::WindowEventMoving)
            count += recorded.event.merged;
    }
    return count;
}

}  // namespace NWatcherTest
