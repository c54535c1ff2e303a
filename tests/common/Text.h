#pragma once

// The text of the library's string and path objects as std::wstring, so that
// a test can compare it with EXPECT_EQ and see both sides when it fails.

#include <string>

#include "library/datatype/path/Path.h"
#include "library/datatype/string/String.h"

namespace NTestSupport {

// "<no text>" when the object has none to give (GetString fails).
std::wstring TextOf(const NLibrary::NDatatype::NString::IString& text);
std::wstring TextOf(const NLibrary::NDatatype::NPath::IPath& path);

// count letters of the alphabet in turn, from first on, so that a cut or a
// shifted text shows where it went wrong.
std::wstring Letters(size_t count, wchar_t first = L'a');

}  // namespace NTestSupport
