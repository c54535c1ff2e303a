#pragma once

// Owner of a file-mapping object and of one view of it mapped from offset 0.
// A surface builds one of these while it sets itself up, so that every
// failure on the way releases what was already acquired, and takes the
// handle and the view over once everything has succeeded.

#include <windows.h>

#include <cstdint>

#include "library/resource/UniqueResource.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

class CSectionView
{
public:
    CSectionView() = default;

    // A new page-file section of the given size, named when name is non-null
    // (a name that already exists is refused rather than shared), mapped
    // read-write. 0 on success, 1 on failure.
    uint32_t Create(uint64_t bytes, const wchar_t* name);

    // An existing named section, of which the first bytes are mapped
    // read-write; fails when the section is smaller than that.
    uint32_t Open(const wchar_t* name, uint64_t bytes);

    // Hands handle and view over to the caller's owners.
    void Detach(NResource::CUniqueFileMapping& sectionOut, NResource::CUniqueMappedView& viewOut);

private:
    uint32_t Map(uint64_t bytes);
    void Reset();

    // Declared in the order of acquisition: the view goes before the section.
    NResource::CUniqueFileMapping section;
    NResource::CUniqueMappedView view;
};

}}}  // namespace NLibrary::NWin32::NCapture
