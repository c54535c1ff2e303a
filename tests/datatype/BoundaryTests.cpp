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
using NTestSupport::Letters;
using NTestSupport::TextOf;

namespace {

// The writing operations of a fixed buffer at its capacity C, as steps whose
// texts and counts are given relative to C. The auto buffer refuses an append
// that does not fit; the heap buffer cuts it, so the lengths may differ.
enum BrimOperation
{
    AssignLetters,     // Assign(Letters(C + delta), C + delta)
    AppendText,        // Append(text, count)
    FillByCharacters,  // Clear, then C times AppendChar('z'), each 0
    AppendOneChar,     // AppendChar('z')
    WriteAll,          // GetBuffer(C + 1), every element 'w', ReleaseBuffer: C
    SetLast,           // SetAt(C - 1, 'q')
    ReserveRelative,   // Reserve(C + delta)
    ResetBuffer,       // Reset
};

enum BrimText
{
    AnyText,
    FullLetters,  // Letters(C)
    AllZs,        // C times 'z'
};

const int Unchecked = INT32_MIN;

struct CBrimStep
{
    BrimOperation operation;
    int delta;
    const wchar_t* text;
    uint32_t count;
    uint32_t result;
    int autoLength;  // the length afterwards relative to C, or Unchecked
    int heapLength;
    BrimText after;
};

const CBrimStep BrimSteps[] = {
    {AssignLetters,    0,  nullptr, 0, 0, 0,         0,         FullLetters},
    {AssignLetters,    1,  nullptr, 0, 1, 0,         0,         AnyText    },
    {AssignLetters,    -1, nullptr, 0, 0, -1,        -1,        AnyText    },
    {AppendText,       0,  L"xy",   2, 1, -1,        0,         AnyText    },
    {AssignLetters,    -1, nullptr, 0, 0, -1,        -1,        AnyText    },
    {AppendText,       0,  L"x",    1, 0, 0,         0,         AnyText    },
    {AppendText,       0,  L"y",    1, 1, Unchecked, Unchecked, AnyText    },
    {FillByCharacters, 0,  nullptr, 0, 0, 0,         0,         AnyText    },
    {AppendOneChar,    0,  nullptr, 0, 1, 0,         0,         AllZs      },
    {WriteAll,         0,  nullptr, 0, 0, 0,         0,         AnyText    },
    {SetLast,          0,  nullptr, 0, 0, Unchecked, Unchecked, AnyText    },
    {ReserveRelative,  0,  nullptr, 0, 0, Unchecked, Unchecked, AnyText    },
    {ReserveRelative,  1,  nullptr, 0, 1, Unchecked, Unchecked, AnyText    },
    {ResetBuffer,      0,  nullptr, 0, 0, Unchecked, Unchecked, AnyText    },
};

uint32_t PerformAtTheBrim(IStringBuffer& buffer, const CBrimStep& step)
{
    const uint32_t c = buffer.GetCapacity();
    const std::wstring letters = Letters(c + step.delta);
    wchar_t* p = nullptr;
    switch (step.operation) {
    case AssignLetters:
        return buffer.Assign(letters.c_str(), uint32_t(letters.size()));
    case AppendText:
        return buffer.Append(step.text, step.count);
    case FillByCharacters:
        buffer.Clear();
        for (uint32_t i = 0; i < c; ++i)
            EXPECT_EQ(0u, buffer.AppendChar(L'z'));
        return 0;
    case AppendOneChar:
        return buffer.AppendChar(L'z');
    case WriteAll:
        if (buffer.GetBuffer(c + 1, &p) != 0)
            return 1;
        for (uint32_t i = 0; i <= c; ++i)
            p[i] = L'w';
        return buffer.ReleaseBuffer() == c ? 0 : 1;
    case SetLast:
        return buffer.SetAt(c - 1, L'q');
    case ReserveRelative:
        return buffer.Reserve(c + step.delta);
    case ResetBuffer:
        buffer.Reset();
        return buffer.GetLength() == 0 ? 0 : 1;
    }
    return 1;
}

// Runs the brim steps on a fixed buffer; check() runs after each one.
template <typename TCheck>
void FillToTheBrim(IStringBuffer& buffer, bool refusesWhole, TCheck check)
{
    const uint32_t c = buffer.GetCapacity();
    for (const CBrimStep& step : BrimSteps) {
        SCOPED_TRACE("step " + std::to_string(&step - BrimSteps));
        EXPECT_EQ(step.result, PerformAtTheBrim(buffer, step));
        const int length = refusesWhole ? step.autoLength : step.heapLength;
        if (length != Unchecked) {
            EXPECT_EQ(c + length, buffer.GetLength());
        }
        if (step.after != AnyText) {
            EXPECT_EQ(step.after == FullLetters ? Letters(c) : std::wstring(c, L'z'),
                      TextOf(buffer));
        }
        check();
    }
}

// The layout of CAutoStringBuffer<N>, derived from the types: the buffer's
// vtable pointer, the array object (its vtable pointer, the N + 1 characters
// and its padding), the cached length and the buffer's padding. Both paddings
// are unused and keep the canary.
template <uint32_t N>
struct CAutoBufferLayout
{
    using Buffer = NString::CAutoStringBuffer<N>;
    using Storage = NArray::CAutoArrayBuffer<wchar_t, N + 1, wchar_t, 0>;
    static constexpr size_t StorageStart = sizeof(void*);
    static constexpr size_t CharactersStart = StorageStart + sizeof(void*);
    static constexpr size_t CharactersEnd = CharactersStart + (N + 1) * sizeof(wchar_t);
    static constexpr size_t StorageEnd = StorageStart + sizeof(Storage);
    static constexpr size_t LengthEnd = StorageEnd + sizeof(uint32_t);
    static constexpr size_t ObjectEnd = sizeof(Buffer);
};

template <uint32_t N>
void ExpectAutoBufferStaysInside()
{
    using Layout = CAutoBufferLayout<N>;
    CGuarded<NString::CAutoStringBuffer<N>> guarded;
    const wchar_t* p = nullptr;
    ASSERT_EQ(0u, guarded->GetString(&p));
    const unsigned char* object = guarded.Bytes();
    ASSERT_EQ(object + Layout::CharactersStart, reinterpret_cast<const unsigned char*>(p))
        << "layout assumed by this test changed";
    ASSERT_LE(Layout::LengthEnd, Layout::ObjectEnd) << "layout assumed by this test changed";
    FillToTheBrim(*guarded, true, [&] {
        EXPECT_TRUE(IsCanaryIntact(object + Layout::CharactersEnd, object + Layout::StorageEnd));
        EXPECT_TRUE(IsCanaryIntact(object + Layout::LengthEnd, object + Layout::ObjectEnd));
    });
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
    for (uint32_t n : {1u, 2u, 3u, 4u, 260u, 4096u, 4097u}) {
        SCOPED_TRACE(n);
        CGuardedHeapScope scope;
        NString::CHeapStringBuffer buffer(n);
        ASSERT_EQ(n, buffer.GetCapacity());
        FillToTheBrim(buffer, false, [] {});
    }
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

namespace {

// The elements of a dynamic buffer's block beyond the size in use, filled
// with a canary that no operation may touch.
class CSpareElements
{
public:
    explicit CSpareElements(NString::CDynamicHeapStringBuffer& buffer)
        : buffer(buffer), size(buffer.GetBufferSize()), allocated(buffer.GetAllocatedSize())
    {
        EXPECT_EQ(0u, buffer.GetBuffer(size - 1, &block));
        for (uint32_t i = size; i < allocated; ++i)
            block[i] = Canary;
    }

    bool AreIntact() const
    {
        for (uint32_t i = size; i < allocated; ++i)
            if (block[i] != Canary)
                return false;
        return buffer.GetBufferSize() == size;
    }

    wchar_t* Block() const { return block; }

private:
    static constexpr wchar_t Canary = L'\xA5A5';
    NString::CDynamicHeapStringBuffer& buffer;
    const uint32_t size;
    const uint32_t allocated;
    wchar_t* block = nullptr;
};

}  // namespace

TEST(StorageBoundary, DynamicBufferStaysInsideItsSize)
{
    for (uint32_t n : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 259u, 260u, 261u, 4095u, 4096u, 4097u}) {
        SCOPED_TRACE(n);
        CGuardedHeapScope scope;
        NString::CDynamicHeapStringBuffer buffer;
        ASSERT_EQ(0u, buffer.Reserve(n));
        ASSERT_EQ(n + 1, buffer.GetBufferSize());
        const uint32_t allocated = buffer.GetAllocatedSize();
        const CSpareElements spare(buffer);

        const std::wstring full = Letters(n);
        EXPECT_EQ(0u, buffer.Assign(full.c_str(), n));
        EXPECT_TRUE(spare.AreIntact());
        buffer.Clear();
        for (uint32_t i = 0; i < n; ++i)
            ASSERT_EQ(0u, buffer.AppendChar(L'z'));
        EXPECT_TRUE(spare.AreIntact());
        for (uint32_t i = 0; i <= n; ++i)
            spare.Block()[i] = L'w';
        EXPECT_EQ(n, buffer.ReleaseBuffer());
        EXPECT_EQ(0u, buffer.SetAt(n, L'q'));
        EXPECT_EQ(1u, buffer.SetAt(n + 1, L'q'));
        EXPECT_EQ(0u, buffer.Reserve(n));
        EXPECT_TRUE(spare.AreIntact());

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
