#include <gtest/gtest.h>

#include <string>

#include "library/datatype/string/StringBuffer.h"
#include "tests/common/Text.h"

using namespace NLibrary::NDatatype::NString;
using NTestSupport::TextOf;

namespace {

// The text and the cached length agree, and the text is terminated at it.
void ExpectText(const IString& s, const std::wstring& expected)
{
    EXPECT_EQ(expected, TextOf(s));
    EXPECT_EQ(expected.size(), s.GetLength());
}

std::wstring Letters(size_t count)
{
    std::wstring text;
    for (size_t i = 0; i < count; ++i)
        text += wchar_t(L'a' + i % 26);
    return text;
}

}  // namespace

// --- new buffers ---------------------------------------------------------

TEST(NewStringBuffer, AutoBufferIsATerminatedEmptyString)
{
    CAutoStringBuffer<260> text;
    EXPECT_TRUE(text.IsValid());
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_TRUE(text.IsIndexValid(0));
    EXPECT_EQ(260u, text.GetCapacity());
    EXPECT_EQ(261u, text.GetBufferSize());
    ExpectText(text, L"");
}

TEST(NewStringBuffer, DynamicBufferHasNoStorage)
{
    CDynamicHeapStringBuffer text;
    const wchar_t* p = nullptr;
    EXPECT_TRUE(text.IsValid());
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(0u, text.GetLength());
    EXPECT_FALSE(text.IsIndexValid(0));
    EXPECT_EQ(1u, text.GetString(&p));
    EXPECT_EQ(0u, text.GetCapacity());
    EXPECT_EQ(0u, text.GetBufferSize());
    EXPECT_TRUE(AreEqual(text, CConstantString(L""), 0));
    EXPECT_TRUE(AreEqual(text, CConstantString(nullptr), 0));
}

TEST(NewStringBuffer, HeapBufferHasTheCapacityItWasMadeWith)
{
    CHeapStringBuffer text(10);
    EXPECT_EQ(10u, text.GetCapacity());
    EXPECT_EQ(11u, text.GetBufferSize());
    EXPECT_TRUE(text.IsIndexValid(9));
    EXPECT_FALSE(text.IsIndexValid(10));
    ExpectText(text, L"");

    CHeapStringBuffer none(0);
    EXPECT_EQ(0u, none.GetCapacity());
    EXPECT_EQ(1u, none.Assign(L"a", 1));
    ExpectText(none, L"");
}

// --- constant strings --------------------------------------------------------

TEST(ConstantString, MeasuresItsLiteral)
{
    CConstantString text(L"IEFrame");
    EXPECT_EQ(7u, text.GetLength());
    EXPECT_TRUE(text.IsIndexValid(6));
    EXPECT_FALSE(text.IsIndexValid(7));
    EXPECT_EQ(L'F', text.GetAt(2));
    CConstantString copy(text);
    const wchar_t* p = nullptr;
    const wchar_t* q = nullptr;
    ASSERT_EQ(0u, text.GetString(&p));
    ASSERT_EQ(0u, copy.GetString(&q));
    EXPECT_EQ(p, q);
    EXPECT_EQ(1u, text.GetString(nullptr));
}

TEST(ConstantString, NullLiteralIsEmptyAndUnreadable)
{
    CConstantString text(nullptr);
    const wchar_t* p = nullptr;
    EXPECT_FALSE(text.IsValid());
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(0u, text.GetLength());
    EXPECT_FALSE(text.IsIndexValid(0));
    EXPECT_EQ(1u, text.GetString(&p));
}

// --- Assign: the count is an upper bound; fixed storage refuses or cuts ------

TEST(StringAssign, AutoBufferKeepsAtMostItsCapacity)
{
    const std::wstring long5000 = Letters(5000);
    CAutoStringBuffer<4096> text;
    EXPECT_EQ(0u, text.Assign(long5000.c_str(), 4096));
    ExpectText(text, long5000.substr(0, 4096));

    ASSERT_EQ(0u, text.Assign(L"seed", 4));
    EXPECT_EQ(1u, text.Assign(long5000.c_str(), 4097));
    ExpectText(text, long5000.substr(0, 4096));

    ASSERT_EQ(0u, text.Assign(L"seed", 4));
    EXPECT_EQ(1u, text.Assign(long5000.c_str(), 5000));
    ExpectText(text, L"seed");

    // count N + 1 with a text that fits is complete.
    EXPECT_EQ(0u, text.Assign(L"short", 4097));
    ExpectText(text, L"short");
}

