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

std::wstring Letters(size_t count, wchar_t first)
{
    std::wstring text;
    for (size_t i = 0; i < count; ++i)
        text += wchar_t(first + i % 26);
    return text;
}

}  // namespace NTestSupport
