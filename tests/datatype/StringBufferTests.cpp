#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/datatype/string/StringBuffer.h"
#include "tests/common/Text.h"

using namespace NLibrary::NDatatype::NString;
using NTestSupport::Letters;
using NTestSupport::TextOf;

// The writable strings, driven through their interface by tables of steps:
// each step is one operation with its expected result and, where given, the
// text (and storage size) it leaves behind. What a table cannot say (copies,
// direct writes through the pointer, growth counts) follows as plain tests.

namespace {

// The text and the cached length agree, and the text is terminated at it.
void ExpectText(const IString& s, const std::wstring& expected)
{
    EXPECT_EQ(expected, TextOf(s));
    EXPECT_EQ(expected.size(), s.GetLength());
}

enum Operation
{
    Assign,         // Assign(text, count)
    AssignString,   // Assign(CConstantString(text)); null text: an empty dynamic buffer
    AssignThrough,  // IStringBuffer::operator=(CConstantString(text))
    Append,         // Append(text, count)
    AppendString,   // as AssignString
    AppendChar,     // AppendChar(text[0])
    Reserve,        // Reserve(count)
    GetBuffer,      // GetBuffer(count, &p)
    GetBufferNull,  // GetBuffer(count, nullptr)
    SetAt,          // SetAt(count, text[0])
    CharAt,         // GetAt(count) is text[0]; no result
};

const uint32_t Any = UINT32_MAX;

struct CStep
{
    IStringBuffer* buffer;
    Operation operation;
    const wchar_t* text;
    uint32_t count;
    uint32_t result;
    const wchar_t* after = nullptr;  // the text afterwards; null: not checked
    uint32_t bufferSize = Any;       // the storage size afterwards; Any: not checked
};

uint32_t Perform(IStringBuffer& buffer, const CStep& step)
{
    const CDynamicHeapStringBuffer noStorage;
    const CConstantString constant(step.text);
    const IString& source =
        step.text == nullptr ? static_cast<const IString&>(noStorage) : constant;
    wchar_t* p = nullptr;
    switch (step.operation) {
    case Assign:
        return buffer.Assign(step.text, step.count);
    case AssignString:
        return buffer.Assign(source);
    case AssignThrough:
        buffer = source;
        return 0;
    case Append:
        return buffer.Append(step.text, step.count);
    case AppendString:
        return buffer.Append(source);
    case AppendChar:
        return buffer.AppendChar(step.text[0]);
    case Reserve:
        return buffer.Reserve(step.count);
    case GetBuffer:
        return buffer.GetBuffer(step.count, &p);
    case GetBufferNull:
        return buffer.GetBuffer(step.count, nullptr);
    case SetAt:
        return buffer.SetAt(step.count, step.text[0]);
    case CharAt:
        EXPECT_EQ(step.text[0], buffer.GetAt(step.count));
        return step.result;
    }
    return Any;
}

// Steps run in the order of the table; each buffer carries its state from
// one of its steps to the next.
void RunSteps(const std::vector<CStep>& steps)
{
    for (size_t i = 0; i < steps.size(); ++i) {
        const CStep& step = steps[i];
        SCOPED_TRACE("step " + std::to_string(i));
        EXPECT_EQ(step.result, Perform(*step.buffer, step));
        if (step.after != nullptr)
            ExpectText(*step.buffer, step.after);
        if (step.bufferSize != Any) {
            EXPECT_EQ(step.bufferSize, step.buffer->GetBufferSize());
            EXPECT_EQ(step.bufferSize == 0 ? 0 : step.bufferSize - 1, step.buffer->GetCapacity());
        }
    }
}

const std::wstring Long5000 = Letters(5000);
const std::wstring First4096 = Long5000.substr(0, 4096);
const std::wstring Base4090 = Letters(4090);
const std::wstring Base4090Plus6 = Base4090 + L"012345";

}  // namespace

// --- new buffers ---------------------------------------------------------

