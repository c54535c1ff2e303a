#include "tests/datatype/GuardedMemory.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace NDatatypeTests {

namespace {

size_t PageSize()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

// Reserves the pages for bytes plus one, makes the last one inaccessible and
// returns the start of the block that ends at it.
void* AllocateGuarded(size_t bytes, void** base)
{
    const size_t page = PageSize();
    const size_t dataPages = (bytes + page - 1) / page;
    const size_t total = (dataPages + 1) * page;
    char* region =
        static_cast<char*>(VirtualAlloc(nullptr, total, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (region == nullptr)
        return nullptr;
    DWORD old = 0;
    VirtualProtect(region + dataPages * page, page, PAGE_NOACCESS, &old);
    memset(region, CanaryByte, dataPages * page);
    *base = region;
    return region + dataPages * page - bytes;
}

// The guarded heap's live blocks, so that operator delete can tell them from
// the ordinary heap's. The tests run on one thread.
struct CGuardedAllocation
{
    void* block;
    void* base;
};
constexpr size_t MaxGuardedAllocations = 4096;
CGuardedAllocation GuardedAllocations[MaxGuardedAllocations];
size_t GuardedAllocationSlots = 0;
int GuardedScopeDepth = 0;
size_t GuardedAllocationCount = 0;

void* NewGuarded(size_t bytes)
{
    for (size_t i = 0; i < MaxGuardedAllocations; ++i) {
        if (GuardedAllocations[i].block != nullptr)
            continue;
        void* base = nullptr;
        void* block = AllocateGuarded(bytes == 0 ? 1 : bytes, &base);
        if (block == nullptr)
            throw std::bad_alloc();
        GuardedAllocations[i] = {block, base};
        if (i + 1 > GuardedAllocationSlots)
            GuardedAllocationSlots = i + 1;
        ++GuardedAllocationCount;
        return block;
    }
    throw std::bad_alloc();
}

bool DeleteGuarded(void* block)
{
    for (size_t i = 0; i < GuardedAllocationSlots; ++i) {
        if (GuardedAllocations[i].block == block) {
            VirtualFree(GuardedAllocations[i].base, 0, MEM_RELEASE);
            GuardedAllocations[i] = {nullptr, nullptr};
            return true;
        }
    }
    return false;
}

}  // namespace

CGuardedBlock::CGuardedBlock(size_t bytes) : base(nullptr), block(AllocateGuarded(bytes, &base))
{
    if (block == nullptr)
        abort();
}

CGuardedBlock::~CGuardedBlock()
{
    VirtualFree(base, 0, MEM_RELEASE);
}

bool IsCanaryIntact(const void* from, const void* to)
{
    for (const unsigned char* p = static_cast<const unsigned char*>(from); p < to; ++p) {
        if (*p != CanaryByte)
            return false;
    }
    return true;
}

CGuardedHeapScope::CGuardedHeapScope()
{
    if (GuardedScopeDepth++ == 0)
        GuardedAllocationCount = 0;
}

CGuardedHeapScope::~CGuardedHeapScope()
{
    --GuardedScopeDepth;
}

size_t CGuardedHeapScope::GetAllocationCount()
{
    return GuardedAllocationCount;
}

}  // namespace NDatatypeTests

using namespace NDatatypeTests;

void* operator new(size_t bytes)
{
    if (GuardedScopeDepth > 0)
        return NewGuarded(bytes);
    if (void* p = malloc(bytes == 0 ? 1 : bytes))
        return p;
    throw std::bad_alloc();
}

void* operator new[](size_t bytes)
{
    return operator new(bytes);
}

void* operator new(size_t bytes, const std::nothrow_t&) noexcept
{
    try {
        return operator new(bytes);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](size_t bytes, const std::nothrow_t&) noexcept
{
    return operator new(bytes, std::nothrow);
}

void operator delete(void* p) noexcept
{
    if (p == nullptr)
        return;
    if (GuardedAllocationSlots > 0 && DeleteGuarded(p))
        return;
    free(p);
}

void operator delete[](void* p) noexcept
{
    operator delete(p);
}

void operator delete(void* p, size_t) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, size_t) noexcept
{
    operator delete(p);
}
