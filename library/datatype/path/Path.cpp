#include "library/datatype/path/Path.h"

#include <windows.h>

namespace NLibrary { namespace NDatatype { namespace NPath {

using NString::AreEqual;
using NString::CConstantString;
using NString::CompareIgnoringCase;

namespace {

using PathConverter = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

// Windows returns the size it would need, terminator included, when the
// converted form does not fit; that counts as a failure like 0 does, so that
// a form that was never written is not taken for an empty path.
bool ConvertPath(PathConverter convert, IPathBuffer& destination, const IString& source)
{
    const wchar_t* s = nullptr;
    if (source.GetString(&s) != 0)
        return false;
    wchar_t* p = nullptr;
    if (destination.GetBuffer(&p) != 0)
        return false;
    const DWORD result = convert(s, p, CAutoPathBuffer::MaxLength);
    destination.ReleaseBuffer();
    return result != 0 && result < CAutoPathBuffer::MaxLength;
}

bool AreFormsEqual(PathConverter convert, const IString& first, const IString& second)
{
    CAutoPathBuffer firstForm;
    CAutoPathBuffer secondForm;
    return ConvertPath(convert, firstForm, first) && ConvertPath(convert, secondForm, second)
           && AreEqual(firstForm.AsString(), secondForm.AsString(), CompareIgnoringCase);
}

// Two paths name the same object when their long forms, their short forms or
// their texts are equal, all without regard to case.
bool ArePathsEqual(const IString& first, const IString& second)
{
    return AreFormsEqual(GetLongPathNameW, first, second)
           || AreFormsEqual(GetShortPathNameW, first, second)
           || AreEqual(first, second, CompareIgnoringCase);
}

}  // namespace

CAutoPathBuffer::CAutoPathBuffer() = default;

CAutoPathBuffer::CAutoPathBuffer(const CAutoPathBuffer& other) : IPathBuffer()
{
    text.Assign(other.text);
}

CAutoPathBuffer& CAutoPathBuffer::operator=(const CAutoPathBuffer& other)
{
    text.Assign(other.text);
    return *this;
}

CAutoPathBuffer::~CAutoPathBuffer()
{
    text.Clear();
}

bool CAutoPathBuffer::IsValid() const
{
    return text.IsValid();
}
bool CAutoPathBuffer::IsIndexValid(uint32_t index) const
{
    return text.IsIndexValid(index);
}
bool CAutoPathBuffer::IsEmpty() const
{
    return text.IsEmpty();
}
uint32_t CAutoPathBuffer::GetLength() const
{
    return text.GetLength();
}

bool CAutoPathBuffer::IsEqual(const IPath& other) const
{
    return ArePathsEqual(text, other.AsString());
}

bool CAutoPathBuffer::operator==(const IPath& other) const
{
    return IsEqual(other);
}
bool CAutoPathBuffer::IsNotEqual(const IPath& other) const
{
    return !IsEqual(other);
}
bool CAutoPathBuffer::operator!=(const IPath& other) const
{
    return !IsEqual(other);
}
const IString& CAutoPathBuffer::AsString() const
{
    return text;
}
uint32_t CAutoPathBuffer::GetString(const wchar_t** out) const
{
    return text.GetString(out);
}
uint32_t CAutoPathBuffer::GetCapacity() const
{
    return text.GetCapacity();
}
void CAutoPathBuffer::Clear()
{
    text.Clear();
}
uint32_t CAutoPathBuffer::Assign(const IString& source)
{
    return text.Assign(source);
}
uint32_t CAutoPathBuffer::Assign(const IPath& source)
{
    return text.Assign(source.AsString());
}

IPathBuffer& CAutoPathBuffer::operator=(const IString& source)
{
    text.Assign(source);
    return *this;
}

IPathBuffer& CAutoPathBuffer::operator=(const IPath& source)
{
    text.Assign(source.AsString());
    return *this;
}

uint32_t CAutoPathBuffer::Append(const IString& source)
{
    return text.Append(source);
}

uint32_t CAutoPathBuffer::GetStringBuffer(IStringBuffer** out)
{
    if (out == nullptr)
        return 1;
    *out = &text;
    return 0;
}

uint32_t CAutoPathBuffer::GetBuffer(wchar_t** out)
{
    return text.GetBuffer(MaxLength, out);
}
uint32_t CAutoPathBuffer::ReleaseBuffer()
{
    return text.ReleaseBuffer();
}

uint32_t ToShortPath(IPathBuffer& destination, const IString& source)
{
    return ConvertPath(GetShortPathNameW, destination, source) ? 0 : 1;
}

uint32_t ToLongPath(IPathBuffer& destination, const IString& source)
{
    return ConvertPath(GetLongPathNameW, destination, source) ? 0 : 1;
}

bool IsDirectory(const IPath& path)
{
    static const CConstantString CurrentDirectory(L".");
    static const CConstantString ParentDirectory(L"..");

    const wchar_t* s = nullptr;
    if (path.GetString(&s) != 0)
        return false;
    const DWORD attributes = GetFileAttributesW(s);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    return !AreEqual(path.AsString(), CurrentDirectory, CompareIgnoringCase)
           && !AreEqual(path.AsString(), ParentDirectory, CompareIgnoringCase);
}

}}}  // namespace NLibrary::NDatatype::NPath
