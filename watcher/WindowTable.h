#pragma once

// The windows the window model holds, each with the state of its last
// delivered event. Written by the model's delivery thread only; read from any
// thread, each read a consistent picture of one moment between two events.

#include <windows.h>

#include <unordered_map>
#include <vector>

#include "watcher/SlimLock.h"
#include "watcher/WindowModel.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

class CWindowTable
{
public:
    CWindowTable() = default;
    CWindowTable(const CWindowTable&) = delete;
    CWindowTable& operator=(const CWindowTable&) = delete;

    // Any thread.
    bool Get(HWND window, CWindowState* state) const;
    // Every window, topmost first as EnumWindows gives them when called;
    // those it no longer gives (already gone, their end not yet delivered)
    // follow in the order of their last events.
    void Copy(std::vector<CWindowState>& windows) const;

    // The delivery thread; false when memory is short.
    bool Contains(HWND window) const;
    bool Put(HWND window, const CWindowSnapshot& snapshot, uint64_t sequence);
    void SetSequence(HWND window, uint64_t sequence);
    bool Remove(HWND window, CWindowSnapshot* last);
    std::vector<HWND> WindowsOfProcess(DWORD processId) const;
    size_t Count() const;

private:
    mutable CSlimLock lock;
    std::unordered_map<HWND, CWindowState> windows;
};

// The top-level windows of the desktop, topmost first (empty when memory is short).
std::vector<HWND> EnumerateTopLevelWindows();

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
