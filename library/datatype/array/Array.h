#pragma once

// Array buffers: a fixed array inside the object, a fixed heap block and a
// heap block that grows in steps. Strings keep their characters in them and
// the library keeps its lists in the growable one.

#include <cstdint>
#include <new>
#include <type_traits>

namespace NLibrary { namespace NDatatype { namespace NArray {

template <typename T>
class IArray
{
public:
    virtual bool IsValid() const = 0;
    virtual bool IsIndexValid(uint32_t index) const = 0;
    virtual uint32_t GetSize() const = 0;
    virtual const T& GetAt(uint32_t index) const = 0;
    virtual uint32_t GetBuffer(const T** out) const = 0;

protected:
    // Never destroyed through this interface.
    ~IArray() = default;
};

template <typename T>
class IArrayBuffer : public IArray<T>
{
public:
    using IArray<T>::GetAt;
    using IArray<T>::GetBuffer;

    virtual ~IArrayBuffer() = default;
    virtual T& GetAt(uint32_t index) = 0;
    virtual uint32_t GetBuffer(uint32_t count, T** out) = 0;
};

namespace NDetail {

// The request rule of the fixed arrays: at least one and at most all of their
// elements.
template <typename T>
uint32_t GetFixedBuffer(uint32_t size, T* data, uint32_t count, T** out)
{
    if (out == nullptr || size == 0 || count == 0 || count > size || data == nullptr)
        return 1;
    *out = data;
    return 0;
}

// The read-only request of the heap arrays: their block, when they have one.
template <typename T>
uint32_t GetHeapBlock(const T* data, const T** out)
{
    if (out == nullptr || data == nullptr)
        return 1;
    *out = data;
    return 0;
}

}  // namespace NDetail

// N elements inside the object, not initialised at construction. U and u are
// carried for the instantiations' sake; nothing depends on them.
template <typename T, uint32_t N, typename U, U u>
class CAutoArrayBuffer : public IArrayBuffer<T>
{
    static_assert(N > 0, "an auto array holds at least one element");

public:
    using IArrayBuffer<T>::GetAt;
    using IArrayBuffer<T>::GetBuffer;

    CAutoArrayBuffer() {}
    CAutoArrayBuffer(const CAutoArrayBuffer&) = default;
    CAutoArrayBuffer& operator=(const CAutoArrayBuffer&) = default;

    bool IsValid() const override { return true; }
    bool IsIndexValid(uint32_t index) const override { return index < N; }
    uint32_t GetSize() const override { return N; }
    const T& GetAt(uint32_t index) const override { return elements[index]; }

    uint32_t GetBuffer(const T** out) const override
    {
        if (out == nullptr)
            return 1;
        *out = elements;
        return 0;
    }

    ~CAutoArrayBuffer() override {}
    T& GetAt(uint32_t index) override { return elements[index]; }

    uint32_t GetBuffer(uint32_t count, T** out) override
    {
        return NDetail::GetFixedBuffer<T>(N, elements, count, out);
    }

private:
    T elements[N];
};

// A heap block whose element count is fixed when the object is made. A block
// that cannot be obtained leaves an invalid array of size 0.
template <typename T>
class CHeapArrayBuffer : public IArrayBuffer<T>
{
public:
    using IArrayBuffer<T>::GetAt;
    using IArrayBuffer<T>::GetBuffer;

    explicit CHeapArrayBuffer(uint32_t count)
        : size(0), data(count == 0 ? nullptr : new (std::nothrow) T[count])
    {
        if (data != nullptr)
            size = count;
    }
    CHeapArrayBuffer(const CHeapArrayBuffer&) = delete;
    CHeapArrayBuffer& operator=(const CHeapArrayBuffer&) = delete;

    bool IsValid() const override { return data != nullptr && size > 0; }
    bool IsIndexValid(uint32_t index) const override { return IsValid() && index < size; }
    uint32_t GetSize() const override { return size; }
    const T& GetAt(uint32_t index) const override { return data[index]; }

    uint32_t GetBuffer(const T** out) const override { return NDetail::GetHeapBlock<T>(data, out); }

    ~CHeapArrayBuffer() override
    {
        delete[] data;
        data = nullptr;
        size = 0;
    }

    T& GetAt(uint32_t index) override { return data[index]; }

