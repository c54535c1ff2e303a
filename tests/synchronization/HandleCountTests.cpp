#include <gtest/gtest.h>

#include <windows.h>

#include "tests/common/HandleCount.h"

TEST(HandleCount, SeesOneLeakedHandleAndItsClose)
{
    uint32_t before = NTestSupport::CountOpenHandlesSettled();
    EXPECT_GT(before, 0u);
    HANDLE leaked = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_TRUE(leaked != nullptr);
    EXPECT_EQ(before + 1, NTestSupport::CountOpenHandlesSettled());
    CloseHandle(leaked);
    EXPECT_EQ(before, NTestSupport::CountOpenHandlesSettled());
}
