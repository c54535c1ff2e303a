#pragma once

// The rectangles of a region, read with GetRegionData into a heap block that
// the object owns.

#include <windows.h>

#include <cstdint>

namespace NLibrary { namespace NWin32 { namespace NCapture {

class CRegionData
{
public:
    CRegionData() = default;
    ~CRegionData();
    CRegionData(const CRegionData&) = delete;
    CRegionData& operator=(const CRegionData&) = delete;

    // 0 on success; 1 when the size cannot be had, the block cannot be
    // allocated or the second GetRegionData fails.
    uint32_t Read(HRGN region);

    uint32_t GetCount() const;
    const RECT* GetRects() const;

private:
    RGNDATA* data = nullptr;
};

}}}  // namespace NLibrary::NWin32::NCapture
