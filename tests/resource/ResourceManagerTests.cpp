#include <gtest/gtest.h>

#include <string>

#include "LiveAllocations.h"
#include "library/resource/ResourceManager.h"

using NLibrary::NDatatype::NPath::CAutoPathBuffer;
using NLibrary::NDatatype::NPath::IPath;
using NLibrary::NDatatype::NString::AreEqual;
using NLibrary::NDatatype::NString::CConstantString;
using NLibrary::NResource::CResourceManager;
typedef CResourceManager::CResourceNamespace Namespace;

namespace {

std::wstring PathOf(const IPath& path)
{
    const wchar_t* text = nullptr;
    return path.GetString(&text) == 0 ? std::wstring(text) : std::wstring(L"<none>");
}

struct CCountedNamespace : Namespace
{
    explicit CCountedNamespace(int* destroyed_) : destroyed(destroyed_) {}
    ~CCountedNamespace() override { ++*destroyed; }
    int* destroyed;
};

// Adopts namespaces of its own making, null entries included.
struct CAdoptingManager : CResourceManager
{
    void Adopt(Namespace* entry)
    {
        auto& list = GetNamespaceList();
        ASSERT_EQ(0u, list.Grow(1));
        list.GetAt(list.GetSize() - 1) = entry;
    }
};

}  // namespace

TEST(ResourceManager, CreatesUniquelyNamedNamespacesAndFindsThemWithoutCase)
{
    CResourceManager manager;
    Namespace* fonts = nullptr;
    Namespace* images = nullptr;
    ASSERT_EQ(0u, manager.CreateNamespace(CConstantString(L"Fonts"), &fonts));
    ASSERT_EQ(0u, manager.CreateNamespace(CConstantString(L"Images"), &images));
    ASSERT_NE(fonts, images);
    EXPECT_TRUE(AreEqual(fonts->GetName(), CConstantString(L"Fonts"), 0));

    Namespace* found = nullptr;
    EXPECT_EQ(0u, manager.FindNamespace(CConstantString(L"fONTS"), &found));
    EXPECT_EQ(fonts, found);
    EXPECT_EQ(0u, manager.FindNamespace(CConstantString(L"Images"), &found));
    EXPECT_EQ(images, found);

    Namespace* refused = nullptr;
    EXPECT_EQ(1u, manager.CreateNamespace(CConstantString(L"FONTS"), &refused));
    EXPECT_EQ(1u, manager.CreateNamespace(CConstantString(L""), &refused));
    EXPECT_EQ(1u, manager.CreateNamespace(CConstantString(L"Sounds"), nullptr));
    EXPECT_EQ(nullptr, refused);
    EXPECT_EQ(1u, manager.FindNamespace(CConstantString(L"Sounds"), &found));
    EXPECT_EQ(2u, manager.GetNamespaceCount());
}

TEST(ResourceManager, NamespaceKeepsItsPathAndListOfPaths)
{
    CResourceManager manager;
    Namespace* entry = nullptr;
    ASSERT_EQ(0u, manager.CreateNamespace(CConstantString(L"System"), &entry));
    EXPECT_EQ(0u, entry->SetPath(CConstantString(L"C:\\windows")));
    EXPECT_EQ(L"C:\\windows", PathOf(entry->GetPath()));

    EXPECT_EQ(0u, entry->AddPath(CConstantString(L"C:\\windows\\system32")));
    EXPECT_EQ(0u, entry->AddPath(CConstantString(L"Z:\\no\\such\\folder")));
    EXPECT_EQ(1u, entry->AddPath(CConstantString(L"")));
    const std::wstring longest(260, L'a'), tooLong(261, L'a');
    EXPECT_EQ(0u, entry->AddPath(CConstantString(longest.c_str())));
    EXPECT_EQ(1u, entry->AddPath(CConstantString(tooLong.c_str())));
    ASSERT_EQ(3u, entry->GetPathCount());

    const IPath* path = nullptr;
    ASSERT_EQ(0u, entry->GetPathAt(1, &path));
    EXPECT_EQ(L"Z:\\no\\such\\folder", PathOf(*path));
    ASSERT_EQ(0u, entry->GetPathAt(2, &path));
    EXPECT_EQ(longest, PathOf(*path));
    EXPECT_EQ(1u, entry->GetPathAt(3, &path));

    CAutoPathBuffer probe;
    probe.Assign(CConstantString(L"c:\\WINDOWS\\System32"));
    EXPECT_TRUE(entry->ContainsPath(probe));
    probe.Assign(CConstantString(L"C:\\windows\\fonts"));
    EXPECT_FALSE(entry->ContainsPath(probe));

    entry->ClearPaths();
    EXPECT_EQ(0u, entry->GetPathCount());
    EXPECT_EQ(0u, entry->AddPath(CConstantString(L"C:\\again")));
    EXPECT_EQ(1u, entry->GetPathCount());
}

