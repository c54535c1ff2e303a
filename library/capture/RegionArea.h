#pragma once

// Areas of window regions in pixels, and of the part of a window's region
// that no visible window above it covers. All results are 0 on failure.

#include <windows.h>

#include <cstdint>

namespace NLibrary { namespace NWin32 { namespace NCapture {

// Sum of the areas of the region's rectangles (32-bit, wrapping).
uint32_t GetRegionArea(HRGN region);

// Area of the window's window region; 0 when it has none.
uint32_t GetWindowRegionArea(HWND window);

// Area of the window's window region left after taking away the rectangles of
// the visible windows above it in its z-order group; 0 when it has no window
// region. Smaller than GetWindowRegionArea exactly when a visible window above
// overlaps the region.
uint32_t GetVisibleWindowRegionArea(HWND window);

}}}  // namespace NLibrary::NWin32::NCapture
