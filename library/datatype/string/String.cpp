#include "library/datatype/string/String.h"

#include <cwchar>

namespace NLibrary { namespace NDatatype { namespace NString {

CConstantString::CConstantString(const wchar_t* literal)
    : text(literal), length(literal == nullptr ? 0 : uint32_t(wcslen(literal)))
{
}

bool CConstantString::IsValid() const
{
    return text != nullptr;
}

bool CConstantString::IsIndexValid(uint32_t index) const
{
    return IsValid() && index < length;
}

bool CConstantString::IsEmpty() const
{
    return length == 0;
}

uint32_t CConstantString::GetLength() const
{
    return length;
}

wchar_t CConstantString::GetAt(uint32_t index) const
{
    return text[index];
}

uint32_t CConstantString::GetString(const wchar_t** out) const
{
    if (out == nullptr || text == nullptr)
        return 1;
    *out = text;
    return 0;
}

namespace {

// Ordinal comparison folding only 'A'-'Z', as _wcsnicmp does in the "C"
// locale; written out so that the result does not depend on the locale the
// process has selected.
int CompareIgnoringAsciiCase(const wchar_t* first, const wchar_t* second, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        wchar_t a = first[i];
        wchar_t b = second[i];
        if (a >= L'A' && a <= L'Z')
            a = wchar_t(a - L'A' + L'a');
        if (b >= L'A' && b <= L'Z')
            b = wchar_t(b - L'A' + L'a');
        if (a != b)
            return a < b ? -1 : 1;
        if (a == L'\0')
            return 0;
    }
    return 0;
}

}  // namespace

bool AreEqual(const IString& first, const IString& second, uint32_t mode)
{
    const uint32_t length = first.GetLength();
    if (length != second.GetLength())
        return false;
    if (length == 0)
        return true;
    const wchar_t* p = nullptr;
    const wchar_t* q = nullptr;
    if (first.GetString(&p) != 0 || second.GetString(&q) != 0)
        return false;
    if (mode == CompareIgnoringCase)
        return CompareIgnoringAsciiCase(p, q, length) == 0;
    return wcsncmp(p, q, length) == 0;
}

bool AreEqualIgnoreCase(const IString& first, const IString& second)
{
    return AreEqual(first, second, CompareIgnoringCase);
}

}}}  // namespace NLibrary::NDatatype::NString
