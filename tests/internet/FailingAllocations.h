#pragma once

// While an object of this class lives, the failAt-th global operator new of
// the calling thread (counting from 1) fails as if memory had run out; every
// other allocation, and those of other threads, succeed. The program's global
// operator new and delete are replaced for this (FailingAllocations.cpp).
class CFailingAllocationScope
{
public:
    explicit CFailingAllocationScope(unsigned failAt);
    ~CFailingAllocationScope();

    CFailingAllocationScope(const CFailingAllocationScope&) = delete;
    CFailingAllocationScope& operator=(const CFailingAllocationScope&) = delete;

    // Whether the allocation to fail was reached.
    bool Failed() const;
};
