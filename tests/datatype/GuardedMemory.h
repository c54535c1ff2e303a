#pragma once

// Memory that ends right before a no-access page, so that a write of one
// element too many faults, and a canary fill for the bytes an object leaves
// unused inside itself.

#include <cstddef>
#include <new>
#include <utility>

namespace NDatatypeTests {

constexpr unsigned char CanaryByte = 0xA5;

// A block of the given size whose last byte is followed by a PAGE_NOACCESS
// page; the block is filled with the canary byte.
class CGuardedBlock
{
public:
    explicit CGuardedBlock(size_t bytes);
    ~CGuardedBlock();
    CGuardedBlock(const CGuardedBlock&) = delete;
    CGuardedBlock& operator=(const CGuardedBlock&) = delete;

    void* Get() const { return block; }

private:
    void* base;
    void* block;
};

// An object constructed at the end of a guarded block.
template <typename T>
class CGuarded
{
public:
    template <typename... TArgs>
    explicit CGuarded(TArgs&&... args) : memory(sizeof(T))
    {
        // Default-initialised, not value-initialised: zero-filling the
        // object first would wipe the canary out of its padding.
        if constexpr (sizeof...(TArgs) == 0)
            object = new (memory.Get()) T;
        else
            object = new (memory.Get()) T(std::forward<TArgs>(args)...);
    }
    ~CGuarded() { object->~T(); }

    T& operator*() { return *object; }
    T* operator->() { return object; }
    const unsigned char* Bytes() const { return reinterpret_cast<const unsigned char*>(object); }

private:
    CGuardedBlock memory;
    T* object;
};

// True when every byte in [from, to) still holds the canary.
bool IsCanaryIntact(const void* from, const void* to);

// While an object of this class lives, every global operator new of this
// program returns a block that ends right before a no-access page.
class CGuardedHeapScope
{
public:
    CGuardedHeapScope();
    ~CGuardedHeapScope();
    CGuardedHeapScope(const CGuardedHeapScope&) = delete;
    CGuardedHeapScope& operator=(const CGuardedHeapScope&) = delete;

    // Blocks handed out by the guarded heap so far in this scope.
    static size_t GetAllocationCount();
};

}  // namespace NDatatypeTests
