#pragma once

#include <stdint.h>

// The test programs replace the global operator new and delete
// (TestAllocator.cpp) to count live heap blocks and to make one allocation of
// the calling thread fail on demand.
namespace NTestSupport {

// Blocks handed out by operator new, on any thread, and not yet deleted.
int64_t LiveHeapBlocks();

// While it lives, the n-th operator new of the constructing thread (from 1)
// fails as if memory had run out, in its throwing and its nothrow form alike.
// One at a time.
class CFailAllocation
{
public:
    explicit CFailAllocation(uint32_t n);
    ~CFailAllocation();

    CFailAllocation(const CFailAllocation&) = delete;
    CFailAllocation& operator=(const CFailAllocation&) = delete;

    // Whether the n-th allocation was reached, that is, whether it failed.
    bool Reached() const;
};

}  // namespace NTestSupport
