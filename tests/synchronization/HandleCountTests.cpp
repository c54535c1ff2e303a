#include <gtest/gtest.h>

#include <windows.h>

#include "library/resource/UniqueResource.h"
#include "tests/common/HandleCount.h"

TEST(HandleCount, SeesOneLeakedHandleAndItsClose)
{
    uint32_t before = NTestSupport::CountOpenHandlesSettled();
    EXPECT_GT(before, 0u);
    NLibrary::NResource::CUniqueHandle leaked(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_TRUE(leaked.IsValid());
    EXPECT_EQ(before + 1, NTestSupport::CountOpenHandlesSettled());
    leaked.Reset();
    EXPECT_EQ(before, NTestSupport::CountOpenHandlesSettled());
}
