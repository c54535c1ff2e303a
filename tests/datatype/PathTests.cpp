#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "library/datatype/array/Array.h"
#include "library/datatype/path/Path.h"
#include "library/synchronization/UniqueHandle.h"
#include "tests/common/Text.h"

using namespace NLibrary::NDatatype;
using NPath::CAutoPathBuffer;
using NString::CConstantString;
using NTestSupport::TextOf;

namespace {

CAutoPathBuffer MakePath(const std::wstring& text)
{
    CAutoPathBuffer path;
    path.Assign(CConstantString(text.c_str()));
    return path;
}

// A fresh folder under the temporary directory with a long-named directory
// and a long-named file in it; Wine generates their short names.
class PathOnDisk : public testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
        root = std::wstring(temp) + L"datatype path test " + std::to_wstring(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr)
                    || GetLastError() == ERROR_ALREADY_EXISTS);
        directory = root + L"\\A Directory With A Long Name";
        file = root + L"\\a file with a long name.text";
        ASSERT_TRUE(CreateDirectoryW(directory.c_str(), nullptr)
                    || GetLastError() == ERROR_ALREADY_EXISTS);
        const NLibrary::NSynchronization::CUniqueHandle handle(
            CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_NE(INVALID_HANDLE_VALUE, handle.Get());
    }

    void TearDown() override
    {
        DeleteFileW(file.c_str());
        RemoveDirectoryW(directory.c_str());
        RemoveDirectoryW(root.c_str());
    }

    std::wstring ShortFormOf(const std::wstring& path)
    {
        wchar_t buffer[MAX_PATH] = {};
        GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
        return buffer;
    }

    std::wstring root;
    std::wstring directory;
    std::wstring file;
};

}  // namespace

TEST(PathBuffer, HoldsAtMost260Characters)
{
    CAutoPathBuffer path;
    EXPECT_EQ(260u, path.GetCapacity());
    EXPECT_TRUE(path.IsIndexValid(259));
    EXPECT_FALSE(path.IsIndexValid(260));
    EXPECT_TRUE(path.IsEmpty());

    const std::wstring text255(255, L'p'), text250(250, L'p');
    path = MakePath(text255);
    EXPECT_EQ(1u, path.Append(CConstantString(L"0123456789")));
    EXPECT_EQ(text255, TextOf(path));
    path = MakePath(text250);
    EXPECT_EQ(0u, path.Append(CConstantString(L"0123456789")));
    EXPECT_EQ(260u, path.GetLength());

    // 261 characters keep the first 260 and report 1; more change nothing.
    const std::wstring text261(261, L'q'), text300(300, L'r');
    EXPECT_EQ(1u, path.Assign(CConstantString(text261.c_str())));
    EXPECT_EQ(text261.substr(0, 260), TextOf(path));
    EXPECT_EQ(1u, path.Assign(CConstantString(text300.c_str())));
    EXPECT_EQ(text261.substr(0, 260), TextOf(path));
}

TEST(PathBuffer, CopiesAndDirectWrites)
{
    CAutoPathBuffer source = MakePath(L"C:\\windows");
    CAutoPathBuffer copy(source);
    CAutoPathBuffer assigned;
    assigned = source;
    EXPECT_EQ(L"C:\\windows", TextOf(copy));
    EXPECT_EQ(L"C:\\windows", TextOf(assigned));

    NPath::IPathBuffer& buffer = assigned;
    buffer = static_cast<const NPath::IPath&>(MakePath(L"D:\\x"));
    EXPECT_EQ(L"D:\\x", TextOf(assigned));
    const NPath::IPathBuffer& other = copy;
    buffer = other;
    EXPECT_EQ(L"C:\\windows", TextOf(assigned));
    buffer = MakePath(L"D:\\x");
    EXPECT_EQ(L"D:\\x", TextOf(assigned));

    wchar_t* p = nullptr;
    ASSERT_EQ(0u, buffer.GetBuffer(&p));
    for (int i = 0; i < 261; ++i)
        p[i] = L'z';
    EXPECT_EQ(260u, buffer.ReleaseBuffer());

    NString::IStringBuffer* text = nullptr;
    EXPECT_EQ(1u, buffer.GetStringBuffer(nullptr));
    ASSERT_EQ(0u, buffer.GetStringBuffer(&text));
    EXPECT_EQ(260u, text->GetCapacity());
}

TEST(PathBuffer, GrowingAPathArrayKeepsEveryText)
{
    NArray::CDynamicHeapArrayBuffer<CAutoPathBuffer> paths;
    for (uint32_t i = 0; i < 30; ++i) {
        ASSERT_EQ(0u, paths.Grow(1));
        paths.GetAt(i) = MakePath(L"C:\\folder\\" + std::to_wstring(i));
    }
    EXPECT_EQ(32u, paths.GetCapacity());
    for (uint32_t i = 0; i < 30; ++i)
        EXPECT_EQ(L"C:\\folder\\" + std::to_wstring(i), TextOf(paths.GetAt(i)));
    ASSERT_EQ(0u, paths.RemoveAt(0));
    EXPECT_EQ(L"C:\\folder\\1", TextOf(paths.GetAt(0)));
    EXPECT_EQ(29u, paths.GetSize());
}

