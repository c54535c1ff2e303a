#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "library/datatype/array/Array.h"
#include "library/datatype/path/Path.h"
#include "library/datatype/string/StringBuffer.h"
#include "tests/common/Text.h"
#include "tests/datatype/GuardedMemory.h"

// Every operation is driven to the edge of its storage with the storage's end
// touching a no-access page (fixed blocks, heap blocks) or a canary (the
// padding behind the characters inside an auto buffer), so that a write of
// one element too many faults or shows.

using namespace NLibrary::NDatatype;
using namespace NDatatypeTests;
using NString::IStringBuffer;
using NTestSupport::TextOf;

namespace {

std::wstring Letters(size_t count)
{
    std::wstring text;
    for (size_t i = 0; i < count; ++i)
        text += wchar_t(L'A' + i % 26);
    return text;
}

// Runs every writing operation of a fixed buffer at its capacity C; check()
// runs after each one. refusesWhole: the auto buffer refuses an append that
// does not fit, the heap buffer cuts it.
template <typename TCheck>
void FillToTheBrim(IStringBuffer& buffer, bool refusesWhole, TCheck check)
{
    const uint32_t c = buffer.GetCapacity();
    const std::wstring full = Letters(c);
    const std::wstring over = Letters(c + 1);

    EXPECT_EQ(0u, buffer.Assign(full.c_str(), c));
    EXPECT_EQ(full, TextOf(buffer));
    check();
    EXPECT_EQ(1u, buffer.Assign(over.c_str(), c + 1));
    EXPECT_EQ(c, buffer.GetLength());
    check();

    ASSERT_EQ(0u, buffer.Assign(full.c_str(), c - 1));
    EXPECT_EQ(1u, buffer.Append(L"xy", 2));
    EXPECT_EQ(refusesWhole ? c - 1 : c, buffer.GetLength());
    check();
    ASSERT_EQ(0u, buffer.Assign(full.c_str(), c - 1));
    EXPECT_EQ(0u, buffer.Append(L"x", 1));
    EXPECT_EQ(c, buffer.GetLength());
    EXPECT_EQ(1u, buffer.Append(L"y", 1));
    check();

    buffer.Clear();
    for (uint32_t i = 0; i < c; ++i)
        ASSERT_EQ(0u, buffer.AppendChar(L'z'));
    EXPECT_EQ(1u, buffer.AppendChar(L'z'));
    EXPECT_EQ(std::wstring(c, L'z'), TextOf(buffer));
    check();

    wchar_t* p = nullptr;
    ASSERT_EQ(0u, buffer.GetBuffer(c + 1, &p));
    for (uint32_t i = 0; i <= c; ++i)
        p[i] = L'w';
    EXPECT_EQ(c, buffer.ReleaseBuffer());
    check();

    EXPECT_EQ(0u, buffer.SetAt(c - 1, L'q'));
    EXPECT_EQ(0u, buffer.Reserve(c));
    EXPECT_EQ(1u, buffer.Reserve(c + 1));
    buffer.Reset();
    EXPECT_EQ(0u, buffer.GetLength());
    check();
}

// The auto buffer's characters are followed by the padding of the array
// object (6 bytes), the cached length and the buffer's own padding (4 bytes);
// the object ends at the guard page.
template <uint32_t N>
void ExpectAutoBufferStaysInside()
{
    CGuarded<NString::CAutoStringBuffer<N>> guarded;
    const wchar_t* p = nullptr;
    ASSERT_EQ(0u, guarded->GetString(&p));
    const unsigned char* storageEnd = reinterpret_cast<const unsigned char*>(p + N + 1);
    const unsigned char* objectEnd = guarded.Bytes() + sizeof(NString::CAutoStringBuffer<N>);
    ASSERT_EQ(objectEnd, storageEnd + 6 + sizeof(uint32_t) + 4)
        << "layout assumed by this test changed";
    FillToTheBrim(*guarded, true, [&] {
        EXPECT_TRUE(IsCanaryIntact(storageEnd, storageEnd + 6));
        EXPECT_TRUE(IsCanaryIntact(objectEnd - 4, objectEnd));
    });
}

template <uint32_t N>
void ExpectHeapBufferStaysInside()
{
    CGuardedHeapScope scope;
    NString::CHeapStringBuffer buffer(N);
    ASSERT_EQ(N, buffer.GetCapacity());
    FillToTheBrim(buffer, false, [] {});
}

}  // namespace

