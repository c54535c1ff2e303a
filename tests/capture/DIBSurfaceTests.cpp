#include <gtest/gtest.h>

#include <windows.h>

#include "library/capture/DIBSurface.h"
#include "library/capture/GdiOwners.h"
#include "tests/capture/CaptureTestSupport.h"

using namespace NLibrary::NWin32::NCapture;

namespace {

// A memory DC and the bitmap it starts with, which a surface must give back.
struct CMemoryDC
{
    CUniqueMemoryDC owner {CreateCompatibleDC(nullptr)};
    const HDC dc = owner.Get();
    const HGDIOBJ original = GetCurrentObject(dc, OBJ_BITMAP);

    bool HasItsBitmap() const { return GetCurrentObject(dc, OBJ_BITMAP) == original; }
};

// A new surface of the given size, attached to the DC whole.
bool CreateAttached(CDIBSurface& surface, const CMemoryDC& memory, uint32_t width, uint32_t height,
                    int32_t format)
{
    return surface.Create(width, height, format) == 0
           && surface.AttachToDC(memory.dc, width, height) == 0;
}

CDIBBitmapInfo BuildInfo(int32_t format, uint32_t width, int32_t height)
{
    CDIBSurface surface;
    EXPECT_EQ(0u, surface.Create(8, 8, format));
    CDIBBitmapInfo info;
    memset(&info, 0xCC, sizeof(info));
    EXPECT_EQ(0u, surface.BuildBitmapInfo(info, width, height));
    return info;
}

}  // namespace

TEST(BuildBitmapInfo, FillsTheHeaderAndMasksOfEachFormat)
{
    struct SInfo
    {
        const char* name;
        int32_t format;
        uint32_t width;
        int32_t height;
        WORD bitCount;
        DWORD compression;
        DWORD masks[3];
        DWORD sizeImage;
    };
    const SInfo cases[] = {
        {"32",          DIBFormatARGB32, 3, 2,  32, BI_RGB,       {0, 0, 0},                24},
        {"565 padded",  DIBFormatRGB565, 3, 2,  16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 16},
 // Five pixels are 10 bytes, padded to 12.
        {"555 padded",  DIBFormatRGB555, 5, 7,  16, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}, 84},
        {"555 even",    DIBFormatRGB555, 4, 7,  16, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}, 56},
 // A top-down DIB keeps the sign of its height and has as many rows.
        {"32 top-down", DIBFormatARGB32, 3, -2, 32, BI_RGB,       {0, 0, 0},                24},
    };
    for (const SInfo& c : cases) {
        SCOPED_TRACE(c.name);
        const CDIBBitmapInfo info = BuildInfo(c.format, c.width, c.height);
        EXPECT_EQ(40u, info.header.biSize);
        EXPECT_EQ(LONG(c.width), info.header.biWidth);
        EXPECT_EQ(c.height, info.header.biHeight);
        EXPECT_EQ(1, info.header.biPlanes);
        EXPECT_EQ(c.bitCount, info.header.biBitCount);
        EXPECT_EQ(c.compression, info.header.biCompression);
        EXPECT_EQ(c.sizeImage, info.header.biSizeImage);
        EXPECT_EQ(0, info.header.biXPelsPerMeter);
        EXPECT_EQ(0, info.header.biYPelsPerMeter);
        EXPECT_EQ(0u, info.header.biClrUsed);
        EXPECT_EQ(0u, info.header.biClrImportant);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(c.masks[i], info.masks[i]) << "mask " << i;
    }
}

TEST(DIBSurface, CreateSetsUpCapacityAndFormat)
{
    CDIBSurface surface;
    EXPECT_FALSE(surface.IsValid());
    EXPECT_EQ(nullptr, surface.GetBits());
    ASSERT_EQ(0u, surface.Create(5, 3, DIBFormatRGB555));
    EXPECT_TRUE(surface.IsValid());
    EXPECT_NE(nullptr, surface.GetBits());
    EXPECT_EQ(5u, surface.GetWidth());
    EXPECT_EQ(3u, surface.GetHeight());
    EXPECT_EQ(DIBFormatRGB555, surface.GetFormat());
    EXPECT_EQ(2, surface.GetBytesPerPixel());
    EXPECT_EQ(36u, surface.GetSectionBytes());
    surface.Close();
    EXPECT_FALSE(surface.IsValid());
}

TEST(DIBSurface, CreateRefusesBadSizesAndFormats)
{
    CDIBSurface surface;
    EXPECT_EQ(1u, surface.Create(0, 3, DIBFormatARGB32));
    EXPECT_EQ(1u, surface.Create(3, 0, DIBFormatARGB32));
    EXPECT_EQ(1u, surface.Create(3, 3, 2));
    EXPECT_FALSE(surface.IsValid());
}