TEST(ResourceManager, ManyPathsKeepTheirTextThroughGrowth)
{
    CResourceManager manager;
    Namespace* entry = nullptr;
    ASSERT_EQ(0u, manager.CreateNamespace(CConstantString(L"Many"), &entry));
    for (int i = 0; i < 1000; ++i) {
        const std::wstring text = L"C:\\data\\" + std::to_wstring(i);
        ASSERT_EQ(0u, entry->AddPath(CConstantString(text.c_str())));
    }
    ASSERT_EQ(1000u, entry->GetPathCount());
    for (uint32_t i = 0; i < 1000; i += 37) {
        const IPath* path = nullptr;
        ASSERT_EQ(0u, entry->GetPathAt(i, &path));
        EXPECT_EQ(L"C:\\data\\" + std::to_wstring(i), PathOf(*path));
    }
}

TEST(ResourceManagerTeardown, DeletesEveryNamespaceAndSkipsNullEntries)
{
    int destroyed = 0;
    {
        CAdoptingManager manager;
        manager.Adopt(nullptr);
        manager.Adopt(new CCountedNamespace(&destroyed));
        manager.Adopt(nullptr);
        manager.Adopt(new CCountedNamespace(&destroyed));
        Namespace* named = nullptr;
        ASSERT_EQ(0u, manager.CreateNamespace(CConstantString(L"Named"), &named));
        Namespace* found = nullptr;
        EXPECT_EQ(0u, manager.FindNamespace(CConstantString(L"named"), &found));
        EXPECT_EQ(named, found);
        EXPECT_EQ(5u, manager.GetNamespaceCount());
    }
    EXPECT_EQ(2, destroyed);
}

TEST(ResourceManagerTeardown, DeleteNamespacesLeavesAUsableEmptyManager)
{
    int destroyed = 0;
    CAdoptingManager manager;
    manager.Adopt(new CCountedNamespace(&destroyed));
    Namespace* entry = nullptr;
    ASSERT_EQ(0u, manager.CreateNamespace(CConstantString(L"Fonts"), &entry));
    manager.DeleteNamespaces();
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(0u, manager.GetNamespaceCount());
    EXPECT_EQ(1u, manager.FindNamespace(CConstantString(L"Fonts"), &entry));
    EXPECT_EQ(0u, manager.CreateNamespace(CConstantString(L"Fonts"), &entry));
    EXPECT_EQ(1u, manager.GetNamespaceCount());
}

TEST(ResourceManagerTeardown, EmptyManagerAllocatesAndFreesNothing)
{
    const long long before = LiveAllocations();
    {
        CResourceManager manager;
        manager.DeleteNamespaces();
        EXPECT_EQ(before, LiveAllocations());
    }
    EXPECT_EQ(before, LiveAllocations());
}

TEST(ResourceManagerTeardown, GivesBackEveryBlockOfNamespacesAndPaths)
{
    const long long before = LiveAllocations();
    {
        CAdoptingManager manager;
        manager.Adopt(nullptr);
        for (int n = 0; n < 3; ++n) {
            const std::wstring name = L"Namespace" + std::to_wstring(n);
            Namespace* entry = nullptr;
            ASSERT_EQ(0u, manager.CreateNamespace(CConstantString(name.c_str()), &entry));
            entry->SetPath(CConstantString(L"C:\\base"));
            for (int i = 0; i < 300; ++i) {
                const std::wstring text = L"C:\\base\\" + std::to_wstring(i);
                ASSERT_EQ(0u, entry->AddPath(CConstantString(text.c_str())));
            }
        }
        manager.Adopt(nullptr);
        EXPECT_GT(LiveAllocations(), before);

        Namespace* entry = nullptr;
        ASSERT_EQ(0u, manager.FindNamespace(CConstantString(L"Namespace1"), &entry));
        const long long withPaths = LiveAllocations();
        entry->ClearPaths();
        EXPECT_EQ(withPaths - 1, LiveAllocations());  // the one block of path buffers
    }
    EXPECT_EQ(before, LiveAllocations());
}
