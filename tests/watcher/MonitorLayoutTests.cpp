#include <gtest/gtest.h>

#include <vector>

#include "watcher/MonitorLayout.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;

HMONITOR Handle(int n)
{
    return reinterpret_cast<HMONITOR>(static_cast<intptr_t>(n));
}

// Two side by side, 1000x800 at the origin and 600x400 on its right, and a
// third below the first.
std::vector<CMonitorArea> ThreeMonitors()
{
    return {
        {Handle(1), {0, 0, 1000, 800},    {0, 0, 1000, 760}   },
        {Handle(2), {1000, 0, 1600, 400}, {1000, 0, 1600, 400}},
        {Handle(3), {0, 800, 1000, 1600}, {0, 800, 1000, 1600}},
    };
}

TEST(MonitorLayout, FindsTheMonitorAWindowOverlapsMostElseTheNearest)
{
    const struct
    {
        const char* label;
        RECT rect;
        int monitor;  // 0: none
    } rows[] = {
        {"inside the first",                         {10, 10, 200, 200},     1},
        {"mostly on the second",                     {900, 10, 1500, 300},   2},
        {"equal halves: the first listed",           {900, 10, 1100, 110},   1},
        {"across two, mostly on the third",          {800, 700, 1100, 1500}, 3},
        {"right of the second, nearest it",          {1700, 100, 1800, 200}, 2},
        {"below the second, nearer it than the 3rd", {1500, 500, 1550, 550}, 2},
        {"far below everything: the third",          {100, 5000, 200, 5100}, 3},
        {"empty, on the first: as a point",          {20, 20, 20, 20},       1},
        {"empty, on the border: the one it begins",  {1000, 100, 1000, 100}, 2},
    };
    const std::vector<CMonitorArea> monitors = ThreeMonitors();
    for (const auto& row : rows) {
        const CMonitorArea* found = FindMonitor(monitors, row.rect);
        EXPECT_EQ(Handle(row.monitor), found != nullptr ? found->monitor : nullptr) << row.label;
    }
    EXPECT_EQ(nullptr, FindMonitor({}, {0, 0, 10, 10}));
}

// The platform's own answer for the same rectangles, on this desktop's monitors.
TEST(MonitorLayout, AgreesWithThePlatform)
{
    const RECT rects[] = {
        {10,     10,     200,    200   },
        {-500,   -500,   -400,   -400  },
        {-50,    10,     100,    100   },
        {100000, 100000, 100100, 100100},
        {5,      5,      5,      5     },
    };
    CMonitorLayout layout;
    for (const RECT& rect : rects) {
        CMonitorArea found;
        ASSERT_TRUE(layout.Find(rect, &found));
        EXPECT_EQ(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), found.monitor);
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetMonitorInfoW(found.monitor, &info));
        EXPECT_TRUE(EqualRect(&info.rcMonitor, &found.area));
        EXPECT_TRUE(EqualRect(&info.rcWork, &found.workArea));
    }
}

}  // namespace
