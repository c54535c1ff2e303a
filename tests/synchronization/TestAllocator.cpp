#include "tests/synchronization/TestAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> g_liveBlocks {0};
thread_local uint32_t t_untilFailure = 0;
thread_local bool t_reached = false;

void* Allocate(std::size_t size)
{
    if (t_untilFailure != 0 && --t_untilFailure == 0) {
        t_reached = true;
        return nullptr;
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr)
        ++g_liveBlocks;
    return block;
}

}  // namespace

namespace NSyncTests {

int64_t LiveHeapBlocks()
{
    return g_liveBlocks.load();
}

CFailAllocation::CFailAllocation(uint32_t n)
{
    t_untilFailure = n;
    t_reached = false;
}

CFailAllocation::~CFailAllocation()
{
    t_untilFailure = 0;
}

bool CFailAllocation::Reached() const
{
    return t_reached;
}

}  // namespace NSyncTests

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
    --g_liveBlocks;
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}