TEST(GuardedMemory, PageBehindTheBlockIsInaccessible)
{
    CGuardedBlock block(10);
    const char* p = static_cast<const char*>(block.Get());
    EXPECT_FALSE(IsBadWritePtr(const_cast<char*>(p + 9), 1));
    EXPECT_TRUE(IsBadWritePtr(const_cast<char*>(p + 10), 1));

    CGuardedHeapScope scope;
    wchar_t* heap = new wchar_t[5];
    EXPECT_EQ(1u, CGuardedHeapScope::GetAllocationCount());
    EXPECT_FALSE(IsBadWritePtr(heap + 4, sizeof(wchar_t)));
    EXPECT_TRUE(IsBadWritePtr(heap + 5, 1));
    delete[] heap;
}

TEST(StorageBoundary, AutoBuffersStayInsideTheirCharacters)
{
    ExpectAutoBufferStaysInside<260>();
    ExpectAutoBufferStaysInside<4096>();
}

TEST(StorageBoundary, HeapBuffersStayInsideTheirBlock)
{
    ExpectHeapBufferStaysInside<1>();
    ExpectHeapBufferStaysInside<2>();
    ExpectHeapBufferStaysInside<3>();
    ExpectHeapBufferStaysInside<4>();
    ExpectHeapBufferStaysInside<260>();
    ExpectHeapBufferStaysInside<4096>();
    ExpectHeapBufferStaysInside<4097>();
}

TEST(StorageBoundary, FixedArraysHandOutExactlyTheirElements)
{
    CGuarded<NArray::CAutoArrayBuffer<wchar_t, 261, wchar_t, 0>> path;
    wchar_t* p = nullptr;
    ASSERT_EQ(0u, path->GetBuffer(261, &p));
    const unsigned char* end = reinterpret_cast<const unsigned char*>(p + 261);
    for (int i = 0; i < 261; ++i)
        p[i] = L'x';
    EXPECT_TRUE(IsCanaryIntact(end, path.Bytes() + sizeof(*path)));

    CGuardedHeapScope scope;
    NArray::CHeapArrayBuffer<wchar_t> heap(4097);
    ASSERT_EQ(0u, heap.GetBuffer(4097, &p));
    for (int i = 0; i < 4097; ++i)
        p[i] = L'x';
    EXPECT_TRUE(IsBadWritePtr(p + 4097, 1));
}

