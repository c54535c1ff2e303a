#include "tests/common/TestAllocator.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// No thread_local here: on this runtime it would give every thread that
// allocates a runtime record of its own, holding a handle, and upset the
// handle counts. Only the thread named in failingThread reads the rest.
std::atomic<int64_t> LiveBlockCount {0};
std::atomic<DWORD> FailingThread {0};
uint32_t AllocationsUntilFailure = 0;
bool ReachedCount = false;

void* Allocate(std::size_t size)
{
    if (FailingThread.load() == GetCurrentThreadId() && --AllocationsUntilFailure == 0) {
        FailingThread = 0;
        ReachedCount = true;
        return nullptr;
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr)
        ++LiveBlockCount;
    return block;
}

}  // namespace

namespace NTestSupport {

int64_t LiveHeapBlocks()
{
    return LiveBlockCount.load();
}

CFailAllocation::CFailAllocation(uint32_t n)
{
    AllocationsUntilFailure = n;
    ReachedCount = false;
    FailingThread = n == 0 ? 0 : GetCurrentThreadId();
}

CFailAllocation::~CFailAllocation()
{
    FailingThread = 0;
}

bool CFailAllocation::Reached() const
{
    return ReachedCount;
}

}  // namespace NTestSupport

// The runtime is linked statically, so its array and nothrow-delete forms come
// down to these as well.
void* operator new(std::size_t size)
{
    void* block = Allocate(size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void operator delete(void* block) noexcept
{
    if (block == nullptr)
        return;
    --LiveBlockCount;
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}