TEST(StringAssign, ZeroCountEmptiesAndNullTextFails)
{
    CAutoStringBuffer<260> autoText;
    CDynamicHeapStringBuffer dynamicText;
    CHeapStringBuffer heapText(20);
    IStringBuffer* buffers[] = {&autoText, &dynamicText, &heapText};
    for (IStringBuffer* b : buffers) {
        ASSERT_EQ(0u, b->Assign(L"abc", 3));
        EXPECT_EQ(0u, b->Assign(L"xyz", 0));
        ExpectText(*b, L"");
        ASSERT_EQ(0u, b->Assign(L"abc", 3));
        EXPECT_EQ(1u, b->Assign(nullptr, 3));
        ExpectText(*b, L"abc");
    }
    // Only the dynamic and auto buffers test the text first.
    EXPECT_EQ(1u, autoText.Assign(nullptr, 0));
    ExpectText(autoText, L"abc");
    EXPECT_EQ(1u, dynamicText.Assign(nullptr, 0));
    EXPECT_EQ(0u, heapText.Assign(nullptr, 0));
    ExpectText(heapText, L"");
}

TEST(StringAssign, HeapBufferCutsWhatFitsItsStorageAndRefusesMore)
{
    CHeapStringBuffer text(5);
    EXPECT_EQ(1u, text.Assign(L"abcdefgh", 6));
    ExpectText(text, L"abcde");
    EXPECT_EQ(1u, text.Assign(L"xyz", 7));
    ExpectText(text, L"abcde");
    EXPECT_EQ(0u, text.Assign(L"xyz", 6));
    ExpectText(text, L"xyz");
}

TEST(StringAssign, DynamicBufferGrowsToTheCount)
{
    CDynamicHeapStringBuffer text;
    EXPECT_EQ(0u, text.Assign(L"abc", 10));
    ExpectText(text, L"abc");
    EXPECT_EQ(11u, text.GetBufferSize());
    EXPECT_EQ(0u, text.Assign(L"a", 1));
    EXPECT_EQ(11u, text.GetBufferSize());
    ExpectText(text, L"a");
}

TEST(StringAssign, FromAnotherStringCopiesItsLength)
{
    CAutoStringBuffer<260> text;
    CDynamicHeapStringBuffer empty;
    ASSERT_EQ(0u, text.Assign(CConstantString(L"SysListView32")));
    ExpectText(text, L"SysListView32");
    EXPECT_EQ(0u, text.Assign(empty));
    ExpectText(text, L"");

    IStringBuffer& buffer = text;
    buffer = CConstantString(L"Progman");
    ExpectText(text, L"Progman");
    text = CConstantString(L"IDEOwner");
    ExpectText(text, L"IDEOwner");
    text = text;
    ExpectText(text, L"IDEOwner");
}

TEST(StringAssign, CopiesOfBuffersAreIndependent)
{
    CAutoStringBuffer<260> autoText;
    ASSERT_EQ(0u, autoText.Assign(L"first", 5));
    CAutoStringBuffer<260> autoCopy(autoText);
    CDynamicHeapStringBuffer dynamicText;
    dynamicText = autoText;
    CDynamicHeapStringBuffer dynamicCopy(dynamicText);
    CHeapStringBuffer heapText(8);
    heapText = dynamicCopy;
    CHeapStringBuffer heapCopy(heapText);
    ASSERT_EQ(0u, autoText.Assign(L"second", 6));
    ASSERT_EQ(0u, dynamicText.Assign(L"second", 6));
    ExpectText(autoCopy, L"first");
    ExpectText(dynamicCopy, L"first");
    ExpectText(heapCopy, L"first");
    EXPECT_EQ(8u, heapCopy.GetCapacity());

    // Buffer to buffer through the interface copies the text too.
    IStringBuffer& target = heapCopy;
    const IStringBuffer& source = autoText;
    target = source;
    ExpectText(heapCopy, L"second");
}

// --- Append ----------------------------------------------------------------

