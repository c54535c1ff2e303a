#include "tests/common/Text.h"

namespace NTestSupport {

namespace {

const wchar_t NoText[] = L"<no text>";

}  // namespace

std::wstring TextOf(const NLibrary::NDatatype::NString::IString& text)
{
    const wchar_t* p = nullptr;
    return text.GetString(&p) == 0 ? std::wstring(p) : std::wstring(NoText);
}

std::wstring TextOf(const NLibrary::NDatatype::NPath::IPath& path)
{
    const wchar_t* p = nullptr;
    return path.GetString(&p) == 0 ? std::wstring(p) : std::wstring(NoText);
}

}  // namespace NTestSupport
