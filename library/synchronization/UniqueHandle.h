#pragma once

// Owner of one kernel handle, closed when the owner goes. Both null and
// INVALID_HANDLE_VALUE stand for "no handle", because the platform's creating
// functions disagree about which one they return on failure.

#include <windows.h>

namespace NLibrary { namespace NSynchronization {

class CUniqueHandle
{
public:
    explicit CUniqueHandle(HANDLE handle = nullptr) : handle(handle) {}
    ~CUniqueHandle() { Reset(); }

    CUniqueHandle(CUniqueHandle&& other) : handle(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other)
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;

    HANDLE Get() const { return handle; }
    bool IsValid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

    // Gives the handle up without closing it.
    HANDLE Release()
    {
        const HANDLE released = handle;
        handle = nullptr;
        return released;
    }

    void Reset(HANDLE replacement = nullptr)
    {
        if (IsValid())
            CloseHandle(handle);
        handle = replacement;
    }

private:
    HANDLE handle;
};

}}  // namespace NLibrary::NSynchronization
