#pragma once

// Paths of at most 260 characters, and the questions Windows answers about
// them: short and long forms, whether two paths name the same object, and
// whether a path is a directory. No parsing of separators or components.

#include <cstdint>

#include "library/datatype/string/String.h"
#include "library/datatype/string/StringBuffer.h"

namespace NLibrary { namespace NDatatype { namespace NPath {

using NString::IString;
using NString::IStringBuffer;

class IPath
{
public:
    virtual bool IsValid() const = 0;
    virtual bool IsIndexValid(uint32_t index) const = 0;
    virtual bool IsEmpty() const = 0;
    virtual uint32_t GetLength() const = 0;
    virtual bool IsEqual(const IPath& other) const = 0;
    virtual bool operator==(const IPath& other) const = 0;
    virtual bool IsNotEqual(const IPath& other) const = 0;
    virtual bool operator!=(const IPath& other) const = 0;
    virtual const IString& AsString() const = 0;
    virtual uint32_t GetString(const wchar_t** out) const = 0;

protected:
    // Never destroyed through this interface.
    ~IPath() = default;
};

class IPathBuffer : public IPath
{
public:
    virtual ~IPathBuffer() = default;
    virtual uint32_t GetCapacity() const = 0;
    virtual void Clear() = 0;
    virtual uint32_t Assign(const IString& source) = 0;
    virtual uint32_t Assign(const IPath& source) = 0;
    virtual IPathBuffer& operator=(const IString& source) = 0;
    virtual IPathBuffer& operator=(const IPath& source) = 0;
    virtual uint32_t Append(const IString& source) = 0;
    virtual uint32_t GetStringBuffer(IStringBuffer** out) = 0;
    virtual uint32_t GetBuffer(wchar_t** out) = 0;
    virtual uint32_t ReleaseBuffer() = 0;

    // Assigning one path buffer to another through this interface copies
    // the path, as assigning any other path does.
    IPathBuffer& operator=(const IPathBuffer& source)
    {
        return operator=(static_cast<const IPath&>(source));
    }

protected:
    IPathBuffer() = default;
    IPathBuffer(const IPathBuffer&) = default;
};

// A path held in 261 characters inside the object (260 and the terminator).
class CAutoPathBuffer : public IPathBuffer
{
public:
    static constexpr uint32_t MaxLength = 260;

    CAutoPathBuffer();
    CAutoPathBuffer(const CAutoPathBuffer& other);
    CAutoPathBuffer& operator=(const CAutoPathBuffer& other);
    ~CAutoPathBuffer() override;

    bool IsValid() const override;
    bool IsIndexValid(uint32_t index) const override;
    bool IsEmpty() const override;
    uint32_t GetLength() const override;
    bool IsEqual(const IPath& other) const override;
    bool operator==(const IPath& other) const override;
    bool IsNotEqual(const IPath& other) const override;
    bool operator!=(const IPath& other) const override;
    const IString& AsString() const override;
    uint32_t GetString(const wchar_t** out) const override;

    uint32_t GetCapacity() const override;
    void Clear() override;
    uint32_t Assign(const IString& source) override;
    uint32_t Assign(const IPath& source) override;
    IPathBuffer& operator=(const IString& source) override;
    IPathBuffer& operator=(const IPath& source) override;
    uint32_t Append(const IString& source) override;
    uint32_t GetStringBuffer(IStringBuffer** out) override;
    uint32_t GetBuffer(wchar_t** out) override;
    uint32_t ReleaseBuffer() override;

private:
    NString::CAutoStringBuffer<MaxLength> text;
};

// The short (8.3) or long form of source, as Windows reports it, into
// destination. 1 when Windows cannot convert the path (it does not exist,
// access is denied) or when the converted form would not fit in 260
// characters; destination then keeps what its storage held.
uint32_t ToShortPath(IPathBuffer& destination, const IString& source);
uint32_t ToLongPath(IPathBuffer& destination, const IString& source);

// An existing directory, other than the texts "." and "..".
bool IsDirectory(const IPath& path);

}}}  // namespace NLibrary::NDatatype::NPath