TEST(NewStringBuffer, IsAnEmptyStringOfItsCapacity)
{
    CAutoStringBuffer<260> auto260;
    CDynamicHeapStringBuffer dynamic;
    CHeapStringBuffer heap10(10);
    CHeapStringBuffer heap0(0);
    struct CNewCase
    {
        const char* name;
        IStringBuffer* text;
        uint32_t capacity;
        uint32_t bufferSize;
        bool readable;  // GetString succeeds: there is storage
    };
    const CNewCase cases[] = {
        {"auto 260", &auto260, 260, 261, true },
        {"dynamic",  &dynamic, 0,   0,   false},
        {"heap 10",  &heap10,  10,  11,  true },
        {"heap 0",   &heap0,   0,   1,   true },
    };
    for (const CNewCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.text->IsValid());
        EXPECT_TRUE(c.text->IsEmpty());
        EXPECT_EQ(0u, c.text->GetLength());
        EXPECT_EQ(c.capacity, c.text->GetCapacity());
        EXPECT_EQ(c.bufferSize, c.text->GetBufferSize());
        EXPECT_EQ(c.capacity != 0, c.text->IsIndexValid(0));
        EXPECT_EQ(c.capacity != 0, c.text->IsIndexValid(c.capacity - 1));
        EXPECT_FALSE(c.text->IsIndexValid(c.capacity));
        const wchar_t* p = nullptr;
        EXPECT_EQ(c.readable ? 0u : 1u, c.text->GetString(&p));
        EXPECT_EQ(c.readable ? L"" : L"<no text>", TextOf(*c.text));
        EXPECT_TRUE(AreEqual(*c.text, CConstantString(L""), 0));
        EXPECT_TRUE(AreEqual(*c.text, CConstantString(nullptr), 0));
    }
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

TEST(StringAssign, FollowsTheRulesOfEachStorage)
{
    CAutoStringBuffer<4096> auto4096;
    CAutoStringBuffer<260> auto260, fromString;
    CDynamicHeapStringBuffer dynamic, growing;
    CHeapStringBuffer heap20(20), heap5(5), heap0(0);
    // The rows differ in length, which clang-format 14 cannot align (it
    // crashes): these tables keep one row per line by hand.
    // clang-format off
    RunSteps({
        // The auto buffer keeps at most its capacity; count N + 1 with a text
        // that fits is complete.
        {&auto4096, Assign, Long5000.c_str(), 4096, 0, First4096.c_str()},
        {&auto4096, Assign, L"seed", 4, 0},
        {&auto4096, Assign, Long5000.c_str(), 4097, 1, First4096.c_str()},
        {&auto4096, Assign, L"seed", 4, 0},
        {&auto4096, Assign, Long5000.c_str(), 5000, 1, L"seed"},
        {&auto4096, Assign, L"short", 4097, 0, L"short"},
        // A zero count empties, a null text fails; only the dynamic and auto
        // buffers test the text first.
        {&auto260, Assign, L"abc", 3, 0},
        {&auto260, Assign, L"xyz", 0, 0, L""},
        {&auto260, Assign, L"abc", 3, 0},
        {&auto260, Assign, nullptr, 3, 1, L"abc"},
        {&auto260, Assign, nullptr, 0, 1, L"abc"},
        {&dynamic, Assign, L"abc", 3, 0},
        {&dynamic, Assign, L"xyz", 0, 0, L""},
        {&dynamic, Assign, L"abc", 3, 0},
        {&dynamic, Assign, nullptr, 3, 1, L"abc"},
        {&dynamic, Assign, nullptr, 0, 1},
        {&heap20, Assign, L"abc", 3, 0},
        {&heap20, Assign, L"xyz", 0, 0, L""},
        {&heap20, Assign, L"abc", 3, 0},
        {&heap20, Assign, nullptr, 3, 1, L"abc"},
        {&heap20, Assign, nullptr, 0, 0, L""},
        // The heap buffer cuts what fits its storage and refuses more.
        {&heap5, Assign, L"abcdefgh", 6, 1, L"abcde"},
        {&heap5, Assign, L"xyz", 7, 1, L"abcde"},
        {&heap5, Assign, L"xyz", 6, 0, L"xyz"},
        {&heap0, Assign, L"a", 1, 1, L""},
        // The dynamic buffer grows to the count.
        {&growing, Assign, L"abc", 10, 0, L"abc", 11},
        {&growing, Assign, L"a", 1, 0, L"a", 11},
        // From another string, its length is copied.
        {&fromString, AssignString, L"SysListView32", 0, 0, L"SysListView32"},
        {&fromString, AssignString, nullptr, 0, 0, L""},
        {&fromString, AssignThrough, L"Progman", 0, 0, L"Progman"},
        {&fromString, AssignThrough, L"IDEOwner", 0, 0, L"IDEOwner"},
    });
    // clang-format on
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

    // A buffer assigned to itself keeps its text.
    autoCopy = autoCopy;
    ExpectText(autoCopy, L"first");
}

