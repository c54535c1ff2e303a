#pragma once

// Read-only and writable text interfaces, the constant string over a literal,
// and text equality. Text is UTF-16, terminated by 0 in storage; lengths and
// counts are code units without the terminator.

#include <cstdint>

namespace NLibrary { namespace NDatatype { namespace NString {

class IString
{
public:
    virtual bool IsValid() const = 0;
    virtual bool IsIndexValid(uint32_t index) const = 0;
    virtual bool IsEmpty() const = 0;
    virtual uint32_t GetLength() const = 0;
    virtual wchar_t GetAt(uint32_t index) const = 0;
    virtual uint32_t GetString(const wchar_t** out) const = 0;

protected:
    // Never destroyed through this interface.
    ~IString() = default;
};

class IStringBuffer : public IString
{
public:
    virtual ~IStringBuffer() = default;
    virtual uint32_t GetCapacity() const = 0;
    virtual uint32_t GetBufferSize() const = 0;
    virtual uint32_t SetAt(uint32_t index, wchar_t ch) = 0;
    virtual uint32_t AppendChar(wchar_t ch) = 0;
    virtual uint32_t Assign(const IString& source) = 0;
    virtual uint32_t Assign(const wchar_t* text, uint32_t count) = 0;
    virtual IStringBuffer& operator=(const IString& source) = 0;
    virtual uint32_t Append(const IString& source) = 0;
    virtual uint32_t Append(const wchar_t* text, uint32_t count) = 0;
    virtual uint32_t Reserve(uint32_t count) = 0;
    virtual void Clear() = 0;
    virtual void Reset() = 0;
    virtual uint32_t GetBuffer(uint32_t count, wchar_t** out) = 0;
    virtual uint32_t ReleaseBuffer() = 0;

    // Assigning one buffer to another through this interface copies the text,
    // as assigning any other string does.
    IStringBuffer& operator=(const IStringBuffer& source)
    {
        return operator=(static_cast<const IString&>(source));
    }

protected:
    IStringBuffer() = default;
    IStringBuffer(const IStringBuffer&) = default;
};

// A string over a literal that it does not own. Global constants of this class
// keep the pointer in their static image and get their length from a static
// initialiser when the module loads.
class CConstantString : public IString
{
public:
    explicit CConstantString(const wchar_t* literal);

    bool IsValid() const override;
    bool IsIndexValid(uint32_t index) const override;
    bool IsEmpty() const override;
    uint32_t GetLength() const override;
    wchar_t GetAt(uint32_t index) const override;
    uint32_t GetString(const wchar_t** out) const override;

private:
    const wchar_t* text;
    uint32_t length;
};

// The modes of AreEqual; any value but CompareIgnoringCase compares exactly.
enum StringCompareMode : uint32_t
{
    CompareExactly = 0,
    CompareIgnoringCase = 1,  // folds 'A'-'Z' to 'a'-'z' first
};

// Equal lengths and equal code units, in the given mode (StringCompareMode).
// Two empty strings are equal whether or not either has storage.
bool AreEqual(const IString& first, const IString& second, uint32_t mode);
bool AreEqualIgnoreCase(const IString& first, const IString& second);

}}}  // namespace NLibrary::NDatatype::NString
