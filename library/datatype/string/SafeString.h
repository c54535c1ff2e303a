#pragma once

// The bounded copy, append and measure primitives under the string buffers,
// with the results of the Windows safe-string functions StringCchCopyNW,
// StringCchCatNW and StringCchLengthW. Sizes and counts are in wchar_t; sizes
// include the terminator.
//
// The toolchain's strsafe.h departs from those functions at the count limit:
// its StringCchCopyNW copies for a count of 0x7FFFFFFF and writes nothing for
// larger counts, and its StringCchCatNW does not check the count at all. The
// copy and append are therefore our own; the measure is the toolchain's.

#include <cstddef>
#include <cstdint>

#include <windows.h>

namespace NLibrary { namespace NDatatype { namespace NString {

constexpr size_t SafeStringMaxSize = 0x7FFFFFFF;   // largest size, terminator included
constexpr size_t SafeStringMaxCount = 0x7FFFFFFE;  // largest count of characters

// Up to count characters of source, stopping at its first 0, and a 0.
// S_OK when complete; STRSAFE_E_INSUFFICIENT_BUFFER when cut to destSize - 1.
HRESULT SafeCopyN(wchar_t* dest, size_t destSize, const wchar_t* source, size_t count);

// The same copy behind the first 0 of dest, within destSize elements.
HRESULT SafeCatN(wchar_t* dest, size_t destSize, const wchar_t* source, size_t count);

// Characters before the first 0 within maxSize elements.
HRESULT SafeLength(const wchar_t* text, size_t maxSize, size_t* length);

}}}  // namespace NLibrary::NDatatype::NString
