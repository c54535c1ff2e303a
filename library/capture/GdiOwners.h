#pragma once

// Owners of the device contexts and GDI objects that a capture acquires and
// gives back within one call. Each kind has its own release function, and
// mixing them up leaks silently, so the kind is part of the type. Locals
// declared in the order of acquisition are released in reverse.

#include <windows.h>

#include <utility>

namespace NLibrary { namespace NWin32 { namespace NCapture {

namespace NDetail {

template <typename THandle, typename TClose>
class CUniqueGdiHandle
{
public:
    explicit CUniqueGdiHandle(THandle handle = nullptr, TClose close = TClose())
        : handle(handle), close(close)
    {
    }
    ~CUniqueGdiHandle() { Reset(); }

    CUniqueGdiHandle(CUniqueGdiHandle&& other) : handle(other.Release()), close(other.close) {}
    CUniqueGdiHandle& operator=(CUniqueGdiHandle&& other)
    {
        if (this != &other) {
            Reset(other.Release());
            close = other.close;
        }
        return *this;
    }
    CUniqueGdiHandle(const CUniqueGdiHandle&) = delete;
    CUniqueGdiHandle& operator=(const CUniqueGdiHandle&) = delete;

    THandle Get() const { return handle; }
    bool IsValid() const { return handle != nullptr; }

    THandle Release() { return std::exchange(handle, nullptr); }

    void Reset(THandle replacement = nullptr)
    {
        if (handle != nullptr)
            close(handle);
        handle = replacement;
    }

private:
    THandle handle;
    TClose close;
};

struct CDeleteDC
{
    void operator()(HDC dc) const { DeleteDC(dc); }
};

struct CDeleteObject
{
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// A DC from GetDC or GetDCEx goes back to the window it came from.
struct CReleaseWindowDC
{
    HWND window;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};

}  // namespace NDetail

// CreateCompatibleDC and its kin.
using CUniqueMemoryDC = NDetail::CUniqueGdiHandle<HDC, NDetail::CDeleteDC>;

// Regions, bitmaps, brushes: anything that DeleteObject frees.
template <typename TObject>
using CUniqueGdiObject = NDetail::CUniqueGdiHandle<TObject, NDetail::CDeleteObject>;

// GetDC or GetDCEx of the window (null: the screen).
class CUniqueWindowDC : public NDetail::CUniqueGdiHandle<HDC, NDetail::CReleaseWindowDC>
{
public:
    CUniqueWindowDC(HWND window, HDC dc)
        : NDetail::CUniqueGdiHandle<HDC, NDetail::CReleaseWindowDC>(dc, {window})
    {
    }
};

}}}  // namespace NLibrary::NWin32::NCapture
