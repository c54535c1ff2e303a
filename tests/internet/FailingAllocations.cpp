#include "FailingAllocations.h"

#include <cstdlib>
#include <new>

namespace {

thread_local unsigned AllocationsBeforeFailure = 0;
thread_local bool AllocationFailed = false;

bool ShouldFail()
{
    if (AllocationsBeforeFailure == 0 || --AllocationsBeforeFailure != 0)
        return false;
    AllocationFailed = true;
    return true;
}

}  // namespace

CFailingAllocationScope::CFailingAllocationScope(unsigned failAt)
{
    AllocationsBeforeFailure = failAt;
    AllocationFailed = false;
}

CFailingAllocationScope::~CFailingAllocationScope()
{
    AllocationsBeforeFailure = 0;
}

bool CFailingAllocationScope::Failed() const
{
    return AllocationFailed;
}

void* operator new(std::size_t size)
{
    void* block = ShouldFail() ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return ShouldFail() ? nullptr : std::malloc(size == 0 ? 1 : size);
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}
void operator delete[](void* block) noexcept
{
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}
