#pragma once

// Collects what a watcher's callback receives, with a gate that holds the
// watcher's thread inside the callback until the test lets it go: the seam
// through which the tests order the watcher's thread against their own.

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "watcher/WindowEvent.h"

namespace NWatcherTest {

using NLibrary::NWin32::NWindow::NWatcher::CWindowEvent;

class CEventRecorder
{
public:
    static void OnEvent(const CWindowEvent& event, void* context);

    // The next callback waits inside until Release; WaitUntilHeld returns
    // once it does.
    void HoldNext();
    bool WaitUntilHeld(DWORD milliseconds);
    void Release();

    // An entry with a null window that no callback can add.
    void AddMarker();

    std::vector<CWindowEvent> About(HWND window) const;
    // Events about any of `windows`, in the order they were recorded.
    std::vector<CWindowEvent> About(const std::vector<HWND>& windows) const;
    // Events about `window` recorded after the marker.
    size_t CountAfterMarker(HWND window) const;
    bool WaitFor(HWND window, const std::function<bool(const CWindowEvent&)>& match,
                 DWORD milliseconds) const;

private:
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<CWindowEvent> events;
    bool holdNext = false;
    bool held = false;
};

// "WindowPosChanged EnterSizeMove ..." for failure messages and comparisons.
std::string Names(const std::vector<CWindowEvent>& events);

}  // namespace NWatcherTest
