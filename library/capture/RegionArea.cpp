#include "library/capture/RegionArea.h"

#include "library/capture/GdiOwners.h"
#include "library/capture/RegionData.h"
#include "library/window/WindowQueries.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

using NWindow::GetWindowBounds;

namespace {

// GetWindowBounds gives a minimised or hidden window's restored rectangle in
// workspace coordinates, which are offset from screen coordinates by the
// difference between the work area and the monitor; tool windows use screen
// coordinates there too.
void WorkspaceToScreen(HWND window, RECT& rect)
{
    if ((NWindow::GetWindowExStyle(window) & WS_EX_TOOLWINDOW) != 0)
        return;
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info))
        return;
    OffsetRect(&rect, info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top);
}

// The gate of every window operation of this file: a window whose bounds can
// be read. The bounds are returned in screen coordinates.
bool GetScreenBounds(HWND window, RECT& bounds)
{
    if (!NWindow::IsValidWindow(window) || GetWindowBounds(window, &bounds) != 0)
        return false;
    const NWindow::WindowShowState showState = NWindow::GetWindowShowState(window);
    if (showState == NWindow::Minimized || showState == NWindow::Hidden)
        WorkspaceToScreen(window, bounds);
    return true;
}

// Takes the rectangles of the visible windows above window away from region.
void SubtractWindowsAbove(HWND window, HRGN region)
{
    for (HWND above = GetWindow(window, GW_HWNDFIRST); above != nullptr && above != window;
         above = GetWindow(above, GW_HWNDNEXT)) {
        RECT bounds;
        if (IsWindowVisible(above) != TRUE || !GetScreenBounds(above, bounds))
            continue;
        const CUniqueGdiObject<HRGN> cover(
            CreateRectRgn(bounds.left, bounds.top, bounds.right, bounds.bottom));
        CombineRgn(region, region, cover.Get(), RGN_DIFF);
    }
}

// The frame of both window measures: the gate, and a copy of the window region
// (none: area 0) that measure may change and that is deleted afterwards.
template <typename TMeasure>
uint32_t MeasureWindowRegion(HWND window, TMeasure measure)
{
    RECT bounds;
    if (!GetScreenBounds(window, bounds))
        return 0;
    const CUniqueGdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    if (!region.IsValid() || NWindow::GetWindowRegion(window, region.Get()) != 0)
        return 0;
    return measure(region.Get(), bounds);
}

}  // namespace

uint32_t GetRegionArea(HRGN region)
{
    CRegionData data;
    if (data.Read(region) != 0)
        return 0;
    uint32_t area = 0;
    for (uint32_t i = 0; i < data.GetCount(); ++i) {
        const RECT& r = data.GetRects()[i];
        area += uint32_t(r.right - r.left) * uint32_t(r.bottom - r.top);
    }
    return area;
}

uint32_t GetWindowRegionArea(HWND window)
{
    return MeasureWindowRegion(window,
                               [](HRGN region, const RECT&) { return GetRegionArea(region); });
}

// The window region is relative to the window's top-left corner while the
// windows above are measured in screen coordinates, so the region is moved to
// the window's own bounds on the screen before anything is taken away. A
// minimised window is measured at its restored place, as are minimised windows
// above it, just as GetWindowBounds reports them.
uint32_t GetVisibleWindowRegionArea(HWND window)
{
    return MeasureWindowRegion(window, [window](HRGN region, const RECT& bounds) {
        OffsetRgn(region, bounds.left, bounds.top);
        SubtractWindowsAbove(window, region);
        return GetRegionArea(region);
    });
}

}}}  // namespace NLibrary::NWin32::NCapture
