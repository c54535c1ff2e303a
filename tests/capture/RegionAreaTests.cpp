#include <gtest/gtest.h>

#include <windows.h>

#include "library/capture/GdiOwners.h"
#include "library/capture/RegionArea.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/CaptureTestWindow.h"

using namespace NLibrary::NWin32::NCapture;
using NCaptureTests::CCaptureTestWindow;

namespace {

const NCaptureTests::CWindowColours Plain = {NCaptureTests::Red, NCaptureTests::Red,
                                             NCaptureTests::Blue};

// A 200 x 200 window at (100, 100) shaped as two 100 x 100 squares touching
// at a corner: (0, 0)-(100, 100) and (100, 100)-(200, 200).
const RECT ShapedBounds = {100, 100, 300, 300};
const RECT TwoSquares[] = {
    {0,   0,   100, 100},
    {100, 100, 200, 200}
};

HRGN UnionOf(const RECT& first, const RECT& second)
{
    const HRGN region = CreateRectRgnIndirect(&first);
    const CUniqueGdiObject<HRGN> other(CreateRectRgnIndirect(&second));
    CombineRgn(region, region, other.Get(), RGN_OR);
    return region;
}

}  // namespace

TEST(RegionArea, SumsTheRectanglesOfARegion)
{
    // 10 x 10 and 5 x 4 apart: GDI keeps them as three bands of rectangles,
    // whose areas still add up to the pixel count.
    CUniqueGdiObject<HRGN> region(CreateRectRgn(0, 0, 10, 10));
    CombineRgn(region.Get(), region.Get(),
               CUniqueGdiObject<HRGN>(CreateRectRgn(20, 0, 25, 4)).Get(), RGN_OR);
    EXPECT_EQ(120u, GetRegionArea(region.Get()));

    EXPECT_EQ(0u, GetRegionArea(CUniqueGdiObject<HRGN>(CreateRectRgn(0, 0, 0, 0)).Get()));
    // A region handle that is gone.
    const HRGN gone = region.Get();
    region.Reset();
    EXPECT_EQ(0u, GetRegionArea(gone));
    EXPECT_EQ(0u, GetRegionArea(nullptr));
}

// Two rectangles 10 x 10 and 5 x 4 that GDI keeps as exactly those two give
// 120; a pixel count of 116 needs them to overlap by 4 pixels, and the union
// is then cut into other rectangles whose areas add up to 116.
TEST(RegionArea, TwoRectanglesAddUpToTheirPixelCount)
{
    const CUniqueGdiObject<HRGN> apart(UnionOf({0, 0, 10, 10}, {0, 10, 5, 14}));
    ASSERT_EQ(sizeof(RGNDATAHEADER) + 2 * sizeof(RECT), GetRegionData(apart.Get(), 0, nullptr));
    EXPECT_EQ(120u, GetRegionArea(apart.Get()));

    const CUniqueGdiObject<HRGN> overlapping(UnionOf({0, 0, 10, 10}, {8, 8, 13, 12}));
    EXPECT_EQ(116u, GetRegionArea(overlapping.Get()));
}

TEST(RegionArea, WindowsWithoutOrWithEmptyRegionsHaveNoArea)
{
    CCaptureTestWindow plain(ShapedBounds, Plain);
    EXPECT_EQ(0u, GetWindowRegionArea(plain.Get()));
    EXPECT_EQ(0u, GetVisibleWindowRegionArea(plain.Get()));

    CCaptureTestWindow empty(ShapedBounds, Plain);
    empty.SetRegion(nullptr, 0);
    EXPECT_EQ(0u, GetWindowRegionArea(empty.Get()));
    EXPECT_EQ(0u, GetVisibleWindowRegionArea(empty.Get()));
}

TEST(RegionArea, InvalidWindowsHaveNoArea)
{
    HWND gone;
    {
        CCaptureTestWindow window(ShapedBounds, Plain);
        window.SetRegion(TwoSquares, 2);
        gone = window.Get();
    }
    EXPECT_EQ(0u, GetWindowRegionArea(gone));
    EXPECT_EQ(0u, GetVisibleWindowRegionArea(gone));
    EXPECT_EQ(0u, GetWindowRegionArea(nullptr));
    EXPECT_EQ(0u, GetVisibleWindowRegionArea(nullptr));
}

TEST(RegionArea, UncoveredShapedWindowIsWhollyVisible)
{
    CCaptureTestWindow shaped(ShapedBounds, Plain);
    shaped.SetRegion(TwoSquares, 2);
    EXPECT_EQ(20000u, GetWindowRegionArea(shaped.Get()));
    EXPECT_EQ(20000u, GetVisibleWindowRegionArea(shaped.Get()));
    // A window below takes nothing away.
    CCaptureTestWindow below(RECT {150, 150, 250, 250}, Plain);
    SetWindowPos(below.Get(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(20000u, GetVisibleWindowRegionArea(shaped.Get()));
}

// The cover lies over the middle of the window on the screen, 50 x 50 of
// each square. Measured in the window's own coordinates it would only touch
// the second square.
TEST(RegionArea, VisibleWindowAboveTakesItsOverlapOnTheScreen)
{
    CCaptureTestWindow shaped(ShapedBounds, Plain);
    shaped.SetRegion(TwoSquares, 2);
    CCaptureTestWindow cover(RECT {150, 150, 250, 250}, Plain);
    EXPECT_EQ(20000u, GetWindowRegionArea(shaped.Get()));
    EXPECT_EQ(15000u, GetVisibleWindowRegionArea(shaped.Get()));

    ShowWindow(cover.Get(), SW_HIDE);
    EXPECT_EQ(20000u, GetVisibleWindowRegionArea(shaped.Get()));
}

TEST(RegionArea, MinimisedWindowAboveTakesItsRestoredRectangle)
{
    CCaptureTestWindow shaped(ShapedBounds, Plain);
    shaped.SetRegion(TwoSquares, 2);
    CCaptureTestWindow cover(RECT {0, 0, 150, 150}, Plain);
    ShowWindow(cover.Get(), SW_SHOWMINNOACTIVE);
    NCaptureTests::PumpMessages();
    ASSERT_TRUE(IsIconic(cover.Get()));
    // The restored rectangle covers 50 x 50 of the first square.
    EXPECT_EQ(17500u, GetVisibleWindowRegionArea(shaped.Get()));
}
