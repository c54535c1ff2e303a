#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#define STRSAFE_NO_DEPRECATE
#include <strsafe.h>

#include "library/datatype/string/SafeString.h"

using namespace NLibrary::NDatatype::NString;

// The bounded copy, append and measure contract, checked at its edges against
// our primitives and against the toolchain's strsafe.h. Destinations are 12
// elements pre-filled with '#'; '|' stands for a 0 in the expected contents,
// so that a write past destSize or a missing terminator shows.

namespace {

constexpr size_t DestElements = 12;

struct CCase
{
    const char* name;
    size_t destSize;
    const wchar_t* initial;
    const wchar_t* source;
    size_t count;
    HRESULT result;
    const wchar_t* contents;
};

using CopyFunction = HRESULT (*)(wchar_t*, size_t, const wchar_t*, size_t);

std::wstring Render(const wchar_t* dest)
{
    std::wstring text;
    for (size_t i = 0; i < DestElements; ++i)
        text += dest[i] == L'\0' ? L'|' : dest[i];
    return text;
}

std::wstring Padded(const wchar_t* contents)
{
    std::wstring text(contents);
    text.resize(DestElements, L'#');
    return text;
}

void Fill(wchar_t* dest, const wchar_t* initial)
{
    for (size_t i = 0; i < DestElements; ++i)
        dest[i] = L'#';
    for (size_t i = 0; initial[i] != L'\0'; ++i)
        dest[i] = initial[i] == L'|' ? L'\0' : initial[i];
}

const CCase CopyCases[] = {
    {"size 0",                   0,           L"xyz", L"ab",       2,           STRSAFE_E_INVALID_PARAMETER,   L"xyz" },
    {"size above 0x7FFFFFFF",    0x80000000u, L"xyz", L"ab",       2,           STRSAFE_E_INVALID_PARAMETER,   L"xyz" },
    {"size 0x7FFFFFFF",          0x7FFFFFFF,  L"xyz", L"ab",       2,           S_OK,                          L"ab|" },
    {"count 0x7FFFFFFE",         4,           L"xyz", L"ab",       0x7FFFFFFE,  S_OK,                          L"ab|" },
    {"count 0x7FFFFFFF",         4,           L"xyz", L"ab",       0x7FFFFFFF,  STRSAFE_E_INVALID_PARAMETER,   L"|yz" },
    {"count 0x80000000",         4,           L"xyz", L"ab",       0x80000000u, STRSAFE_E_INVALID_PARAMETER,   L"|yz" },
    {"count 0",                  4,           L"xyz", L"ab",       0,           S_OK,                          L"|yz" },
    {"count cuts the source",    8,           L"",    L"abcdef",   3,           S_OK,                          L"abc|"},
    {"source ends before count", 8,           L"",    L"ab",       6,           S_OK,                          L"ab|" },
    {"fills the size exactly",   4,           L"",    L"abc",      3,           S_OK,                          L"abc|"},
    {"one too many",             4,           L"",    L"abcd",     4,           STRSAFE_E_INSUFFICIENT_BUFFER, L"abc|"},
    {"far too many",             4,           L"",    L"abcdefgh", 8,           STRSAFE_E_INSUFFICIENT_BUFFER, L"abc|"},
    {"size 1",                   1,           L"xyz", L"a",        1,           STRSAFE_E_INSUFFICIENT_BUFFER, L"|yz" },
    {"size 1, empty source",     1,           L"xyz", L"",         5,           S_OK,                          L"|yz" },
};

const CCase CatCases[] = {
    {"size 0",                    0,           L"x|",   L"ab",     2,          STRSAFE_E_INVALID_PARAMETER,   L"x|"   },
    {"size above 0x7FFFFFFF",     0x80000000u, L"x|",   L"ab",     2,          STRSAFE_E_INVALID_PARAMETER,   L"x|"   },
    {"no terminator within size", 3,           L"xyz|", L"ab",     2,          STRSAFE_E_INVALID_PARAMETER,   L"xyz|" },
    {"count 0x7FFFFFFF",          8,           L"x|",   L"ab",     0x7FFFFFFF, STRSAFE_E_INVALID_PARAMETER,   L"x|"   },
    {"count 0x7FFFFFFE",          8,           L"x|",   L"ab",     0x7FFFFFFE, S_OK,                          L"xab|" },
    {"count 0",                   8,           L"x|",   L"ab",     0,          S_OK,                          L"x|"   },
    {"fills the size exactly",    5,           L"x|",   L"abc",    3,          S_OK,                          L"xabc|"},
    {"one too many",              5,           L"x|",   L"abcd",   4,          STRSAFE_E_INSUFFICIENT_BUFFER, L"xabc|"},
    {"destination already full",  4,           L"xyz|", L"a",      1,          STRSAFE_E_INSUFFICIENT_BUFFER, L"xyz|" },
    {"count cuts the source",     8,           L"x|",   L"abcdef", 2,          S_OK,                          L"xab|" },
};

// Where the toolchain's functions depart from the contract.
const std::set<std::string> KnownCopyDepartures = {"count 0x7FFFFFFF", "count 0x80000000"};
const std::set<std::string> KnownCatDepartures = {"count 0x7FFFFFFF"};

void RunCase(CopyFunction function, const CCase& c, HRESULT* result, std::wstring* contents)
{
    wchar_t dest[DestElements];
    Fill(dest, c.initial);
    *result = function(dest, c.destSize, c.source, c.count);
    *contents = Render(dest);
}

void ExpectContract(CopyFunction function, const CCase* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const CCase& c = cases[i];
        SCOPED_TRACE(c.name);
        HRESULT result = S_OK;
        std::wstring contents;
        RunCase(function, c, &result, &contents);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(Padded(c.contents), contents);
    }
}