TEST(PathEquality, TextsOfMissingPathsCompareWithoutCase)
{
    CAutoPathBuffer first = MakePath(L"C:\\No Such Folder\\File.TXT");
    CAutoPathBuffer second = MakePath(L"c:\\no such folder\\file.txt");
    CAutoPathBuffer other = MakePath(L"c:\\no such folder\\file2.txt");
    EXPECT_TRUE(first.IsEqual(second));
    EXPECT_TRUE(first == second);
    EXPECT_FALSE(first != second);
    EXPECT_FALSE(first.IsEqual(other));
    EXPECT_TRUE(first.IsNotEqual(other));
    EXPECT_TRUE(CAutoPathBuffer() == CAutoPathBuffer());
}

TEST_F(PathOnDisk, ShortAndLongFormsOfOneDirectoryAreEqual)
{
    const std::wstring shortForm = ShortFormOf(directory);
    ASSERT_FALSE(shortForm.empty());
    ASSERT_NE(directory, shortForm);
    EXPECT_TRUE(MakePath(directory) == MakePath(shortForm));
    EXPECT_TRUE(MakePath(shortForm) == MakePath(directory));
    EXPECT_FALSE(MakePath(directory) == MakePath(file));
    EXPECT_FALSE(MakePath(directory) == MakePath(ShortFormOf(file)));
}

TEST_F(PathOnDisk, ConversionsGiveWhatWindowsReports)
{
    CAutoPathBuffer converted;
    const std::wstring shortForm = ShortFormOf(file);
    ASSERT_EQ(0u, NPath::ToShortPath(converted, MakePath(file).AsString()));
    EXPECT_EQ(shortForm, TextOf(converted));
    EXPECT_EQ(shortForm.size(), converted.GetLength());

    ASSERT_EQ(0u, NPath::ToLongPath(converted, converted.AsString()));
    EXPECT_EQ(file, TextOf(converted));

    // A missing file: 1, and the destination keeps its text.
    EXPECT_EQ(1u, NPath::ToLongPath(converted, MakePath(root + L"\\missing.txt").AsString()));
    EXPECT_EQ(1u, NPath::ToShortPath(converted, MakePath(root + L"\\missing.txt").AsString()));
    EXPECT_EQ(file, TextOf(converted));
}

TEST_F(PathOnDisk, IsDirectoryOnlyForRealDirectories)
{
    EXPECT_TRUE(NPath::IsDirectory(MakePath(directory)));
    EXPECT_TRUE(NPath::IsDirectory(MakePath(ShortFormOf(directory))));
    EXPECT_TRUE(NPath::IsDirectory(MakePath(directory + L"\\..")));
    EXPECT_FALSE(NPath::IsDirectory(MakePath(file)));
    EXPECT_FALSE(NPath::IsDirectory(MakePath(root + L"\\missing")));
    EXPECT_FALSE(NPath::IsDirectory(CAutoPathBuffer()));

    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"."));
    EXPECT_FALSE(NPath::IsDirectory(MakePath(L".")));
    EXPECT_FALSE(NPath::IsDirectory(MakePath(L"..")));
}

namespace {

// Nested directories a\b\c and a\b\d whose long forms exceed 260
// characters, reached through their short forms, which fit.
class DeepPathOnDisk : public PathOnDisk
{
protected:
    void SetUp() override
    {
        PathOnDisk::SetUp();
        const std::wstring rootShort = ShortFormOf(root);
        ASSERT_FALSE(rootShort.empty());
        const std::wstring a = AddDirectory(root, rootShort, L'a');
        const std::wstring b = AddDirectory(root + L"\\" + std::wstring(90, L'a'), a, L'b');
        const std::wstring bLong =
            root + L"\\" + std::wstring(90, L'a') + L"\\" + std::wstring(90, L'b');
        shortC = AddDirectory(bLong, b, L'c');
        shortD = AddDirectory(bLong, b, L'd');
        ASSERT_GT(created.back().size(), 260u);
    }

    // Creates parent\<90 letters> and returns its short form.
    std::wstring AddDirectory(const std::wstring& parentLong, const std::wstring& parentShort,
                              wchar_t letter)
    {
        const std::wstring path = parentLong + L"\\" + std::wstring(90, letter);
        EXPECT_TRUE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr));
        created.push_back(path);
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((L"\\\\?\\" + path).c_str(), &found);
        EXPECT_NE(INVALID_HANDLE_VALUE, find);
        if (find == INVALID_HANDLE_VALUE)
            return std::wstring();
        FindClose(find);
        EXPECT_NE(L'\0', found.cAlternateFileName[0]);
        return parentShort + L"\\" + found.cAlternateFileName;
    }

    void TearDown() override
    {
        for (auto it = created.rbegin(); it != created.rend(); ++it)
            RemoveDirectoryW((L"\\\\?\\" + *it).c_str());
        PathOnDisk::TearDown();
    }

    std::vector<std::wstring> created;
    std::wstring shortC;
    std::wstring shortD;
};

}  // namespace

TEST_F(DeepPathOnDisk, LongFormThatDoesNotFitIsAFailure)
{
    CAutoPathBuffer converted = MakePath(L"previous");
    EXPECT_EQ(1u, NPath::ToLongPath(converted, MakePath(shortC).AsString()));
    EXPECT_EQ(L"previous", TextOf(converted));
    EXPECT_TRUE(NPath::IsDirectory(MakePath(shortC)));
}

TEST_F(DeepPathOnDisk, PathsWhoseLongFormsDoNotFitAreNotTakenAsEqual)
{
    // Neither long form can be had; an empty form must not make them equal.
    EXPECT_FALSE(MakePath(shortC) == MakePath(shortD));
    EXPECT_TRUE(MakePath(shortC) == MakePath(shortC));
}
