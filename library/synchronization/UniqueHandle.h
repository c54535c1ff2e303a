#pragma once

#include <windows.h>

namespace NLibrary { namespace NSynchronization {

// Sole owner of a kernel handle: closes it when replaced or destroyed. Null
// and INVALID_HANDLE_VALUE both mean that nothing is owned.
class CUniqueHandle
{
public:
    CUniqueHandle() : handle(nullptr) {}
    explicit CUniqueHandle(HANDLE owned) : handle(owned) {}
    ~CUniqueHandle() { Reset(); }

    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;

    CUniqueHandle(CUniqueHandle&& other) noexcept : handle(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    HANDLE Get() const { return handle; }
    bool IsValid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

    // Closes what is owned and takes ownership of the new handle.
    void Reset(HANDLE owned = nullptr)
    {
        if (IsValid())
            CloseHandle(handle);
        handle = owned;
    }

    // Gives up ownership without closing.
    HANDLE Release()
    {
        HANDLE released = handle;
        handle = nullptr;
        return released;
    }

private:
    HANDLE handle;
};

}}  // namespace NLibrary::NSynchronization
