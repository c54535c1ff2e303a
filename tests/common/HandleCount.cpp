#include "tests/common/HandleCount.h"

#include <windows.h>

namespace NTestSupport {

namespace {

// Handle values are multiples of 4 and allocated from the low end; stop once a
// long run of values in a row is unused.
const ULONG_PTR HandleStep = 4;
const ULONG_PTR TrailingMissesToStop = 2048;

}  // namespace

unsigned int CountOpenHandles()
{
    unsigned int count = 0;
    ULONG_PTR misses = 0;
    for (ULONG_PTR value = HandleStep; misses < TrailingMissesToStop; value += HandleStep) {
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return count;
}

unsigned int CountOpenHandlesSettled()
{
    unsigned int lowest = CountOpenHandles();
    for (int probe = 0; probe < 4; ++probe) {
        Sleep(25);
        unsigned int count = CountOpenHandles();
        if (count < lowest)
            lowest = count;
    }
    return lowest;
}

}  // namespace NTestSupport
