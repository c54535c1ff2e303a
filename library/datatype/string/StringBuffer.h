#pragma once

// The three writable strings. They differ only in their storage (an array
// buffer of wchar_t) and in how a storage request that does not fit is met:
// CAutoStringBuffer<N> refuses, CHeapStringBuffer cuts, CDynamicHeapStringBuffer
// grows. Each keeps the text followed by a 0 and caches its length.

#include <cstdint>

#include "library/datatype/array/Array.h"
#include "library/datatype/string/SafeString.h"
#include "library/datatype/string/String.h"

namespace NLibrary { namespace NDatatype { namespace NString {

namespace NDetail {

// What the three buffers share: the storage, the cached length and the
// operations whose rule does not depend on the kind of storage.
template <typename TStorage>
class CStringBufferBase : public IStringBuffer
{
public:
    bool IsValid() const override { return storage.IsValid(); }

    bool IsIndexValid(uint32_t index) const override
    {
        return storage.IsIndexValid(index) && index < storage.GetSize() - 1;
    }

    uint32_t GetLength() const override { return length; }
    wchar_t GetAt(uint32_t index) const override { return storage.GetAt(index); }

    uint32_t GetString(const wchar_t** out) const override
    {
        const wchar_t* p = nullptr;
        if (out == nullptr || storage.GetBuffer(&p) != 0)
            return 1;
        *out = p;
        return 0;
    }

    uint32_t GetBufferSize() const override { return storage.GetSize(); }

    // For heap storage, which may be missing (size 0).
    bool IsEmpty() const override { return storage.GetSize() == 0 || storage.GetAt(0) == L'\0'; }
    uint32_t GetCapacity() const override
    {
        const uint32_t size = storage.GetSize();
        return size == 0 ? 0 : size - 1;
    }
    uint32_t SetAt(uint32_t index, wchar_t ch) override
    {
        if (!storage.IsIndexValid(index))
            return 1;
        storage.GetAt(index) = ch;
        return 0;
    }

    uint32_t Assign(const IString& source) override
    {
        const uint32_t n = source.GetLength();
        if (n == 0) {
            Clear();
            return 0;
        }
        const wchar_t* p = nullptr;
        if (source.GetString(&p) != 0)
            return 1;
        return Assign(p, n);
    }

    IStringBuffer& operator=(const IString& source) override
    {
        Assign(source);
        return *this;
    }

    uint32_t Append(const IString& source) override
    {
        const uint32_t n = source.GetLength();
        if (n == 0)
            return 0;
        const wchar_t* p = nullptr;
        if (source.GetString(&p) != 0)
            return 1;
        return Append(p, n);
    }

    // The fixed storages refuse n + 2 elements beyond their size; the dynamic
    // one would grow without bound, so a text the safe-string primitives
    // could no longer measure is refused first.
    uint32_t AppendChar(wchar_t ch) override
    {
        const uint32_t n = length;
        wchar_t* p = nullptr;
        if (n >= SafeStringMaxCount || storage.GetBuffer(n + 2, &p) != 0)
            return 1;
        p[n] = ch;
        p[n + 1] = L'\0';
        length = n + 1;
        return 0;
    }

    void Clear() override { ClearText(); }

    // A text that fits already has room; anything more is refused by the
    // fixed storages and grown into by the dynamic one, which then keeps the
    // text terminated in its new block.
    uint32_t Reserve(uint32_t count) override
    {
        if (count < storage.GetSize())
            return 0;
        wchar_t* p = nullptr;
        if (count > SafeStringMaxCount || storage.GetBuffer(count + 1, &p) != 0)
            return 1;
        if (storage.IsIndexValid(length))
            storage.GetAt(length) = L'\0';
        return 0;
    }

    // The fixed storages' rules; the dynamic buffer grows and gives back its
    // block instead.
    void Reset() override
    {
        ZeroStorage();
        length = 0;
    }

    uint32_t GetBuffer(uint32_t count, wchar_t** out) override
    {
        if (out == nullptr)
            return 1;
        return storage.GetBuffer(count, out);
    }

    uint32_t ReleaseBuffer() override
    {
        const uint32_t size = storage.GetSize();
        if (size != 0)
            storage.GetAt(size - 1) = L'\0';
        RecomputeLength();
        return length;
    }

    // The remaining slots are the storage-specific ones.
    using IStringBuffer::Append;
    using IStringBuffer::Assign;

protected:
    template <typename... TArgs>
    explicit CStringBufferBase(TArgs... args) : storage(args...), length(0)
    {
        ClearText();
    }

    // A copy has storage of its own kind (each buffer's copy constructor
    // makes it) and the text of the original.
    CStringBufferBase(const CStringBufferBase&) = delete;
    CStringBufferBase& operator=(const CStringBufferBase& other)
    {
        Assign(other);
        return *this;
    }

    ~CStringBufferBase() override { ClearText(); }

    void ClearText()
    {
        if (storage.IsIndexValid(0))
            storage.GetAt(0) = L'\0';
        length = 0;
    }

    // The length is taken from the storage; it keeps its value when the
    // storage has no terminator.
    void RecomputeLength()
    {
        const wchar_t* p = nullptr;
        if (storage.GetBuffer(&p) != 0)
            return;
        size_t measured = 0;
        if (SUCCEEDED(SafeLength(p, storage.GetSize(), &measured)))
            length = uint32_t(measured);
    }

