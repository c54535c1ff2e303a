#include <gtest/gtest.h>

#include <windows.h>

#include "library/capture/DIBSurface.h"
#include "library/capture/GdiOwners.h"
#include "tests/capture/CaptureTestSupport.h"

using namespace NLibrary::NWin32::NCapture;

namespace {

struct CMemoryDC
{
    CUniqueMemoryDC owner {CreateCompatibleDC(nullptr)};
    const HDC dc = owner.Get();
};

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

TEST(BuildBitmapInfo, Argb32IsUncompressedWithoutMasks)
{
    const CDIBBitmapInfo info = BuildInfo(DIBFormatARGB32, 3, 2);
    EXPECT_EQ(40u, info.header.biSize);
    EXPECT_EQ(3, info.header.biWidth);
    EXPECT_EQ(2, info.header.biHeight);
    EXPECT_EQ(1, info.header.biPlanes);
    EXPECT_EQ(32, info.header.biBitCount);
    EXPECT_EQ(DWORD(BI_RGB), info.header.biCompression);
    EXPECT_EQ(24u, info.header.biSizeImage);
    EXPECT_EQ(0, info.header.biXPelsPerMeter);
    EXPECT_EQ(0, info.header.biYPelsPerMeter);
    EXPECT_EQ(0u, info.header.biClrUsed);
    EXPECT_EQ(0u, info.header.biClrImportant);
    EXPECT_EQ(0u, info.masks[0]);
    EXPECT_EQ(0u, info.masks[1]);
    EXPECT_EQ(0u, info.masks[2]);
}

TEST(BuildBitmapInfo, Rgb565HasItsMasksAndPaddedRows)
{
    const CDIBBitmapInfo info = BuildInfo(DIBFormatRGB565, 3, 2);
    EXPECT_EQ(16, info.header.biBitCount);
    EXPECT_EQ(DWORD(BI_BITFIELDS), info.header.biCompression);
    EXPECT_EQ(0xF800u, info.masks[0]);
    EXPECT_EQ(0x07E0u, info.masks[1]);
    EXPECT_EQ(0x001Fu, info.masks[2]);
    EXPECT_EQ(16u, info.header.biSizeImage);
}

TEST(BuildBitmapInfo, Rgb555HasItsMasksAndPaddedRows)
{
    const CDIBBitmapInfo info = BuildInfo(DIBFormatRGB555, 5, 7);
    EXPECT_EQ(16, info.header.biBitCount);
    EXPECT_EQ(DWORD(BI_BITFIELDS), info.header.biCompression);
    EXPECT_EQ(0x7C00u, info.masks[0]);
    EXPECT_EQ(0x03E0u, info.masks[1]);
    EXPECT_EQ(0x001Fu, info.masks[2]);
    // Five pixels are 10 bytes, padded to 12.
    EXPECT_EQ(84u, info.header.biSizeImage);
    EXPECT_EQ(0u, BuildInfo(DIBFormatRGB555, 4, 7).header.biSizeImage % 8);
}

TEST(BuildBitmapInfo, TopDownHeightKeepsItsSignAndSize)
{
    const CDIBBitmapInfo info = BuildInfo(DIBFormatARGB32, 3, -2);
    EXPECT_EQ(-2, info.header.biHeight);
    EXPECT_EQ(24u, info.header.biSizeImage);
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
    HGDIOBJ original = GetCurrentObject(memory.dc, OBJ_BITMAP);
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
    EXPECT_EQ(original, GetCurrentObject(memory.dc, OBJ_BITMAP));
}

TEST(DIBSurface, DrawingLandsInTheSectionBottomUp)
{
    CMemoryDC memory;
    HGDIOBJ original = GetCurrentObject(memory.dc, OBJ_BITMAP);
    CDIBSurface surface;
    ASSERT_EQ(0u, surface.Create(4, 3, DIBFormatARGB32));
    ASSERT_EQ(0u, surface.AttachToDC(memory.dc, 4, 3));
    EXPECT_TRUE(surface.IsAttached());
    EXPECT_NE(original, GetCurrentObject(memory.dc, OBJ_BITMAP));
    // The top row of the picture is the last row in memory.
    RECT top = {0, 0, 4, 1};
    FillRect(memory.dc, &top, CUniqueGdiObject<HBRUSH>(CreateSolidBrush(RGB(255, 0, 0))).Get());
    GdiFlush();
    surface.DetachFromDC();
    EXPECT_FALSE(surface.IsAttached());
    EXPECT_EQ(original, GetCurrentObject(memory.dc, OBJ_BITMAP));
    EXPECT_EQ(4, surface.GetBitmapWidth());
    EXPECT_EQ(3, surface.GetBitmapHeight());

    const uint32_t* pixels = static_cast<const uint32_t*>(surface.GetBits());
    EXPECT_EQ(0x00FF0000u, pixels[2 * 4 + 1] & 0x00FFFFFF);
    EXPECT_EQ(0u, pixels[0]);
    // A second detach does nothing, and the surface can be attached again.
    surface.DetachFromDC();
    EXPECT_EQ(original, GetCurrentObject(memory.dc, OBJ_BITMAP));
    ASSERT_EQ(0u, surface.AttachToDC(memory.dc, 2, 2));
    surface.DetachFromDC();
}

TEST(DIBSurface, Rgb565RowsArePaddedToFourBytes)
{
    CMemoryDC memory;
    CDIBSurface surface;
    ASSERT_EQ(0u, surface.Create(3, 2, DIBFormatRGB565));
    ASSERT_EQ(0u, surface.AttachToDC(memory.dc, 3, 2));
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
    HGDIOBJ original = GetCurrentObject(memory.dc, OBJ_BITMAP);
    {
        CDIBSurface surface;
        ASSERT_EQ(0u, surface.Create(8, 8, DIBFormatARGB32));
        ASSERT_EQ(0u, surface.AttachToDC(memory.dc, 8, 8));
    }
    EXPECT_EQ(original, GetCurrentObject(memory.dc, OBJ_BITMAP));
}
