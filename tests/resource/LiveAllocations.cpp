#include "LiveAllocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long long> live {0};
}

long long LiveAllocations()
{
    return live.load();
}

void* operator new(std::size_t size)
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    ++live;
    return block;
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}

void operator delete(void* block) noexcept
{
    if (block == nullptr)
        return;
    --live;
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    operator delete(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    operator delete(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept
{
    operator delete(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    operator delete(block);
}
