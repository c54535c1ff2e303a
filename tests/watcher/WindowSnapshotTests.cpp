// A title longer than the snapshot holds is cut between characters, never
// between the two halves of a surrogate pair.

#include <gtest/gtest.h>

#include <string>

#include "watcher/WindowSnapshot.h"
#include "tests/common/Text.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;

const size_t TitleCapacity = sizeof(CWindowSnapshot().title) / sizeof(wchar_t);
const wchar_t Emoji[] = L"\xD83D\xDE00";  // one character, two code units

TEST(WindowSnapshot, ALongTitleIsCutBeforeACharacterThatDoesNotFitWhole)
{
    const struct
    {
        const char* label;
        size_t pairAt;  // where the emoji starts in the title
        size_t kept;    // code units the snapshot keeps
    } rows[] = {
        {"pair across the cut",      TitleCapacity - 2, TitleCapacity - 2},
        {"pair just before the cut", TitleCapacity - 3, TitleCapacity - 1},
        {"letters only",             0,                 TitleCapacity - 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::wstring title = NTestSupport::Letters(2100);
        if (row.pairAt != 0)
            title.replace(row.pairAt, 2, Emoji);
        const HWND window =
            CreateWindowExW(0, L"STATIC", title.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        CWindowSnapshot snapshot;
        EXPECT_EQ(0u, TakeWindowSnapshot(window, &snapshot));
        EXPECT_EQ(title.substr(0, row.kept), std::wstring(snapshot.title));
        DestroyWindow(window);
    }
}

}  // namespace