TEST(StringAppend, AutoBufferRefusesWhatDoesNotFitAsAWhole)
{
    const std::wstring base = Letters(4090);
    CAutoStringBuffer<4096> text;
    ASSERT_EQ(0u, text.Assign(base.c_str(), 4090));
    EXPECT_EQ(1u, text.Append(L"0123456789", 10));
    ExpectText(text, base);
    EXPECT_EQ(0u, text.Append(L"0123456789", 6));
    ExpectText(text, base + L"012345");
    EXPECT_EQ(1u, text.Append(L"x", 1));
    EXPECT_EQ(1u, text.Append(L"x", UINT32_MAX));
    ExpectText(text, base + L"012345");
}

TEST(StringAppend, CountIsAMaximumAndZeroChangesNothing)
{
    CAutoStringBuffer<260> text;
    EXPECT_EQ(0u, text.Append(L"ab", 10));
    ExpectText(text, L"ab");
    EXPECT_EQ(0u, text.Append(L"cd", 0));
    EXPECT_EQ(0u, text.Append(CDynamicHeapStringBuffer()));
    ExpectText(text, L"ab");
    EXPECT_EQ(1u, text.Append(nullptr, 2));
    EXPECT_EQ(0u, text.Append(CConstantString(L"cdef")));
    ExpectText(text, L"abcdef");
}

TEST(StringAppend, HeapBufferCutsToFillItsStorage)
{
    CHeapStringBuffer text(6);
    ASSERT_EQ(0u, text.Assign(L"abc", 3));
    EXPECT_EQ(1u, text.Append(L"defgh", 5));
    ExpectText(text, L"abcdef");
    EXPECT_EQ(1u, text.Append(L"x", 1));
    ExpectText(text, L"abcdef");

    // A count above the storage size is refused before any copy.
    ASSERT_EQ(0u, text.Assign(L"a", 1));
    EXPECT_EQ(1u, text.Append(L"bc", 8));
    ExpectText(text, L"a");
    EXPECT_EQ(0u, text.Append(L"bc", 7));
    ExpectText(text, L"abc");
}

TEST(StringAppend, DynamicBufferGrowsForEveryAppend)
{
    CDynamicHeapStringBuffer text;
    std::wstring expected;
    for (int i = 0; i < 500; ++i) {
        const std::wstring part = std::to_wstring(i) + L",";
        ASSERT_EQ(0u, text.Append(part.c_str(), uint32_t(part.size())));
        expected += part;
    }
    ExpectText(text, expected);
    EXPECT_EQ(text.GetLength() + 1, text.GetBufferSize());
    EXPECT_EQ(0u, text.GetAllocatedSize() % 4);
    EXPECT_GT(text.GetAllocatedSize(), text.GetLength());
}

TEST(StringAppend, AbsurdCountsAreRefusedWithoutGrowth)
{
    CDynamicHeapStringBuffer text;
    ASSERT_EQ(0u, text.Assign(L"abc", 3));
    EXPECT_EQ(1u, text.Append(L"d", UINT32_MAX));
    EXPECT_EQ(1u, text.Append(L"d", 0x7FFFFFFF));
    EXPECT_EQ(1u, text.Assign(L"d", 0x80000000u));
    EXPECT_EQ(1u, text.Reserve(UINT32_MAX));
    wchar_t* p = nullptr;
    EXPECT_EQ(1u, text.GetBuffer(UINT32_MAX, &p));
    ExpectText(text, L"abc");
    EXPECT_EQ(4u, text.GetBufferSize());
}

// --- AppendChar -----------------------------------------------------------

TEST(StringAppendChar, FixedBuffersStopAtTheirCapacity)
{
    CAutoStringBuffer<260> autoText;
    CHeapStringBuffer heapText(3);
    for (uint32_t i = 0; i < 260; ++i)
        ASSERT_EQ(0u, autoText.AppendChar(L'x'));
    EXPECT_EQ(1u, autoText.AppendChar(L'y'));
    ExpectText(autoText, std::wstring(260, L'x'));

    EXPECT_EQ(0u, heapText.AppendChar(L'a'));
    EXPECT_EQ(0u, heapText.AppendChar(L'b'));
    EXPECT_EQ(0u, heapText.AppendChar(L'c'));
    EXPECT_EQ(1u, heapText.AppendChar(L'd'));
    ExpectText(heapText, L"abc");
}

TEST(StringAppendChar, DynamicBufferGrows)
{
    CDynamicHeapStringBuffer text;
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(0u, text.AppendChar(wchar_t(L'0' + i)));
    ExpectText(text, L"0123456789");
    EXPECT_EQ(12u, text.GetAllocatedSize());
}

