#include "watcher/MonitorLayout.h"

#include <cstdint>
#include <new>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

// The gap between two ranges, 0 when they meet or overlap.
int64_t Gap(LONG low, LONG high, LONG otherLow, LONG otherHigh)
{
    if (high <= otherLow)
        return int64_t(otherLow) - high;
    if (otherHigh <= low)
        return int64_t(low) - otherHigh;
    return 0;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context)
{
    std::vector<CMonitorArea>* monitors = reinterpret_cast<std::vector<CMonitorArea>*>(context);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info))
        return TRUE;  // gone while listed
    CMonitorArea area;
    area.monitor = monitor;
    area.area = info.rcMonitor;
    area.workArea = info.rcWork;
    try {
        monitors->push_back(area);
    } catch (const std::bad_alloc&) {
        monitors->clear();
        return FALSE;
    }
    return TRUE;
}

}  // namespace

// An empty rectangle counts as the pixel at its top left, as a point would.
const CMonitorArea* FindMonitor(const std::vector<CMonitorArea>& monitors, const RECT& given)
{
    RECT rect = given;
    if (IsRectEmpty(&rect)) {
        rect.right = rect.left + 1;
        rect.bottom = rect.top + 1;
    }
    const CMonitorArea* largest = nullptr;
    int64_t largestOverlap = 0;
    const CMonitorArea* nearest = nullptr;
    int64_t nearestDistance = INT64_MAX;
    for (const CMonitorArea& monitor : monitors) {
        RECT overlap = {};
        if (IntersectRect(&overlap, &monitor.area, &rect)) {
            const int64_t size =
                int64_t(overlap.right - overlap.left) * (overlap.bottom - overlap.top);
            if (size > largestOverlap) {
                largestOverlap = size;
                largest = &monitor;
            }
            continue;
        }
        const int64_t x = Gap(rect.left, rect.right, monitor.area.left, monitor.area.right);
        const int64_t y = Gap(rect.top, rect.bottom, monitor.area.top, monitor.area.bottom);
        if (x * x + y * y < nearestDistance) {
            nearestDistance = x * x + y * y;
            nearest = &monitor;
        }
    }
    return largest != nullptr ? largest : nearest;
}

bool CMonitorLayout::Find(const RECT& rect, CMonitorArea* found)
{
    if (!IsFresh(GetTickCount64()) && !Read())
        return false;
    const CMonitorArea* monitor = FindMonitor(monitors, rect);
    if (monitor == nullptr)
        return false;
    *found = *monitor;
    return true;
}

// The list keeps its storage from one read to the next.
bool CMonitorLayout::Read()
{
    monitors.clear();
    hasLayout =
        EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors))
        && !monitors.empty();
    readAt = GetTickCount64();
    return hasLayout;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