// --- Append ----------------------------------------------------------------

TEST(StringAppend, FollowsTheRulesOfEachStorage)
{
    CAutoStringBuffer<4096> auto4096;
    CAutoStringBuffer<260> auto260;
    CHeapStringBuffer heap6(6), heap3(3);
    CDynamicHeapStringBuffer dynamic;
    // clang-format off
    RunSteps({
        // The auto buffer refuses what does not fit, as a whole.
        {&auto4096, Assign, Base4090.c_str(), 4090, 0},
        {&auto4096, Append, L"0123456789", 10, 1, Base4090.c_str()},
        {&auto4096, Append, L"0123456789", 6, 0, Base4090Plus6.c_str()},
        {&auto4096, Append, L"x", 1, 1},
        {&auto4096, Append, L"x", UINT32_MAX, 1, Base4090Plus6.c_str()},
        // The count is a maximum, and zero changes nothing.
        {&auto260, Append, L"ab", 10, 0, L"ab"},
        {&auto260, Append, L"cd", 0, 0},
        {&auto260, AppendString, nullptr, 0, 0, L"ab"},
        {&auto260, Append, nullptr, 2, 1},
        {&auto260, AppendString, L"cdef", 0, 0, L"abcdef"},
        // The heap buffer cuts to fill its storage; a count above the storage
        // size is refused before any copy.
        {&heap6, Assign, L"abc", 3, 0},
        {&heap6, Append, L"defgh", 5, 1, L"abcdef"},
        {&heap6, Append, L"x", 1, 1, L"abcdef"},
        {&heap6, Assign, L"a", 1, 0},
        {&heap6, Append, L"bc", 8, 1, L"a"},
        {&heap6, Append, L"bc", 7, 0, L"abc"},
        // Absurd counts are refused without growth.
        {&dynamic, Assign, L"abc", 3, 0},
        {&dynamic, Append, L"d", UINT32_MAX, 1},
        {&dynamic, Append, L"d", 0x7FFFFFFF, 1},
        {&dynamic, Assign, L"d", 0x80000000u, 1},
        {&dynamic, Reserve, nullptr, UINT32_MAX, 1},
        {&dynamic, GetBuffer, nullptr, UINT32_MAX, 1, L"abc", 4},
        // Fixed buffers stop appending characters at their capacity.
        {&heap3, AppendChar, L"a", 0, 0},
        {&heap3, AppendChar, L"b", 0, 0},
        {&heap3, AppendChar, L"c", 0, 0},
        {&heap3, AppendChar, L"d", 0, 1, L"abc"},
    });
    // clang-format on
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

TEST(StringAppendChar, AutoBufferStopsAtItsCapacityAndDynamicBufferGrows)
{
    CAutoStringBuffer<260> autoText;
    for (uint32_t i = 0; i < 260; ++i)
        ASSERT_EQ(0u, autoText.AppendChar(L'x'));
    EXPECT_EQ(1u, autoText.AppendChar(L'y'));
    ExpectText(autoText, std::wstring(260, L'x'));

    CDynamicHeapStringBuffer dynamicText;
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(0u, dynamicText.AppendChar(wchar_t(L'0' + i)));
    ExpectText(dynamicText, L"0123456789");
    EXPECT_EQ(12u, dynamicText.GetAllocatedSize());
}

// --- Reserve, GetBuffer, SetAt ---------------------------------------------

TEST(StringStorage, OnlyTheDynamicBufferMakesRoom)
{
    CAutoStringBuffer<260> auto260, setAuto;
    CHeapStringBuffer heap10(10), heap20(20), heap5(5);
    CDynamicHeapStringBuffer dynamic, direct, setDynamic;
    // clang-format off
    RunSteps({
        {&auto260, Reserve, nullptr, 260, 0},
        {&auto260, Reserve, nullptr, 261, 1},
        {&heap10, Reserve, nullptr, 10, 0},
        {&heap10, Reserve, nullptr, 11, 1},
        {&dynamic, Reserve, nullptr, 10, 0, L"", 11},
        {&dynamic, Assign, L"abc", 3, 0},
        {&dynamic, Reserve, nullptr, 5, 0, nullptr, 11},
        {&dynamic, Reserve, nullptr, 30, 0, L"abc"},
        // A direct write needs a count of at least 1 and a pointer to fill.
        {&auto260, GetBuffer, nullptr, 0, 1},
        {&auto260, GetBufferNull, nullptr, 5, 1},
        {&auto260, GetBuffer, nullptr, 262, 1},
        {&auto260, GetBuffer, nullptr, 261, 0},
        {&direct, GetBuffer, nullptr, 0, 1},
        {&direct, GetBufferNull, nullptr, 5, 1},
        {&heap20, GetBuffer, nullptr, 0, 1},
        {&heap20, GetBufferNull, nullptr, 5, 1},
        {&heap20, GetBuffer, nullptr, 22, 1},
        // SetAt writes one element and leaves the length alone; the heap
        // buffers accept the last element too.
        {&setAuto, SetAt, L"x", 10, 0, L""},
        {&setAuto, CharAt, L"x", 10, 0},
        {&setAuto, SetAt, L"x", 259, 0},
        {&setAuto, SetAt, L"x", 260, 1},
        {&heap5, SetAt, L"x", 5, 0},
        {&heap5, SetAt, L"x", 6, 1},
        {&setDynamic, SetAt, L"x", 0, 1},
        {&setDynamic, Assign, L"abc", 3, 0},
        {&setDynamic, SetAt, L"x", 3, 0},
        {&setDynamic, SetAt, L"x", 4, 1},
    });
    // clang-format on
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
    const int IgnoreCase = -1;  // AreEqualIgnoreCase rather than a mode of AreEqual
    CAutoStringBuffer<260> prefix;
    ASSERT_EQ(0u, prefix.Assign(L"IEFram", 6));
    const CConstantString upper(L"IEFrame");
    const CConstantString lower(L"ieframe");
    const CDynamicHeapStringBuffer noStorage;
    const CConstantString empty(L"");
    struct CComparison
    {
        const IString& first;
        const IString& second;
        int mode;
        bool equal;
    };
    const CComparison cases[] = {
        {upper,                      CConstantString(L"IEFrame"), 0,          true },
        {upper,                      lower,                       0,          false},
        {upper,                      lower,                       2,          false},
        {upper,                      lower,                       1,          true },
        {upper,                      lower,                       IgnoreCase, true },
        {upper,                      prefix,                      1,          false},
        {prefix,                     upper,                       1,          false},
        {empty,                      noStorage,                   1,          true },
 // Only 'A' to 'Z' are folded.
        {CConstantString(L"\u00C4"), CConstantString(L"\u00E4"),  IgnoreCase, false},
        {CConstantString(L"["),      CConstantString(L"{"),       IgnoreCase, false},
        {CConstantString(L"@"),      CConstantString(L"`"),       IgnoreCase, false},
        {CConstantString(L"AZ"),     CConstantString(L"az"),      IgnoreCase, true },
    };
    for (const CComparison& c : cases) {
        SCOPED_TRACE(TextOf(c.first) + L" / " + TextOf(c.second) + L" mode "
                     + std::to_wstring(c.mode));
        const bool equal = c.mode == IgnoreCase ? AreEqualIgnoreCase(c.first, c.second)
                                                : AreEqual(c.first, c.second, uint32_t(c.mode));
        EXPECT_EQ(c.equal, equal);
    }
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
