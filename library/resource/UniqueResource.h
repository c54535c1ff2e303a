#pragma once

// One owner for every kind of resource the library acquires and gives back:
// a value, the traits that know which values own nothing and how an owned
// value is freed, and the rules every owner shares (closed when replaced or
// destroyed, moved but never copied, the thread's last error kept across a
// close). Each kind of resource is then one line below.
//
// A traits type provides:
//   using TValue = ...;                     the value held, copied freely
//   static TValue GetInvalidValue();        what an owner holds when empty
//   static bool IsValidValue(TValue value); false for every value never to be freed
//   void Close(TValue value) [const];       frees one valid value (may be static)
// A traits type may carry state that Close needs (the window of a window DC);
// it moves with the value. Stateless traits add nothing to the owner's size.

#include <windows.h>

#include <unknwn.h>

#include <utility>

namespace NLibrary { namespace NResource {

template <typename TTraits>
class CUniqueResource : private TTraits
{
public:
    using TValue = typename TTraits::TValue;

    CUniqueResource() noexcept : value(TTraits::GetInvalidValue()) {}
    explicit CUniqueResource(TValue owned, TTraits traits = TTraits()) noexcept
        : TTraits(std::move(traits)), value(owned)
    {
    }
    ~CUniqueResource() { Reset(); }

    CUniqueResource(const CUniqueResource&) = delete;
    CUniqueResource& operator=(const CUniqueResource&) = delete;

    CUniqueResource(CUniqueResource&& other) noexcept
        : TTraits(std::move(other.Traits())), value(other.Release())
    {
    }
    // What was owned is closed with its own traits before the other's are
    // taken over.
    CUniqueResource& operator=(CUniqueResource&& other) noexcept
    {
        if (this != &other) {
            Reset();
            Traits() = std::move(other.Traits());
            value = other.Release();
        }
        return *this;
    }

    TValue Get() const { return value; }
    bool IsValid() const { return TTraits::IsValidValue(value); }

    // Closes what is owned and takes ownership of the new value. A close
    // must not hide the error of the call that led to the reset, so the
    // thread's last error is the same afterwards. Resetting to the value
    // already owned closes nothing.
    void Reset(TValue owned = TTraits::GetInvalidValue())
    {
        const TValue previous = value;
        value = owned;
        if (previous == owned || !TTraits::IsValidValue(previous))
            return;
        const DWORD lastError = GetLastError();
        Traits().Close(previous);
        SetLastError(lastError);
    }

    // Gives up ownership without closing; the caller owns what comes back.
    [[nodiscard]] TValue Release()
    {
        const TValue released = value;
        value = TTraits::GetInvalidValue();
        return released;
    }

    // For a function that writes a new value into an out-parameter
    // (CreatePipe, CoCreateInstance): closes what is owned and hands out the
    // address of the empty value.
    TValue* Put()
    {
        Reset();
        return &value;
    }

private:
    TTraits& Traits() { return *this; }

    TValue value;
};

// A value freed by one function of one argument; null owns nothing.
template <typename T, auto CloseFunction>
struct CFunctionTraits
{
    using TValue = T;
    static TValue GetInvalidValue() { return nullptr; }
    static bool IsValidValue(TValue value) { return value != nullptr; }
    static void Close(TValue value) { CloseFunction(value); }
};

// Kernel objects. Some functions report failure with null, others (CreateFile,
// CreateToolhelp32Snapshot) with INVALID_HANDLE_VALUE, so both own nothing;
// that value is also the current process's pseudo-handle, never closed.
struct CKernelHandleTraits
{
    using TValue = HANDLE;
    static TValue GetInvalidValue() { return nullptr; }
    static bool IsValidValue(TValue value)
    {
        return value != nullptr && value != INVALID_HANDLE_VALUE;
    }
    static void Close(TValue value) { CloseHandle(value); }
};

// One reference to a COM object.
template <typename TInterface>
struct CComReferenceTraits
{
    using TValue = TInterface*;
    static TValue GetInvalidValue() { return nullptr; }
    static bool IsValidValue(TValue value) { return value != nullptr; }
    static void Close(TValue value) { value->Release(); }
};

// A DC from GetDC or GetDCEx goes back to the window it came from.
struct CWindowDCTraits
{
    using TValue = HDC;
    static TValue GetInvalidValue() { return nullptr; }
    static bool IsValidValue(TValue value) { return value != nullptr; }
    void Close(TValue value) const { ReleaseDC(window, value); }

    HWND window = nullptr;
};

using CUniqueHandle = CUniqueResource<CKernelHandleTraits>;
using CUniqueThreadHandle = CUniqueHandle;
using CUniqueFileMapping = CUniqueHandle;
using CUniqueMappedView = CUniqueResource<CFunctionTraits<void*, &UnmapViewOfFile>>;
using CUniqueModule = CUniqueResource<CFunctionTraits<HMODULE, &FreeLibrary>>;
// Destroyed on the thread that created the window: only that one can.
using CUniqueWindow = CUniqueResource<CFunctionTraits<HWND, &DestroyWindow>>;
template <typename TInterface>
using CUniqueComReference = CUniqueResource<CComReferenceTraits<TInterface>>;

// Each kind of DC and GDI object has its own release function, and mixing
// them up leaks silently, so the kind is part of the type.
// CreateCompatibleDC and its kin.
using CUniqueMemoryDC = CUniqueResource<CFunctionTraits<HDC, &DeleteDC>>;
// Regions, bitmaps, brushes: anything that DeleteObject frees.
template <typename TObject>
using CUniqueGdiObject = CUniqueResource<CFunctionTraits<TObject, &DeleteObject>>;

// GetDC or GetDCEx of the window (null: the screen).
class CUniqueWindowDC : public CUniqueResource<CWindowDCTraits>
{
public:
    // Spelled with its namespace: inside the class the plain name would be
    // the private base's, which is out of reach here.
    CUniqueWindowDC(HWND window, HDC dc) : CUniqueResource(dc, NResource::CWindowDCTraits {window})
    {
    }
};

// Owners stand in for plain handles inside objects whose layout is fixed.
static_assert(sizeof(CUniqueHandle) == sizeof(HANDLE), "a handle owner is one handle");
static_assert(sizeof(CUniqueMappedView) == sizeof(void*), "a view owner is one pointer");
static_assert(sizeof(CUniqueComReference<IUnknown>) == sizeof(IUnknown*),
              "a reference owner is one pointer");

}}  // namespace NLibrary::NResource