// --- Reserve ----------------------------------------------------------------

TEST(StringReserve, OnlyTheDynamicBufferMakesRoom)
{
    CAutoStringBuffer<260> autoText;
    EXPECT_EQ(0u, autoText.Reserve(260));
    EXPECT_EQ(1u, autoText.Reserve(261));

    CHeapStringBuffer heapText(10);
    EXPECT_EQ(0u, heapText.Reserve(10));
    EXPECT_EQ(1u, heapText.Reserve(11));

    CDynamicHeapStringBuffer dynamicText;
    EXPECT_EQ(0u, dynamicText.Reserve(10));
    EXPECT_EQ(11u, dynamicText.GetBufferSize());
    EXPECT_EQ(10u, dynamicText.GetCapacity());
    ExpectText(dynamicText, L"");
    ASSERT_EQ(0u, dynamicText.Assign(L"abc", 3));
    EXPECT_EQ(0u, dynamicText.Reserve(5));
    EXPECT_EQ(11u, dynamicText.GetBufferSize());
    EXPECT_EQ(0u, dynamicText.Reserve(30));
    ExpectText(dynamicText, L"abc");
}

// --- GetBuffer / ReleaseBuffer ---------------------------------------------

TEST(StringDirectWrite, ZeroCountOrNullOutIsRefused)
{
    CAutoStringBuffer<260> autoText;
    CDynamicHeapStringBuffer dynamicText;
    CHeapStringBuffer heapText(20);
    IStringBuffer* buffers[] = {&autoText, &dynamicText, &heapText};
    for (IStringBuffer* b : buffers) {
        wchar_t* p = nullptr;
        EXPECT_EQ(1u, b->GetBuffer(0, &p));
        EXPECT_EQ(1u, b->GetBuffer(5, nullptr));
    }
    wchar_t* p = nullptr;
    EXPECT_EQ(1u, autoText.GetBuffer(262, &p));
    EXPECT_EQ(0u, autoText.GetBuffer(261, &p));
    EXPECT_EQ(1u, heapText.GetBuffer(22, &p));
}

TEST(StringDirectWrite, DynamicBufferGrowsToTheCountPlusTerminator)
{
    CDynamicHeapStringBuffer text;
    wchar_t* p = nullptr;
    ASSERT_EQ(0u, text.GetBuffer(4096, &p));
    EXPECT_EQ(4097u, text.GetBufferSize());
    EXPECT_EQ(4100u, text.GetAllocatedSize());
    EXPECT_EQ(4096u, text.GetCapacity());
    wcscpy(p, L"WorkerW");
    EXPECT_EQ(7u, text.ReleaseBuffer());
    ExpectText(text, L"WorkerW");

    // Growing an existing block keeps its text.
    ASSERT_EQ(0u, text.GetBuffer(5000, &p));
    EXPECT_EQ(5001u, text.GetBufferSize());
    EXPECT_EQ(7u, text.ReleaseBuffer());
}

TEST(StringDirectWrite, ReleaseTerminatesAFullStorage)
{
    CAutoStringBuffer<260> autoText;
    CDynamicHeapStringBuffer dynamicText;
    CHeapStringBuffer heapText(20);
    ASSERT_EQ(0u, dynamicText.Reserve(30));
    IStringBuffer* buffers[] = {&autoText, &dynamicText, &heapText};
    for (IStringBuffer* b : buffers) {
        wchar_t* p = nullptr;
        const uint32_t size = b->GetBufferSize();
        ASSERT_EQ(0u, b->GetBuffer(b->GetCapacity(), &p));
        for (uint32_t i = 0; i < size; ++i)
            p[i] = L'w';
        EXPECT_EQ(b->GetCapacity(), b->ReleaseBuffer());
        ExpectText(*b, std::wstring(b->GetCapacity(), L'w'));
    }
}

// --- SetAt --------------------------------------------------------------------