    // Copy or append into storage that a request has just granted.
    uint32_t CopyIntoStorage(const wchar_t* text, uint32_t count)
    {
        const HRESULT result = SafeCopyN(&storage.GetAt(0), storage.GetSize(), text, count);
        RecomputeLength();
        return result == S_OK ? 0 : 1;
    }

    uint32_t AppendToStorage(const wchar_t* text, uint32_t count)
    {
        const HRESULT result = SafeCatN(&storage.GetAt(0), storage.GetSize(), text, count);
        RecomputeLength();
        return result == S_OK ? 0 : 1;
    }

    void ZeroStorage()
    {
        const uint32_t size = storage.GetSize();
        if (size == 0 || !storage.IsValid())
            return;
        for (uint32_t i = 0; i < size; ++i)
            storage.GetAt(i) = L'\0';
    }

    TStorage storage;
    uint32_t length;
};

}  // namespace NDetail

// Fixed storage of N + 1 characters inside the object: no heap, never grows,
// refuses whatever does not fit.
template <uint32_t N>
class CAutoStringBuffer
    : public NDetail::CStringBufferBase<NArray::CAutoArrayBuffer<wchar_t, N + 1, wchar_t, 0>>
{
    using Base = NDetail::CStringBufferBase<NArray::CAutoArrayBuffer<wchar_t, N + 1, wchar_t, 0>>;
    using Base::length;
    using Base::storage;

public:
    using Base::Append;
    using Base::Assign;
    using IStringBuffer::operator=;

    CAutoStringBuffer() = default;
    CAutoStringBuffer(const CAutoStringBuffer& other) : Base() { Assign(other); }
    CAutoStringBuffer& operator=(const CAutoStringBuffer&) = default;
    ~CAutoStringBuffer() override = default;

    bool IsEmpty() const override { return storage.GetAt(0) == L'\0'; }
    uint32_t GetCapacity() const override { return N; }

    uint32_t SetAt(uint32_t index, wchar_t ch) override
    {
        if (!this->IsIndexValid(index))
            return 1;
        storage.GetAt(index) = ch;
        return 0;
    }

    uint32_t Assign(const wchar_t* text, uint32_t count) override
    {
        if (text == nullptr)
            return 1;
        if (count == 0) {
            this->Clear();
            return 0;
        }
        wchar_t* p = nullptr;
        if (storage.GetBuffer(count, &p) != 0)
            return 1;
        return this->CopyIntoStorage(text, count);
    }

    uint32_t Append(const wchar_t* text, uint32_t count) override
    {
        if (text == nullptr)
            return 1;
        if (count == 0)
            return 0;
        const uint64_t needed = uint64_t(length) + count + 1;
        wchar_t* p = nullptr;
        if (needed > N + 1 || storage.GetBuffer(uint32_t(needed), &p) != 0)
            return 1;
        return this->AppendToStorage(text, count);
    }
};

// A heap block of fixed size; an assignment or append that does not fit is
// cut to fill it and reported with 1.
class CHeapStringBuffer : public NDetail::CStringBufferBase<NArray::CHeapArrayBuffer<wchar_t>>
{
    using Base = NDetail::CStringBufferBase<NArray::CHeapArrayBuffer<wchar_t>>;

public:
    using Base::Append;
    using Base::Assign;
    using IStringBuffer::operator=;

    // Storage of capacity + 1 characters; a block that cannot be had leaves
    // a buffer without storage (capacity 0).
    explicit CHeapStringBuffer(uint32_t capacity);
    CHeapStringBuffer(const CHeapStringBuffer& other) : CHeapStringBuffer(other.GetCapacity())
    {
        Assign(other);
    }
    CHeapStringBuffer& operator=(const CHeapStringBuffer&) = default;
    ~CHeapStringBuffer() override;

    uint32_t Assign(const wchar_t* text, uint32_t count) override;
    uint32_t Append(const wchar_t* text, uint32_t count) override;

private:
    bool CanTake(const wchar_t* text, uint32_t count);
};

// A heap block that grows in steps of 4 characters and is given back by
// Reset. Starts without any storage.
class CDynamicHeapStringBuffer
    : public NDetail::CStringBufferBase<NArray::CDynamicHeapArrayBuffer<wchar_t>>
{
    using Base = NDetail::CStringBufferBase<NArray::CDynamicHeapArrayBuffer<wchar_t>>;

public:
    using Base::Append;
    using Base::Assign;
    using IStringBuffer::operator=;

    CDynamicHeapStringBuffer();
    CDynamicHeapStringBuffer(const CDynamicHeapStringBuffer& other) : CDynamicHeapStringBuffer()
    {
        Assign(other);
    }
    CDynamicHeapStringBuffer& operator=(const CDynamicHeapStringBuffer&) = default;
    ~CDynamicHeapStringBuffer() override;

    uint32_t Assign(const wchar_t* text, uint32_t count) override;
    uint32_t Append(const wchar_t* text, uint32_t count) override;
    void Reset() override;
    uint32_t GetBuffer(uint32_t count, wchar_t** out) override;

    // Elements allocated, for callers that watch the growth.
    uint32_t GetAllocatedSize() const { return storage.GetCapacity(); }
};

}}}  // namespace NLibrary::NDatatype::NString
