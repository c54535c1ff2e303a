#pragma once

// Collects what a window model's callback receives, with the time of each
// call, and can make each call slow, as an application that does real work
// per event would be.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "watcher/WindowModel.h"

namespace NWatcherTest {

using NLibrary::NWin32::NWindow::NWatcher::CWindowModelEvent;

class CRecordedEvent
{
public:
    CWindowModelEvent event;
    ULONGLONG deliveredAt = 0;  // GetTickCount64 when the callback ran
};

class CModelRecorder
{
public:
    static void OnEvent(const CWindowModelEvent& event, void* context);

    // Each callback sleeps this long before it records.
    void SetDelay(DWORD milliseconds) { delay = milliseconds; }

    std::vector<CRecordedEvent> All() const;
    std::vector<CRecordedEvent> About(HWND window) const;
    bool WaitFor(HWND window, const std::function<bool(const CWindowModelEvent&)>& match,
                 DWORD milliseconds) const;
    // Every sequence number one more than the one before, from 1.
    bool AreSequencesConsecutive() const;

private:
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<CRecordedEvent> events;
    std::atomic<DWORD> delay {0};
};

// "Present WindowPosChanged ..." for failure messages and comparisons.
std::string Names(const std::vector<CRecordedEvent>& events);
// The sum of `merged` over the position changes (WindowPosChanged, Moving).
uint32_t CountPositionChanges(const std::vector<CRecordedEvent>& events);

}  // namespace NWatcherTest