TEST(StringSetAt, WritesOneElementAndLeavesTheLength)
{
    CAutoStringBuffer<260> autoText;
    EXPECT_EQ(0u, autoText.SetAt(10, L'x'));
    EXPECT_EQ(0u, autoText.GetLength());
    EXPECT_EQ(L'x', autoText.GetAt(10));
    EXPECT_EQ(0u, autoText.SetAt(259, L'x'));
    EXPECT_EQ(1u, autoText.SetAt(260, L'x'));

    // The heap buffers accept the last element too.
    CHeapStringBuffer heapText(5);
    EXPECT_EQ(0u, heapText.SetAt(5, L'x'));
    EXPECT_EQ(1u, heapText.SetAt(6, L'x'));
    CDynamicHeapStringBuffer dynamicText;
    EXPECT_EQ(1u, dynamicText.SetAt(0, L'x'));
    ASSERT_EQ(0u, dynamicText.Assign(L"abc", 3));
    EXPECT_EQ(0u, dynamicText.SetAt(3, L'x'));
    EXPECT_EQ(1u, dynamicText.SetAt(4, L'x'));
}

// --- Clear and Reset -------------------------------------------------------

TEST(StringReset, FixedBuffersScrubTheirWholeStorage)
{
    CAutoStringBuffer<260> autoText;
    CHeapStringBuffer heapText(20);
    IStringBuffer* buffers[] = {&autoText, &heapText};
    for (IStringBuffer* b : buffers) {
        wchar_t* p = nullptr;
        ASSERT_EQ(0u, b->GetBuffer(b->GetCapacity(), &p));
        for (uint32_t i = 0; i < b->GetBufferSize(); ++i)
            p[i] = L'w';
        b->ReleaseBuffer();
        b->Clear();
        EXPECT_TRUE(b->IsEmpty());
        EXPECT_EQ(L'w', p[1]);
        b->Reset();
        ExpectText(*b, L"");
        for (uint32_t i = 0; i < b->GetBufferSize(); ++i)
            ASSERT_EQ(L'\0', p[i]) << i;
    }
}

TEST(StringReset, DynamicBufferGivesItsBlockBack)
{
    CDynamicHeapStringBuffer text;
    ASSERT_EQ(0u, text.Assign(L"abcdef", 6));
    text.Clear();
    EXPECT_EQ(7u, text.GetBufferSize());
    ExpectText(text, L"");
    text.Reset();
    const wchar_t* p = nullptr;
    EXPECT_EQ(0u, text.GetBufferSize());
    EXPECT_EQ(0u, text.GetAllocatedSize());
    EXPECT_EQ(1u, text.GetString(&p));
    EXPECT_TRUE(text.IsValid());
    EXPECT_EQ(0u, text.Append(L"again", 5));
    ExpectText(text, L"again");
}

// --- equality ------------------------------------------------------------------

TEST(StringEquality, LengthsFirstThenCodeUnits)
{
    const CConstantString upper(L"IEFrame");
    const CConstantString lower(L"ieframe");
    CAutoStringBuffer<260> prefix;
    ASSERT_EQ(0u, prefix.Assign(L"IEFram", 6));
    EXPECT_TRUE(AreEqual(upper, CConstantString(L"IEFrame"), 0));
    EXPECT_FALSE(AreEqual(upper, lower, 0));
    EXPECT_FALSE(AreEqual(upper, lower, 2));
    EXPECT_TRUE(AreEqual(upper, lower, 1));
    EXPECT_TRUE(AreEqualIgnoreCase(upper, lower));
    EXPECT_FALSE(AreEqual(upper, prefix, 1));
    EXPECT_FALSE(AreEqual(prefix, upper, 1));
    EXPECT_TRUE(AreEqual(CConstantString(L""), CDynamicHeapStringBuffer(), 1));
}

TEST(StringEquality, OnlyAsciiLettersAreFolded)
{
    EXPECT_FALSE(AreEqualIgnoreCase(CConstantString(L"\u00C4"), CConstantString(L"\u00E4")));
    EXPECT_FALSE(AreEqualIgnoreCase(CConstantString(L"["), CConstantString(L"{")));
    EXPECT_FALSE(AreEqualIgnoreCase(CConstantString(L"@"), CConstantString(L"`")));
    EXPECT_TRUE(AreEqualIgnoreCase(CConstantString(L"AZ"), CConstantString(L"az")));
}

TEST(StringEquality, ComparesOnlyUpToTheCachedLength)
{
    // SetAt leaves the length alone, so an element written past it is not
    // part of the text.
    CAutoStringBuffer<260> first;
    CAutoStringBuffer<260> second;
    ASSERT_EQ(0u, first.Assign(L"abc", 3));
    ASSERT_EQ(0u, second.Assign(L"abc", 3));
    ASSERT_EQ(0u, first.SetAt(5, L'x'));
    EXPECT_TRUE(AreEqual(first, second, 0));
}
