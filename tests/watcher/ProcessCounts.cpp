#include "tests/watcher/ProcessCounts.h"

#include <windows.h>

#include <tlhelp32.h>

#include <vector>

namespace NWatcherTest {

unsigned int CountThreads()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    unsigned int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    }
    CloseHandle(snapshot);
    return count;
}

unsigned int CountHeapBlocks()
{
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(DWORD(heaps.size()), heaps.data()));
    unsigned int count = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap))
            continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                ++count;
        }
        HeapUnlock(heap);
    }
    return count;
}

namespace {

void CALLBACK NeverCalled(void*, BOOLEAN)
{
}

}  // namespace

CWaitThreadHold::CWaitThreadHold()
    : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)), wait(nullptr)
{
    HANDLE registered = nullptr;
    if (event != nullptr
        && RegisterWaitForSingleObject(&registered, event, NeverCalled, nullptr, INFINITE,
                                       WT_EXECUTEINWAITTHREAD))
        wait = registered;
}

CWaitThreadHold::~CWaitThreadHold()
{
    if (wait != nullptr)
        UnregisterWaitEx(wait, INVALID_HANDLE_VALUE);
    if (event != nullptr)
        CloseHandle(event);
}

}  // namespace NWatcherTest
