#include <gtest/gtest.h>

#include <windows.h>

#include "tests/common/HandleCount.h"

TEST(HandleCount, SeesOneLeakedHandleAndItsClose)
{
    unsigned int before = NTestSupport::CountOpenHandlesSettled();
    EXPECT_GT(before, 0u);
    HANDLE leaked = CreateEventW(NULL, FALSE, FALSE, NULL);
    ASSERT_TRUE(leaked != NULL);
    EXPECT_EQ(before + 1, NTestSupport::CountOpenHandlesSettled());
    CloseHandle(leaked);
    EXPECT_EQ(before, NTestSupport::CountOpenHandlesSettled());
}
