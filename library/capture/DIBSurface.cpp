#include "library/capture/DIBSurface.h"

#include <cstring>

#include "library/capture/SectionView.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

uint16_t GetDIBBytesPerPixel(int32_t format)
{
    switch (format) {
    case DIBFormatRGB565:
    case DIBFormatRGB555:
        return 2;
    case DIBFormatARGB32:
        return 4;
    default:
        return 0;
    }
}

namespace {

// Red, green and blue masks of the 16-bit formats; null for a format that
// needs none (BI_RGB).
const DWORD* GetBitfieldMasks(int32_t format)
{
    static const DWORD rgb565[3] = {0xF800, 0x07E0, 0x001F};
    static const DWORD rgb555[3] = {0x7C00, 0x03E0, 0x001F};
    if (format == DIBFormatRGB565)
        return rgb565;
    if (format == DIBFormatRGB555)
        return rgb555;
    return nullptr;
}

}  // namespace

uint64_t GetDIBRowBytes(uint16_t bytesPerPixel, uint32_t width)
{
    return (uint64_t(bytesPerPixel) * width + 3) & ~uint64_t(3);
}

CDIBSurface::CDIBSurface()
    : state(0), attached(0), dc(nullptr), previousObject(nullptr), capacityWidth(0),
      capacityHeight(0), bitmapWidth(0), bitmapHeight(0), bytesPerPixel(0), format(0)
{
}

CDIBSurface::~CDIBSurface()
{
    Close();
}

template <typename TSetup>
uint32_t CDIBSurface::SetUp(uint32_t width, uint32_t height, int32_t newFormat, TSetup setup)
{
    Close();
    const uint16_t size = GetDIBBytesPerPixel(newFormat);
    if (width == 0 || height == 0 || size == 0)
        return 1;
    CSectionView view;
    if (setup(view, GetDIBRowBytes(size, width) * height) != 0)
        return 1;
    view.Detach(section, pixels);
    capacityWidth = width;
    capacityHeight = height;
    bytesPerPixel = size;
    format = newFormat;
    state = 1;
    return 0;
}

uint32_t CDIBSurface::Create(uint32_t width, uint32_t height, int32_t newFormat,
                             const wchar_t* name)
{
    return SetUp(width, height, newFormat,
                 [name](CSectionView& view, uint64_t bytes) { return view.Create(bytes, name); });
}

uint32_t CDIBSurface::Open(const wchar_t* name, uint32_t width, uint32_t height, int32_t newFormat)
{
    return SetUp(width, height, newFormat,
                 [name](CSectionView& view, uint64_t bytes) { return view.Open(name, bytes); });
}

void CDIBSurface::Close()
{
    DetachFromDC();
    pixels.Reset();
    section.Reset();
    state = 0;
    capacityWidth = 0;
    capacityHeight = 0;
    bitmapWidth = 0;
    bitmapHeight = 0;
    bytesPerPixel = 0;
    format = 0;
}

bool CDIBSurface::IsValid() const
{
    return state == 1 && section.IsValid() && pixels.IsValid();
}

uint64_t CDIBSurface::GetSectionBytes() const
{
    return GetDIBRowBytes(bytesPerPixel, capacityWidth) * capacityHeight;
}

uint32_t CDIBSurface::BuildBitmapInfo(CDIBBitmapInfo& info, uint32_t width, int32_t height) const
{
    ZeroMemory(&info, sizeof(info));
    BITMAPINFOHEADER& header = info.header;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = LONG(width);
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = WORD(bytesPerPixel * 8);
    const DWORD* masks = GetBitfieldMasks(format);
    header.biCompression = masks != nullptr ? BI_BITFIELDS : BI_RGB;
    if (masks != nullptr)
        memcpy(info.masks, masks, sizeof(info.masks));
    // A top-down DIB (negative height) has as many rows as a bottom-up one.
    const uint32_t rows = height < 0 ? 0u - uint32_t(height) : uint32_t(height);
    header.biSizeImage = (((uint32_t(header.biBitCount) * width + 31) >> 3) & ~3u) * rows;
    return 0;
}

uint32_t CDIBSurface::AttachToDC(HDC target, uint32_t width, uint32_t height)
{
    if (target == nullptr || width == 0 || height == 0 || !IsValid())
        return 1;
    // GDI must never be given a bitmap that reaches past the section.
    if (width > INT32_MAX || height > INT32_MAX
        || GetDIBRowBytes(bytesPerPixel, width) * height > GetSectionBytes())
        return 1;
    CDIBBitmapInfo info;
    if (BuildBitmapInfo(info, width, int32_t(height)) != 0)
        return 1;
    void* bits = nullptr;
    HBITMAP created = CreateDIBSection(target, reinterpret_cast<const BITMAPINFO*>(&info),
                                       DIB_RGB_COLORS, &bits, section.Get(), 0);
    if (created == nullptr)
        return 1;
    HGDIOBJ previous = SelectObject(target, created);
    attached = 1;
    bitmap.Reset(created);
    dc = target;
    bitmapWidth = int32_t(width);
    bitmapHeight = int32_t(height);
    previousObject = previous;
    return 0;
}

void CDIBSurface::DetachFromDC()
{
    if (state != 1 || attached != 1)
        return;
    SelectObject(dc, previousObject);
    dc = nullptr;
    previousObject = nullptr;
    bitmap.Reset();
    attached = 0;
}

}}}  // namespace NLibrary::NWin32::NCapture
