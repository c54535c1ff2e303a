#pragma once

#include <cstdint>

#include "library/datatype/array/Array.h"
#include "library/datatype/path/Path.h"
#include "library/datatype/string/String.h"
#include "library/datatype/string/StringBuffer.h"

namespace NLibrary { namespace NResource {

// Owns named namespaces, each with a base path and a list of paths. The
// manager is the only owner of its namespaces and deletes them all, before
// its list, when it is destroyed.
class CResourceManager
{
public:
    class CResourceNamespace
    {
    public:
        CResourceNamespace();
        virtual ~CResourceNamespace();

        CResourceNamespace(const CResourceNamespace&) = delete;
        CResourceNamespace& operator=(const CResourceNamespace&) = delete;

        void ClearPaths();

        const NDatatype::NString::IString& GetName() const { return textBuffer; }
        uint32_t SetName(const NDatatype::NString::IString& name);
        const NDatatype::NPath::IPath& GetPath() const { return path; }
        uint32_t SetPath(const NDatatype::NString::IString& text);

        // Refuses an empty path and one longer than a path buffer holds.
        uint32_t AddPath(const NDatatype::NString::IString& text);
        uint32_t GetPathCount() const { return pathList.GetSize(); }
        uint32_t GetPathAt(uint32_t index, const NDatatype::NPath::IPath** out) const;
        // Equality as file-system objects: long forms, short forms, then text.
        bool ContainsPath(const NDatatype::NPath::IPath& other) const;

    private:
        NDatatype::NString::CDynamicHeapStringBuffer textBuffer;
        NDatatype::NArray::CDynamicHeapArrayBuffer<NDatatype::NPath::CAutoPathBuffer> pathList;
        NDatatype::NPath::CAutoPathBuffer path;
    };

    CResourceManager();
    virtual ~CResourceManager();

    CResourceManager(const CResourceManager&) = delete;
    CResourceManager& operator=(const CResourceManager&) = delete;

    void DeleteNamespaces();

    // A new, empty namespace of that name; names are unique without regard
    // to case, and an empty name is refused.
    uint32_t CreateNamespace(const NDatatype::NString::IString& name, CResourceNamespace** out);
    uint32_t FindNamespace(const NDatatype::NString::IString& name, CResourceNamespace** out) const;
    uint32_t GetNamespaceCount() const { return namespaces.GetSize(); }

protected:
    // For managers that adopt namespaces of their own making; null entries
    // are allowed and skipped.
    NDatatype::NArray::CDynamicHeapArrayBuffer<CResourceNamespace*>& GetNamespaceList()
    {
        return namespaces;
    }

private:
    NDatatype::NArray::CDynamicHeapArrayBuffer<CResourceNamespace*> namespaces;
};

}}  // namespace NLibrary::NResource