TEST(DIBSurface, NamedSectionIsSharedWithASecondView)
{
    const std::wstring name = NCaptureTests::MakeSectionName(L"shared");
    CDIBSurface first;
    ASSERT_EQ(0u, first.Create(4, 4, DIBFormatARGB32, name.c_str()));
    // A second section of the same name would not be the surface's own.
    CDIBSurface clash;
    EXPECT_EQ(1u, clash.Create(4, 4, DIBFormatARGB32, name.c_str()));

    CDIBSurface second;
    ASSERT_EQ(0u, second.Open(name.c_str(), 4, 4, DIBFormatARGB32));
    static_cast<uint32_t*>(first.GetBits())[5] = 0x12345678;
    EXPECT_EQ(0x12345678u, static_cast<uint32_t*>(second.GetBits())[5]);
    EXPECT_NE(first.GetBits(), second.GetBits());
}

TEST(DIBSurface, OpenFailsForMissingOrTooSmallSections)
{
    const std::wstring name = NCaptureTests::MakeSectionName(L"small");
    CDIBSurface owner;
    ASSERT_EQ(0u, owner.Create(64, 64, DIBFormatRGB565, name.c_str()));
    CDIBSurface reader;
    EXPECT_EQ(1u, reader.Open(L"Local\\CaptureTests-no-such-section", 4, 4, DIBFormatARGB32));
    EXPECT_EQ(1u, reader.Open(name.c_str(), 1024, 1024, DIBFormatARGB32));
    EXPECT_FALSE(reader.IsValid());
    EXPECT_EQ(0u, reader.Open(name.c_str(), 64, 32, DIBFormatARGB32));
}

TEST(DIBSurface, AttachRefusesBadArguments)
{
    CMemoryDC memory;
    CDIBSurface notSetUp;
    EXPECT_EQ(1u, notSetUp.AttachToDC(memory.dc, 4, 4));
    notSetUp.DetachFromDC();
    EXPECT_FALSE(notSetUp.IsAttached());

    CDIBSurface surface;
    ASSERT_EQ(0u, surface.Create(16, 16, DIBFormatARGB32));
    EXPECT_EQ(1u, surface.AttachToDC(nullptr, 4, 4));
    EXPECT_EQ(1u, surface.AttachToDC(memory.dc, 0, 4));
    EXPECT_EQ(1u, surface.AttachToDC(memory.dc, 4, 0));
    // More pixels than the section holds.
    EXPECT_EQ(1u, surface.AttachToDC(memory.dc, 16, 17));
    EXPECT_FALSE(surface.IsAttached());
    EXPECT_EQ(0, surface.GetBitmapWidth());
    EXPECT_TRUE(memory.HasItsBitmap());
}

TEST(DIBSurface, DrawingLandsInTheSectionBottomUp)
{
    CMemoryDC memory;
    CDIBSurface surface;
    ASSERT_TRUE(CreateAttached(surface, memory, 4, 3, DIBFormatARGB32));
    EXPECT_TRUE(surface.IsAttached());
    EXPECT_FALSE(memory.HasItsBitmap());
    // The top row of the picture is the last row in memory.
    RECT top = {0, 0, 4, 1};
    FillRect(memory.dc, &top, CUniqueGdiObject<HBRUSH>(CreateSolidBrush(RGB(255, 0, 0))).Get());
    GdiFlush();
    surface.DetachFromDC();
    EXPECT_FALSE(surface.IsAttached());
    EXPECT_TRUE(memory.HasItsBitmap());
    EXPECT_EQ(4, surface.GetBitmapWidth());
    EXPECT_EQ(3, surface.GetBitmapHeight());

    const uint32_t* pixels = static_cast<const uint32_t*>(surface.GetBits());
    EXPECT_EQ(0x00FF0000u, pixels[2 * 4 + 1] & 0x00FFFFFF);
    EXPECT_EQ(0u, pixels[0]);
    // A second detach does nothing, and the surface can be attached again.
    surface.DetachFromDC();
    EXPECT_TRUE(memory.HasItsBitmap());
    ASSERT_EQ(0u, surface.AttachToDC(memory.dc, 2, 2));
    surface.DetachFromDC();
}

TEST(DIBSurface, Rgb565RowsArePaddedToFourBytes)
{
    CMemoryDC memory;
    CDIBSurface surface;
    ASSERT_TRUE(CreateAttached(surface, memory, 3, 2, DIBFormatRGB565));
    SetPixelV(memory.dc, 0, 0, RGB(0, 0, 255));  // top row: second row in memory
    SetPixelV(memory.dc, 2, 1, RGB(255, 0, 0));  // bottom row: first row in memory
    GdiFlush();
    surface.DetachFromDC();
    const uint16_t* pixels = static_cast<const uint16_t*>(surface.GetBits());
    EXPECT_EQ(0xF800, pixels[2]);
    EXPECT_EQ(0, pixels[3]);  // padding
    EXPECT_EQ(0x001F, pixels[4]);
}

TEST(DIBSurface, DestructionWhileAttachedGivesTheDCItsBitmapBack)
{
    CMemoryDC memory;
    {
        CDIBSurface surface;
        ASSERT_TRUE(CreateAttached(surface, memory, 8, 8, DIBFormatARGB32));
    }
    EXPECT_TRUE(memory.HasItsBitmap());
}