void ExpectToolchainDepartures(CopyFunction function, const CCase* cases, size_t count,
                               const std::set<std::string>& departures)
{
    for (size_t i = 0; i < count; ++i) {
        const CCase& c = cases[i];
        SCOPED_TRACE(c.name);
        HRESULT result = S_OK;
        std::wstring contents;
        RunCase(function, c, &result, &contents);
        const bool conforms = result == c.result && contents == Padded(c.contents);
        EXPECT_EQ(departures.count(c.name) == 0, conforms);
    }
}

HRESULT ToolchainCopy(wchar_t* d, size_t s, const wchar_t* t, size_t n)
{
    return StringCchCopyNW(d, s, t, n);
}
HRESULT ToolchainCat(wchar_t* d, size_t s, const wchar_t* t, size_t n)
{
    return StringCchCatNW(d, s, t, n);
}

}  // namespace

TEST(SafeStringContract, CopyMeetsTheContractAtEveryEdge)
{
    ExpectContract(SafeCopyN, CopyCases, std::size(CopyCases));
}

TEST(SafeStringContract, AppendMeetsTheContractAtEveryEdge)
{
    ExpectContract(SafeCatN, CatCases, std::size(CatCases));
}

TEST(SafeStringContract, ToolchainDepartsOnlyAtTheCountLimit)
{
    ExpectToolchainDepartures(ToolchainCopy, CopyCases, std::size(CopyCases), KnownCopyDepartures);
    ExpectToolchainDepartures(ToolchainCat, CatCases, std::size(CatCases), KnownCatDepartures);
}

TEST(SafeStringContract, LengthNeedsATerminatorWithinTheSize)
{
    const wchar_t text[] = L"abc";
    size_t length = 99;
    for (auto measure : {&SafeLength, &StringCchLengthW}) {
        EXPECT_EQ(S_OK, measure(text, 4, &length));
        EXPECT_EQ(3u, length);
        EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, measure(text, 3, &length));
        EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, measure(text, 0, &length));
        EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, measure(text, 0x80000000u, &length));
        EXPECT_EQ(STRSAFE_E_INVALID_PARAMETER, measure(nullptr, 4, &length));
        EXPECT_EQ(S_OK, measure(text, 0x7FFFFFFF, &length));
        EXPECT_EQ(3u, length);
    }
}
