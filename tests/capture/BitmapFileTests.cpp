#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "library/capture/BitmapFile.h"

using namespace NLibrary::NWin32::NCapture;

namespace {

std::vector<unsigned char> ReadFileBytes(const wchar_t* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

template <typename T>
T At(const std::vector<unsigned char>& bytes, size_t offset)
{
    T value;
    memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

}  // namespace

TEST(BitmapFile, WritesHeadersAndBottomUpRows)
{
    CDIBSurface surface;
    ASSERT_EQ(0u, surface.Create(8, 8, DIBFormatARGB32));
    uint32_t* p = static_cast<uint32_t*>(surface.GetBits());
    for (uint32_t i = 0; i < 6; ++i)
        p[i] = 0xFF000000u | i;
    const wchar_t* path = L"capture_test_picture.bmp";
    ASSERT_EQ(0u, WriteBitmapFile(path, surface, 3, 2));

    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    ASSERT_EQ(54u + 24u, bytes.size());
    EXPECT_EQ('B', bytes[0]);
    EXPECT_EQ('M', bytes[1]);
    EXPECT_EQ(78u, At<uint32_t>(bytes, 2));
    EXPECT_EQ(54u, At<uint32_t>(bytes, 10));
    EXPECT_EQ(40u, At<uint32_t>(bytes, 14));
    EXPECT_EQ(3, At<int32_t>(bytes, 18));
    EXPECT_EQ(2, At<int32_t>(bytes, 22));
    EXPECT_EQ(32, At<uint16_t>(bytes, 28));
    EXPECT_EQ(0u, At<uint32_t>(bytes, 30));
    for (uint32_t i = 0; i < 6; ++i)
        EXPECT_EQ(0xFF000000u | i, At<uint32_t>(bytes, 54 + 4 * i));
    DeleteFileW(path);
}

TEST(BitmapFile, RefusesWhatIsNotA32BitPictureInsideTheSection)
{
    CDIBSurface wide;
    ASSERT_EQ(0u, wide.Create(4, 4, DIBFormatARGB32));
    CDIBSurface narrow;
    ASSERT_EQ(0u, narrow.Create(4, 4, DIBFormatRGB565));
    CDIBSurface notSetUp;
    const wchar_t* path = L"capture_test_refused.bmp";
    EXPECT_EQ(1u, WriteBitmapFile(path, narrow, 4, 4));
    EXPECT_EQ(1u, WriteBitmapFile(path, notSetUp, 4, 4));
    EXPECT_EQ(1u, WriteBitmapFile(path, wide, 4, 5));
    EXPECT_EQ(1u, WriteBitmapFile(path, wide, 0, 4));
    EXPECT_EQ(1u, WriteBitmapFile(nullptr, wide, 4, 4));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path));
    EXPECT_EQ(1u, WriteBitmapFile(L"no-such-directory\\picture.bmp", wide, 4, 4));
}
