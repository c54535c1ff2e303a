#include "library/capture/SectionView.h"

#include <utility>

namespace NLibrary { namespace NWin32 { namespace NCapture {

uint32_t CSectionView::Create(uint64_t bytes, const wchar_t* name)
{
    Reset();
    if (bytes == 0 || bytes > SIZE_MAX)
        return 1;
    section.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                     DWORD(bytes >> 32), DWORD(bytes), name));
    if (!section.IsValid())
        return 1;
    // An existing object of that name may be of another size and belongs to
    // someone else.
    if (name != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        Reset();
        return 1;
    }
    return Map(bytes);
}

uint32_t CSectionView::Open(const wchar_t* name, uint64_t bytes)
{
    Reset();
    if (name == nullptr || bytes == 0 || bytes > SIZE_MAX)
        return 1;
    section.Reset(OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name));
    if (!section.IsValid())
        return 1;
    return Map(bytes);
}

uint32_t CSectionView::Map(uint64_t bytes)
{
    view.Reset(MapViewOfFile(section.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, SIZE_T(bytes)));
    if (!view.IsValid()) {
        Reset();
        return 1;
    }
    // The platform may map a view larger than a section it rounded down;
    // make sure the whole request is backed.
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(view.Get(), &info, sizeof(info)) == 0 || info.RegionSize < bytes) {
        Reset();
        return 1;
    }
    return 0;
}

void CSectionView::Detach(NResource::CUniqueFileMapping& sectionOut,
                          NResource::CUniqueMappedView& viewOut)
{
    sectionOut = std::move(section);
    viewOut = std::move(view);
}

void CSectionView::Reset()
{
    view.Reset();
    section.Reset();
}

}}}  // namespace NLibrary::NWin32::NCapture