    uint32_t GetBuffer(uint32_t count, T** out) override
    {
        return NDetail::GetFixedBuffer<T>(size, data, count, out);
    }

private:
    uint32_t size;
    T* data;
};

// A heap block that grows in multiples of growBy elements and never shrinks.
// Plain values (characters, pointers) live in raw storage; class-type
// elements are objects: every element of a block is default-constructed and
// all of them are destroyed with the block.
template <typename T>
class CDynamicHeapArrayBuffer : public IArrayBuffer<T>
{
public:
    using IArrayBuffer<T>::GetAt;
    using IArrayBuffer<T>::GetBuffer;

    explicit CDynamicHeapArrayBuffer(uint32_t growStep = 4)
        : allocated(0), growBy(growStep == 0 ? 1 : growStep), capacity(0), size(0), data(nullptr)
    {
    }
    CDynamicHeapArrayBuffer(const CDynamicHeapArrayBuffer&) = delete;
    CDynamicHeapArrayBuffer& operator=(const CDynamicHeapArrayBuffer&) = delete;

    bool IsValid() const override
    {
        if (data == nullptr)
            return size == 0;
        return capacity > 0 && size > 0 && allocated == 1;
    }

    bool IsIndexValid(uint32_t index) const override { return IsValid() && index < size; }
    uint32_t GetSize() const override { return size; }
    const T& GetAt(uint32_t index) const override { return data[index]; }

    uint32_t GetBuffer(const T** out) const override { return NDetail::GetHeapBlock<T>(data, out); }

    ~CDynamicHeapArrayBuffer() override { Release(); }

    T& GetAt(uint32_t index) override { return data[index]; }

    uint32_t GetBuffer(uint32_t count, T** out) override
    {
        if (out == nullptr)
            return 1;
        if (size < count)
            Grow(count - size);
        if (size == 0 || count == 0 || count > size || data == nullptr)
            return 1;
        *out = data;
        return 0;
    }

    // Adds count elements at the end. Plain values added inside the current
    // block are whatever the block holds there.
    uint32_t Grow(uint32_t count)
    {
        if (count == 0)
            return 0;
        const uint64_t newSize = uint64_t(size) + count;
        if (newSize > UINT32_MAX)
            return 1;
        if (capacity >= newSize) {
            size = uint32_t(newSize);
            return 0;
        }
        const uint64_t newCapacity = uint64_t(growBy) * (newSize / growBy + 1);
        if (newCapacity > UINT32_MAX)
            return 1;
        // The new block is filled before the old one is given up, so an
        // allocation failure leaves the array as it was.
        T* block = AllocateBlock(uint32_t(newCapacity));
        for (uint32_t i = 0; i < size; ++i)
            block[i] = data[i];
        allocated = 0;
        FreeBlock(data);
        data = block;
        capacity = uint32_t(newCapacity);
        size = uint32_t(newSize);
        allocated = 1;
        return 0;
    }

    // Removes one element, moving the later ones down. The position given up
    // at the end is reset, so that a removed object (a shared owner) is not
    // kept alive by a stale copy.
    uint32_t RemoveAt(uint32_t index)
    {
        if (size == 0)
            return 0;
        if (!IsIndexValid(index))
            return 1;
        for (uint32_t i = index + 1; i < size; ++i)
            data[i - 1] = data[i];
        if constexpr (std::is_class<T>::value)
            data[size - 1] = T();
        --size;
        return 0;
    }

    // Gives the block back; the array returns to its initial state.
    void Release()
    {
        allocated = 0;
        FreeBlock(data);
        data = nullptr;
        capacity = 0;
        size = 0;
    }

    uint32_t GetCapacity() const { return capacity; }

private:
    static T* AllocateBlock(uint32_t count)
    {
        if constexpr (std::is_class<T>::value)
            return new T[count];
        else
            return static_cast<T*>(::operator new(sizeof(T) * size_t(count)));
    }

    static void FreeBlock(T* block)
    {
        if (block == nullptr)
            return;
        if constexpr (std::is_class<T>::value)
            delete[] block;
        else
            ::operator delete(block);
    }

    uint8_t allocated;
    uint32_t growBy;
    uint32_t capacity;
    uint32_t size;
    T* data;
};

}}}  // namespace NLibrary::NDatatype::NArray
