#pragma once

// What a leak check compares before and after: this process's threads (from
// a Toolhelp snapshot) and the busy blocks of all its heaps (by HeapWalk).
// Wine reports 0 for the private-bytes counters, so neither can be read off
// a counter.
namespace NWatcherTest {

unsigned int CountThreads();
unsigned int CountHeapBlocks();

// Keeps a wait registered with the system's wait threads while it lives, so
// that the wait thread the window model's process waits join stays for the
// whole test instead of ending, with its memory, some seconds after the last
// wait (as Wine's does) between two counts.
class CWaitThreadHold
{
public:
    CWaitThreadHold();
    ~CWaitThreadHold();
    CWaitThreadHold(const CWaitThreadHold&) = delete;
    CWaitThreadHold& operator=(const CWaitThreadHold&) = delete;

private:
    void* event;
    void* wait;
};

}  // namespace NWatcherTest