// The dynamic buffer's block is its allocated capacity; elements beyond the
// size in use carry a canary that no operation may touch.
TEST(StorageBoundary, DynamicBufferStaysInsideItsSize)
{
    for (uint32_t n : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 259u, 260u, 261u, 4095u, 4096u, 4097u}) {
        SCOPED_TRACE(n);
        CGuardedHeapScope scope;
        NString::CDynamicHeapStringBuffer buffer;
        ASSERT_EQ(0u, buffer.Reserve(n));
        const uint32_t size = buffer.GetBufferSize();
        const uint32_t allocated = buffer.GetAllocatedSize();
        ASSERT_EQ(n + 1, size);
        wchar_t* p = nullptr;
        ASSERT_EQ(0u, buffer.GetBuffer(n, &p));
        for (uint32_t i = size; i < allocated; ++i)
            p[i] = L'\xA5A5';
        auto spareIntact = [&] {
            for (uint32_t i = size; i < allocated; ++i)
                if (p[i] != L'\xA5A5')
                    return false;
            return buffer.GetBufferSize() == size;
        };

        const std::wstring full = Letters(n);
        EXPECT_EQ(0u, buffer.Assign(full.c_str(), n));
        EXPECT_TRUE(spareIntact());
        buffer.Clear();
        for (uint32_t i = 0; i < n; ++i)
            ASSERT_EQ(0u, buffer.AppendChar(L'z'));
        EXPECT_TRUE(spareIntact());
        for (uint32_t i = 0; i < size; ++i)
            p[i] = L'w';
        EXPECT_EQ(n, buffer.ReleaseBuffer());
        EXPECT_EQ(0u, buffer.SetAt(n, L'q'));
        EXPECT_EQ(1u, buffer.SetAt(n + 1, L'q'));
        EXPECT_EQ(0u, buffer.Reserve(n));
        EXPECT_TRUE(spareIntact());

        // Fill the whole block, so that its end touches the guard page, and
        // append across it.
        ASSERT_EQ(0u, buffer.Reserve(allocated - 1));
        ASSERT_EQ(allocated, buffer.GetBufferSize());
        ASSERT_EQ(allocated, buffer.GetAllocatedSize());
        const std::wstring brim = Letters(allocated - 1);
        EXPECT_EQ(0u, buffer.Assign(brim.c_str(), allocated - 1));
        EXPECT_EQ(0u, buffer.Append(L"+", 1));
        EXPECT_EQ(brim + L"+", TextOf(buffer));
        EXPECT_GT(buffer.GetAllocatedSize(), allocated);
    }
}

TEST(StorageBoundary, DynamicArraysCopyOnlyTheElementsInUse)
{
    CGuardedHeapScope scope;
    NArray::CDynamicHeapArrayBuffer<wchar_t> characters;
    NArray::CDynamicHeapArrayBuffer<NPath::CAutoPathBuffer> paths;
    NArray::CDynamicHeapArrayBuffer<int*> pointers;
    for (uint32_t i = 0; i < 40; ++i) {
        ASSERT_EQ(0u, characters.Grow(1));
        characters.GetAt(i) = wchar_t(L'a' + i % 26);
        ASSERT_EQ(0u, pointers.Grow(1));
        pointers.GetAt(i) = nullptr;
        ASSERT_EQ(0u, paths.Grow(1));
        paths.GetAt(i).Assign(NString::CConstantString(Letters(260).c_str()));
    }
    for (uint32_t i = 0; i < 40; ++i) {
        ASSERT_EQ(wchar_t(L'a' + i % 26), characters.GetAt(i));
        ASSERT_EQ(260u, paths.GetAt(i).GetLength());
    }
    while (paths.GetSize() > 0)
        ASSERT_EQ(0u, paths.RemoveAt(paths.GetSize() - 1));
    EXPECT_GT(CGuardedHeapScope::GetAllocationCount(), 30u);
}

// Appending a buffer to itself grows the block under the text being read; a
// freed guarded block is inaccessible, so reading the old one would fault.
TEST(StorageBoundary, AppendingABufferToItselfReadsTheMovedText)
{
    CGuardedHeapScope scope;
    NString::CDynamicHeapStringBuffer text;
    ASSERT_EQ(0u, text.Assign(L"ab", 2));
    std::wstring expected = L"ab";
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(0u, text.Append(text));
        expected += expected;
    }
    EXPECT_EQ(expected, TextOf(text));

    const wchar_t* p = nullptr;
    ASSERT_EQ(0u, text.GetString(&p));
    ASSERT_EQ(0u, text.Assign(p + 1, 600));
    EXPECT_EQ(expected.substr(1), TextOf(text));

    NString::CAutoStringBuffer<260> fixed;
    ASSERT_EQ(0u, fixed.Assign(L"xyz", 3));
    ASSERT_EQ(0u, fixed.Append(fixed));
    EXPECT_EQ(L"xyzxyz", TextOf(fixed));
}
