#include "library/datatype/string/SafeString.h"

#include <strsafe.h>

namespace NLibrary { namespace NDatatype { namespace NString {

namespace {

bool IsSizeValid(size_t size)
{
    return size != 0 && size <= SafeStringMaxSize;
}

// dest has room for at least one element.
HRESULT CopyBounded(wchar_t* dest, size_t destSize, const wchar_t* source, size_t count)
{
    size_t copied = 0;
    while (copied < count && source[copied] != L'\0') {
        if (copied == destSize - 1) {
            dest[copied] = L'\0';
            return STRSAFE_E_INSUFFICIENT_BUFFER;
        }
        dest[copied] = source[copied];
        ++copied;
    }
    dest[copied] = L'\0';
    return S_OK;
}

}  // namespace

HRESULT SafeCopyN(wchar_t* dest, size_t destSize, const wchar_t* source, size_t count)
{
    if (!IsSizeValid(destSize))
        return STRSAFE_E_INVALID_PARAMETER;
    if (count > SafeStringMaxCount) {
        dest[0] = L'\0';
        return STRSAFE_E_INVALID_PARAMETER;
    }
    return CopyBounded(dest, destSize, source, count);
}

HRESULT SafeCatN(wchar_t* dest, size_t destSize, const wchar_t* source, size_t count)
{
    if (!IsSizeValid(destSize) || count > SafeStringMaxCount)
        return STRSAFE_E_INVALID_PARAMETER;
    size_t used = 0;
    if (FAILED(SafeLength(dest, destSize, &used)))
        return STRSAFE_E_INVALID_PARAMETER;
    return CopyBounded(dest + used, destSize - used, source, count);
}

HRESULT SafeLength(const wchar_t* text, size_t maxSize, size_t* length)
{
    if (!IsSizeValid(maxSize))
        return STRSAFE_E_INVALID_PARAMETER;
    return StringCchLengthW(text, maxSize, length);
}

}}}  // namespace NLibrary::NDatatype::NString
