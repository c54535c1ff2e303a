#include "library/datatype/string/StringBuffer.h"

namespace NLibrary { namespace NDatatype { namespace NString {

namespace {

uint32_t StorageCountFor(uint32_t capacity)
{
    return capacity == UINT32_MAX ? 0 : capacity + 1;
}

}  // namespace

// --- CHeapStringBuffer -------------------------------------------------------

CHeapStringBuffer::CHeapStringBuffer(uint32_t capacity) : Base(StorageCountFor(capacity))
{
}

CHeapStringBuffer::~CHeapStringBuffer() = default;

// A count of 0 needs no text; any other needs one, and a block that holds
// that many characters (the block never grows).
bool CHeapStringBuffer::CanTake(const wchar_t* text, uint32_t count)
{
    wchar_t* p = nullptr;
    return text != nullptr && storage.GetBuffer(count, &p) == 0;
}

uint32_t CHeapStringBuffer::Assign(const wchar_t* text, uint32_t count)
{
    if (count == 0) {
        Clear();
        return 0;
    }
    return CanTake(text, count) ? CopyIntoStorage(text, count) : 1;
}

uint32_t CHeapStringBuffer::Append(const wchar_t* text, uint32_t count)
{
    if (count == 0)
        return 0;
    return CanTake(text, count) ? AppendToStorage(text, count) : 1;
}

// --- CDynamicHeapStringBuffer ------------------------------------------------
//
// Requests above the largest count the safe-string primitives accept are
// refused before any growth: the copy could never succeed, and the block for
// it would take gigabytes.

namespace {

// Where text lies inside the block, its place in that block, so that it can be
// found again after a growth moved the block (appending a buffer to itself).
bool FindInBlock(const wchar_t* text, const wchar_t* block, uint32_t size, size_t* offset)
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(text);
    const uintptr_t start = reinterpret_cast<uintptr_t>(block);
    if (block == nullptr || address < start || address >= start + size * sizeof(wchar_t))
        return false;
    *offset = (address - start) / sizeof(wchar_t);
    return true;
}

}  // namespace

CDynamicHeapStringBuffer::CDynamicHeapStringBuffer() : Base(uint32_t(4))
{
}

CDynamicHeapStringBuffer::~CDynamicHeapStringBuffer() = default;

uint32_t CDynamicHeapStringBuffer::Assign(const wchar_t* text, uint32_t count)
{
    if (text == nullptr)
        return 1;
    if (count == 0) {
        Clear();
        return 0;
    }
    const uint32_t oldSize = storage.GetSize();
    const wchar_t* oldBlock = oldSize == 0 ? nullptr : &storage.GetAt(0);
    size_t offset = 0;
    const bool inside = FindInBlock(text, oldBlock, oldSize, &offset);
    wchar_t* p = nullptr;
    if (count > SafeStringMaxCount || storage.GetBuffer(count + 1, &p) != 0)
        return 1;
    return CopyIntoStorage(inside ? p + offset : text, count);
}

uint32_t CDynamicHeapStringBuffer::Append(const wchar_t* text, uint32_t count)
{
    if (text == nullptr)
        return 1;
    if (count == 0)
        return 0;
    if (storage.GetSize() == 0)
        return Assign(text, count);
    const uint64_t needed = uint64_t(length) + count + 1;
    size_t offset = 0;
    const bool inside = FindInBlock(text, &storage.GetAt(0), storage.GetSize(), &offset);
    wchar_t* p = nullptr;
    if (needed > SafeStringMaxSize || storage.GetBuffer(uint32_t(needed), &p) != 0)
        return 1;
    return AppendToStorage(inside ? p + offset : text, count);
}

void CDynamicHeapStringBuffer::Reset()
{
    storage.Release();
    length = 0;
}

uint32_t CDynamicHeapStringBuffer::GetBuffer(uint32_t count, wchar_t** out)
{
    if (out == nullptr || count > SafeStringMaxCount)
        return 1;
    const uint32_t capacity = GetCapacity();
    if (capacity < count)
        storage.Grow(count - capacity + (storage.GetSize() == 0 ? 1 : 0));
    return storage.GetBuffer(count, out);
}

}}}  // namespace NLibrary::NDatatype::NString
