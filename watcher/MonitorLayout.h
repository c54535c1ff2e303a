#pragma once

// The desktop's monitors as read at one moment, for a thread that must place
// many windows on them. Under Wine every monitor query first checks whether
// the display changed, which costs more than all of a window's other facts
// together; a layout read at most a short while ago answers without asking.

#include <windows.h>

#include <vector>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

class CMonitorArea
{
public:
    HMONITOR monitor = nullptr;
    RECT area = {};
    RECT workArea = {};
};

// The monitor MonitorFromRect(MONITOR_DEFAULTTONEAREST) names for a
// rectangle: the one it overlaps most (the first of equals), else the one
// nearest to it. Null when there is no monitor.
const CMonitorArea* FindMonitor(const std::vector<CMonitorArea>& monitors, const RECT& rect);

// One owner thread. The layout is read anew when it is older than its
// maximum age, so a change of displays or work areas shows in the windows
// placed from then on; a window placed in between is placed on the layout
// before it.
class CMonitorLayout
{
public:
    static const DWORD DefaultMaximumAge = 100;  // milliseconds

    explicit CMonitorLayout(DWORD maximumAge = DefaultMaximumAge) : maximumAge(maximumAge) {}
    CMonitorLayout(const CMonitorLayout&) = delete;
    CMonitorLayout& operator=(const CMonitorLayout&) = delete;

    // False when the monitors cannot be read (or stored): the caller then asks
    // the platform itself.
    bool Find(const RECT& rect, CMonitorArea* found);

private:
    bool IsFresh(ULONGLONG now) const { return hasLayout && now - readAt <= maximumAge; }
    bool Read();

    const DWORD maximumAge;
    std::vector<CMonitorArea> monitors;
    ULONGLONG readAt = 0;
    bool hasLayout = false;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
