#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "watcher/WindowModel.h"

// Keeps the events about windows of one image name and one class, and
// completes the snapshot of a window that is gone with what earlier events
// showed of it, so that its Destroyed or Gone line still names its process
// and class and passes the same filter.
class CWatchFilter
{
public:
    CWatchFilter(const std::wstring& process, const std::wstring& className);

    // False when the event is to be left out; otherwise `window` is what to print.
    bool Accept(const NLibrary::NWin32::NWindow::NWatcher::CWindowModelEvent& event,
                NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot& window);

private:
    std::wstring process;
    std::wstring className;
    std::map<HWND, NLibrary::NWin32::NWindow::NWatcher::CWindowSnapshot> known;
};
