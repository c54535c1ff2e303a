#pragma once

// What a leak check compares before and after: this process's threads (from
// a Toolhelp snapshot) and the busy blocks of all its heaps (by HeapWalk).
// Wine reports 0 for the private-bytes counters, so neither can be read off
// a counter.
namespace NWatcherTest {

unsigned int CountThreads();
unsigned int CountHeapBlocks();

}  // namespace NWatcherTest
