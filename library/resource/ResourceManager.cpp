#include "library/resource/ResourceManager.h"

#include <memory>

namespace NLibrary { namespace NResource {

using NDatatype::NPath::IPath;
using NDatatype::NString::IString;

namespace {

const uint32_t kGrowBy = 4;

uint32_t AssignPath(NDatatype::NPath::CAutoPathBuffer& target, const IString& text)
{
    if (text.IsEmpty() || text.GetLength() > target.GetCapacity())
        return 1;
    return target.Assign(text);
}

}  // namespace

CResourceManager::CResourceNamespace::CResourceNamespace() : pathList(kGrowBy)
{
}

// The members go after the paths: path, pathList, then textBuffer.
CResourceManager::CResourceNamespace::~CResourceNamespace()
{
    ClearPaths();
}

void CResourceManager::CResourceNamespace::ClearPaths()
{
    pathList.Release();
}

uint32_t CResourceManager::CResourceNamespace::SetName(const IString& name)
{
    return textBuffer.Assign(name);
}

uint32_t CResourceManager::CResourceNamespace::SetPath(const IString& text)
{
    return AssignPath(path, text);
}

uint32_t CResourceManager::CResourceNamespace::AddPath(const IString& text)
{
    NDatatype::NPath::CAutoPathBuffer checked;
    if (AssignPath(checked, text) != 0 || pathList.Grow(1) != 0)
        return 1;
    pathList.GetAt(pathList.GetSize() - 1) = checked;
    return 0;
}

uint32_t CResourceManager::CResourceNamespace::GetPathAt(uint32_t index, const IPath** out) const
{
    if (out == nullptr || !pathList.IsIndexValid(index))
        return 1;
    *out = &pathList.GetAt(index);
    return 0;
}

bool CResourceManager::CResourceNamespace::ContainsPath(const IPath& other) const
{
    for (uint32_t i = 0; i < pathList.GetSize(); ++i) {
        if (pathList.GetAt(i).IsEqual(other))
            return true;
    }
    return false;
}

CResourceManager::CResourceManager() : namespaces(kGrowBy)
{
}

CResourceManager::~CResourceManager()
{
    DeleteNamespaces();
}

void CResourceManager::DeleteNamespaces()
{
    for (uint32_t i = 0; i < namespaces.GetSize(); ++i) {
        CResourceNamespace* entry = namespaces.GetAt(i);
        namespaces.GetAt(i) = nullptr;
        delete entry;
    }
    namespaces.Release();
}

uint32_t CResourceManager::CreateNamespace(const IString& name, CResourceNamespace** out)
{
    CResourceNamespace* existing = nullptr;
    if (out == nullptr || name.IsEmpty() || FindNamespace(name, &existing) == 0)
        return 1;
    std::unique_ptr<CResourceNamespace> created(new CResourceNamespace());
    if (created->SetName(name) != 0 || namespaces.Grow(1) != 0)
        return 1;
    namespaces.GetAt(namespaces.GetSize() - 1) = created.get();
    *out = created.release();
    return 0;
}

uint32_t CResourceManager::FindNamespace(const IString& name, CResourceNamespace** out) const
{
    if (out == nullptr)
        return 1;
    for (uint32_t i = 0; i < namespaces.GetSize(); ++i) {
        CResourceNamespace* entry = namespaces.GetAt(i);
        if (entry != nullptr && NDatatype::NString::AreEqualIgnoreCase(entry->GetName(), name)) {
            *out = entry;
            return 0;
        }
    }
    return 1;
}

}}  // namespace NLibrary::NResource
