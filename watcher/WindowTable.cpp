#include "watcher/WindowTable.h"

#include <algorithm>
#include <new>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

BOOL CALLBACK AddWindow(HWND window, LPARAM list)
{
    try {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> EnumerateTopLevelWindows()
{
    std::vector<HWND> found;
    EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool CWindowTable::Get(HWND window, CWindowState* state) const
{
    CSharedLock held(lock);
    const auto found = windows.find(window);
    if (found == windows.end())
        return false;
    *state = found->second;
    return true;
}

// The z-order is read before the lock is taken, so that the delivery thread
// never waits for the platform on a reader's behalf.
void CWindowTable::Copy(std::vector<CWindowState>& copy) const
{
    copy.clear();
    const std::vector<HWND> order = EnumerateTopLevelWindows();
    std::unordered_map<HWND, size_t> place;
    place.reserve(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        place.emplace(order[i], i);
    CSharedLock held(lock);
    copy.reserve(windows.size());
    for (HWND window : order) {
        const auto found = windows.find(window);
        if (found != windows.end())
            copy.push_back(found->second);
    }
    std::vector<const CWindowState*> unlisted;
    for (const auto& entry : windows) {
        if (place.count(entry.first) == 0)
            unlisted.push_back(&entry.second);
    }
    std::sort(unlisted.begin(), unlisted.end(), [](const CWindowState* a, const CWindowState* b) {
        return a->sequence < b->sequence;
    });
    for (const CWindowState* state : unlisted)
        copy.push_back(*state);
}

bool CWindowTable::Contains(HWND window) const
{
    CSharedLock held(lock);
    return windows.count(window) != 0;
}

bool CWindowTable::Put(HWND window, const CWindowSnapshot& snapshot, uint64_t sequence)
{
    CExclusiveLock held(lock);
    try {
        CWindowState& state = windows[window];
        state.window = window;
        state.snapshot = snapshot;
        state.sequence = sequence;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CWindowTable::SetSequence(HWND window, uint64_t sequence)
{
    CExclusiveLock held(lock);
    const auto found = windows.find(window);
    if (found != windows.end())
        found->second.sequence = sequence;
}

bool CWindowTable::Remove(HWND window, CWindowSnapshot* last)
{
    CExclusiveLock held(lock);
    const auto found = windows.find(window);
    if (found == windows.end())
        return false;
    *last = found->second.snapshot;
    windows.erase(found);
    return true;
}

std::vector<HWND> CWindowTable::WindowsOfProcess(DWORD processId) const
{
    std::vector<HWND> ofProcess;
    CSharedLock held(lock);
    for (const auto& entry : windows) {
        if (entry.second.snapshot.processId == processId)
            ofProcess.push_back(entry.first);
    }
    return ofProcess;
}

size_t CWindowTable::Count() const
{
    CSharedLock held(lock);
    return windows.size();
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
