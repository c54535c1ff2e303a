#pragma once

// A block of pixels in a memory section that can be selected into a memory
// device context as a DIB for the span of one drawing operation. GDI draws
// straight into the section; the pixels stay there after the bitmap is gone
// and can be read through GetBits() or through any other view of the section
// (bottom-up rows padded to 4 bytes, in the surface's format).

#include <windows.h>

#include <cstdint>

#include "library/resource/UniqueResource.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

enum DIBFormat : int32_t
{
    DIBFormatRGB565 = 0,
    DIBFormatRGB555 = 1,
    DIBFormatARGB32 = 4,
};

// BITMAPINFOHEADER followed by the three colour masks of BI_BITFIELDS.
struct CDIBBitmapInfo
{
    BITMAPINFOHEADER header;
    DWORD masks[3];
};
static_assert(sizeof(CDIBBitmapInfo) == 52, "header and three masks");

// Bytes per pixel of the formats a surface can be set up with; 0 for others.
uint16_t GetDIBBytesPerPixel(int32_t format);

// Bytes of one row of a DIB, rounded up to a multiple of 4.
uint64_t GetDIBRowBytes(uint16_t bytesPerPixel, uint32_t width);

class CDIBSurface
{
public:
    CDIBSurface();
    ~CDIBSurface();
    CDIBSurface(const CDIBSurface&) = delete;
    CDIBSurface& operator=(const CDIBSurface&) = delete;

    // Sets the surface up over a new page-file section that holds width x
    // height pixels of the format (0, 1 or 4). With a name, other processes
    // can open the section. 0 on success, 1 on failure (the surface is then
    // left not set up).
    uint32_t Create(uint32_t width, uint32_t height, int32_t format, const wchar_t* name = nullptr);

    // Sets the surface up over an existing named section, which must be
    // large enough for width x height pixels of the format.
    uint32_t Open(const wchar_t* name, uint32_t width, uint32_t height, int32_t format);

    // Detaches, unmaps and closes; the surface is then not set up.
    void Close();

    bool IsValid() const;
    void* GetBits() const { return pixels.Get(); }
    int32_t GetFormat() const { return format; }
    uint32_t GetWidth() const { return capacityWidth; }
    uint32_t GetHeight() const { return capacityHeight; }

    uint32_t BuildBitmapInfo(CDIBBitmapInfo& info, uint32_t width, int32_t height) const;
    uint32_t AttachToDC(HDC dc, uint32_t width, uint32_t height);
    void DetachFromDC();

    uint16_t GetBytesPerPixel() const { return bytesPerPixel; }
    bool IsAttached() const { return state == 1 && attached == 1; }
    int32_t GetBitmapWidth() const { return bitmapWidth; }
    int32_t GetBitmapHeight() const { return bitmapHeight; }
    // Bytes the section is known to hold: capacity rows of padded length.
    uint64_t GetSectionBytes() const;

private:
    template <typename TSetup>
    uint32_t SetUp(uint32_t width, uint32_t height, int32_t format, TSetup setup);

    uint8_t state;
    NResource::CUniqueFileMapping section;
    // A view of the section from offset 0; unmapped before the section closes.
    NResource::CUniqueMappedView pixels;
    uint8_t attached;
    HDC dc;
    NResource::CUniqueGdiObject<HBITMAP> bitmap;
    HGDIOBJ previousObject;
    uint32_t capacityWidth;
    uint32_t capacityHeight;
    int32_t bitmapWidth;
    int32_t bitmapHeight;
    uint16_t bytesPerPixel;
    int32_t format;
};

}}}  // namespace NLibrary::NWin32::NCapture
