#include <gtest/gtest.h>

#include <vector>

#include "library/window/ShellWindows.h"
#include "library/window/WindowClassNames.h"
#include "tests/window/WindowTestSupport.h"

using namespace NLibrary::NWin32::NWindow;
using NLibrary::NDatatype::NString::CConstantString;
using namespace NWindowTest;

// The fixture's hierarchy under "shellroot", in enumeration order (depth
// first). Its worker windows are of class "WORKERW", which differs from
// "WorkerW" in letter case only:
//   worker-empty
//   worker-viewonly > view-0
//   worker-full     > view-1 > list-1
//   worker-second   > view-2 > list-2
class ShellWindows : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SharedFixture().IsReady());
        root = SharedFixture().Window(L"shellroot");
        ASSERT_NE(nullptr, root);
        ShellDefViewWindow = nullptr;
        ShellDefViewFound = false;
        DesktopListViewWindow = nullptr;
        DesktopListViewFound = false;
        visited.clear();
    }

    HWND Child(HWND parent, const wchar_t* name) { return SharedFixture().Child(parent, name); }

    // Enumerates the hierarchy through the callback, noting each visit.
    void Enumerate(WNDENUMPROC callback)
    {
        current = callback;
        EnumChildWindows(root, &Visit, 0);
    }

    bool WasVisited(HWND hwnd) const
    {
        for (HWND w : visited)
            if (w == hwnd)
                return true;
        return false;
    }

    static BOOL CALLBACK Visit(HWND hwnd, LPARAM lParam)
    {
        visited.push_back(hwnd);
        return current(hwnd, lParam);
    }

    HWND root = nullptr;
    static WNDENUMPROC current;
    static std::vector<HWND> visited;
};

WNDENUMPROC ShellWindows::current = nullptr;
std::vector<HWND> ShellWindows::visited;

TEST_F(ShellWindows, DesktopListViewIsTheFirstListUnderAWorkerWindow)
{
    const HWND full = Child(root, L"worker-full");
    const HWND list = Child(Child(full, L"view-1"), L"list-1");
    ASSERT_NE(nullptr, list);

    Enumerate(&DesktopListViewEnumProc);

    EXPECT_TRUE(DesktopListViewFound);
    EXPECT_EQ(list, DesktopListViewWindow);
    // Workers without a view, or with a view but no list, were passed over.
    EXPECT_TRUE(WasVisited(Child(root, L"worker-empty")));
    EXPECT_TRUE(WasVisited(Child(root, L"worker-viewonly")));
    // The match stopped the enumeration.
    EXPECT_EQ(full, visited.back());
    EXPECT_FALSE(WasVisited(Child(root, L"worker-second")));
    EXPECT_FALSE(ShellDefViewFound);
}

TEST_F(ShellWindows, WorkersWithoutAListLeaveTheSlotsAlone)
{
    const HWND empty = Child(root, L"worker-empty");
    const HWND viewOnly = Child(root, L"worker-viewonly");
    EXPECT_TRUE(DesktopListViewEnumProc(empty, 0));
    EXPECT_TRUE(DesktopListViewEnumProc(viewOnly, 0));
    EXPECT_TRUE(DesktopListViewEnumProc(Child(viewOnly, L"view-0"), 0));
    EXPECT_TRUE(DesktopListViewEnumProc(root, 0));
    EXPECT_TRUE(DesktopListViewEnumProc(DestroyedWindowHandle(), 0));
    EXPECT_FALSE(DesktopListViewFound);
    EXPECT_EQ(nullptr, DesktopListViewWindow);
}

TEST_F(ShellWindows, ShellViewIsTheFirstViewWindow)
{
    const HWND viewOnly = Child(root, L"worker-viewonly");
    const HWND view = Child(viewOnly, L"view-0");
    ASSERT_NE(nullptr, view);

    Enumerate(&ShellDefViewEnumProc);

    EXPECT_TRUE(ShellDefViewFound);
    EXPECT_EQ(view, ShellDefViewWindow);
    EXPECT_EQ(view, visited.back());
    EXPECT_FALSE(WasVisited(Child(root, L"worker-full")));
    EXPECT_FALSE(DesktopListViewFound);
}

TEST_F(ShellWindows, ShellViewCallbackContinuesPastOtherWindows)
{
    EXPECT_TRUE(ShellDefViewEnumProc(root, 0));
    EXPECT_TRUE(ShellDefViewEnumProc(Child(root, L"worker-empty"), 0));
    EXPECT_TRUE(ShellDefViewEnumProc(DestroyedWindowHandle(), 0));
    EXPECT_TRUE(ShellDefViewEnumProc(nullptr, 0));
    EXPECT_FALSE(ShellDefViewFound);
}

TEST_F(ShellWindows, ALaterMatchOverwritesTheSlot)
{
    const HWND second = Child(root, L"worker-second");
    const HWND list2 = Child(Child(second, L"view-2"), L"list-2");
    Enumerate(&DesktopListViewEnumProc);
    EXPECT_FALSE(DesktopListViewEnumProc(second, 0));
    EXPECT_EQ(list2, DesktopListViewWindow);
    EXPECT_TRUE(DesktopListViewFound);
}

TEST_F(ShellWindows, FindChildFindsOnlyTheFirstDirectChild)
{
    HWND child = nullptr;
    // "WorkerW" finds the "WORKERW" windows: the platform ignores case.
    ASSERT_EQ(0u, FindChildWindowByClass(root, WorkerWClassName, &child));
    EXPECT_EQ(Child(root, L"worker-empty"), child);

    const HWND full = Child(root, L"worker-full");
    ASSERT_EQ(0u, FindChildWindowByClass(full, ShellDefViewClassName, &child));
    EXPECT_EQ(Child(full, L"view-1"), child);

    child = root;
    EXPECT_EQ(1u, FindChildWindowByClass(full, ListViewClassName, &child));
    EXPECT_EQ(1u, FindChildWindowByClass(root, CConstantString(L"NoSuchClass"), &child));
    EXPECT_EQ(1u, FindChildWindowByClass(nullptr, WorkerWClassName, &child));
    EXPECT_EQ(1u, FindChildWindowByClass(DestroyedWindowHandle(), WorkerWClassName, &child));
    EXPECT_EQ(root, child);
    EXPECT_EQ(1u, FindChildWindowByClass(root, WorkerWClassName, nullptr));
}
