#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "library/capture/AlphaFill.h"
#include "tests/capture/CaptureTestSupport.h"

using namespace NLibrary::NWin32::NCapture;

namespace {

template <typename T>
T* Elements(CDIBSurface& surface)
{
    return static_cast<T*>(surface.GetBits());
}

}  // namespace

TEST(FillAlpha, Argb32SetsOnlyTheAlphaByteInsideTheRectangle)
{
    CDIBSurface surface;
    ASSERT_EQ(0u, surface.Create(4, 3, DIBFormatARGB32));
    uint32_t* p = Elements<uint32_t>(surface);
    for (int i = 0; i < 12; ++i)
        p[i] = 0x00123456 + i;
    FillAlpha32(&surface, 4, CAlphaRect {1, 1, 3, 3});
    for (int i = 0; i < 12; ++i) {
        const int row = i / 4, column = i % 4;
        const bool inside = row >= 1 && column >= 1 && column < 3;
        EXPECT_EQ((inside ? 0xFF000000u : 0u) | uint32_t(0x00123456 + i), p[i]) << i;
    }
}

// Rows of 5 pixels are padded to 6 elements; the last row's pixels lie
// beyond 5 x 2 elements but inside the section, and are filled.
TEST(FillAlpha, Rgb555StrideSkipsThePaddingPixelOfOddRows)
{
    CDIBSurface surface;
    ASSERT_EQ(0u, surface.Create(5, 2, DIBFormatRGB555));
    uint16_t* p = Elements<uint16_t>(surface);
    for (int i = 0; i < 12; ++i)
        p[i] = 0x1234;
    FillAlpha16(&surface, 6, CAlphaRect {0, 0, 5, 2});
    for (int i = 0; i < 12; ++i) {
        const bool padding = i % 6 == 5;
        EXPECT_EQ(padding ? 0x1234 : 0x9234, p[i]) << i;
    }
    // The section ends after the second padding element.
    FillAlpha16(&surface, 6, CAlphaRect {0, 0, 6, 3});
    EXPECT_EQ(0x9234, p[11]);
}

TEST(FillAlpha, RectanglesOutsideTheBitmapOrEmptyWriteNothing)
{
    CDIBSurface surface;
    ASSERT_EQ(0u, surface.Create(4, 4, DIBFormatARGB32));
    const CAlphaRect nothing[] = {
        {-10,       -10,       -1,            -1           },
        {0,         -5,        4,             0            },
        {2,         2,         2,             4            },
        {3,         3,         1,             1            },
        {INT32_MIN, INT32_MIN, INT32_MIN + 1, INT32_MIN + 1},
        {0,         16,        4,             INT32_MAX    },
    };
    for (const CAlphaRect& rect : nothing)
        FillAlpha32(&surface, 4, rect);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(0u, Elements<uint32_t>(surface)[i]) << i;
}

TEST(FillAlpha, HugeRectangleIsClippedToTheSectionQuickly)
{
    CDIBSurface surface;
    ASSERT_EQ(0u, surface.Create(4, 4, DIBFormatARGB32));
    const DWORD start = GetTickCount();
    FillAlpha32(&surface, 4, CAlphaRect {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    FillAlpha32(&surface, 0, CAlphaRect {0, INT32_MIN, 2, INT32_MAX});
    EXPECT_LT(GetTickCount() - start, 5000u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(0xFF000000u, Elements<uint32_t>(surface)[i]) << i;
}

TEST(FillAlpha, ColumnsPastTheStrideRunIntoTheNextRow)
{
    CDIBSurface surface;
    ASSERT_EQ(0u, surface.Create(4, 2, DIBFormatARGB32));
    FillAlpha32(&surface, 4, CAlphaRect {3, 0, 5, 1});
    const uint32_t* p = Elements<uint32_t>(surface);
    EXPECT_EQ(0u, p[2]);
    EXPECT_EQ(0xFF000000u, p[3]);
    EXPECT_EQ(0xFF000000u, p[4]);
    EXPECT_EQ(0u, p[5]);
}

TEST(FillAlpha, SurfacesNotSetUpOrOfTheOtherSizeAreLeftAlone)
{
    CDIBSurface notSetUp;
    FillAlpha32(&notSetUp, 4, CAlphaRect {0, 0, 4, 4});
    FillAlpha16(&notSetUp, 4, CAlphaRect {0, 0, 4, 4});
    FillAlpha32(nullptr, 4, CAlphaRect {0, 0, 4, 4});

    CDIBSurface narrow;
    ASSERT_EQ(0u, narrow.Create(4, 4, DIBFormatRGB565));
    FillAlpha32(&narrow, 4, CAlphaRect {0, 0, 4, 4});
    CDIBSurface wide;
    ASSERT_EQ(0u, wide.Create(4, 4, DIBFormatARGB32));
    FillAlpha16(&wide, 4, CAlphaRect {0, 0, 4, 4});
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(0, Elements<uint16_t>(narrow)[i]);
        EXPECT_EQ(0u, Elements<uint32_t>(wide)[i]);
    }
}

// In a helper process whose views end at an inaccessible page: a write past
// the capacity would end it with an access violation.
TEST(FillAlpha, RectanglePastTheCapacityNeverWritesOutsideTheSection)
{
    std::string output;
    DWORD exitCode = 0;
    ASSERT_TRUE(NCaptureTests::RunSectionReader(L"overrun", &output, &exitCode));
    EXPECT_EQ(0u, exitCode) << std::hex << exitCode << " " << output;
}
