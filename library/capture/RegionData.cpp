#include "library/capture/RegionData.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

CRegionData::~CRegionData()
{
    if (data != nullptr)
        HeapFree(GetProcessHeap(), 0, data);
}

uint32_t CRegionData::Read(HRGN region)
{
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size < sizeof(RGNDATAHEADER))
        return 1;
    RGNDATA* block = static_cast<RGNDATA*>(HeapAlloc(GetProcessHeap(), 0, size));
    if (block == nullptr)
        return 1;
    // The count must describe rectangles that lie inside the block.
    if (GetRegionData(region, size, block) == 0
        || block->rdh.nCount > (size - sizeof(RGNDATAHEADER)) / sizeof(RECT)) {
        HeapFree(GetProcessHeap(), 0, block);
        return 1;
    }
    if (data != nullptr)
        HeapFree(GetProcessHeap(), 0, data);
    data = block;
    return 0;
}

uint32_t CRegionData::GetCount() const
{
    return data != nullptr ? data->rdh.nCount : 0;
}

const RECT* CRegionData::GetRects() const
{
    return data != nullptr ? reinterpret_cast<const RECT*>(data->Buffer) : nullptr;
}

}}}  // namespace NLibrary::NWin32::NCapture
