#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "common/winutil.h"
#include "inspect/file_facts.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::TempFolder;

class CurrentFolder {
public:
    explicit CurrentFolder(const std::wstring& folder) {
        wchar_t old[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, old);
        old_ = old;
        EXPECT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    }
    ~CurrentFolder() { SetCurrentDirectoryW(old_.c_str()); }

private:
    std::wstring old_;
};

// A folder holding every kind of entry the existence test tells apart.
class MixedFolder : public ::testing::Test {
protected:
    void SetUp() override {
        Make(L"Normal.dll", 1000, FILE_ATTRIBUTE_NORMAL);
        Make(L"readonly.dll", 1500, FILE_ATTRIBUTE_READONLY);
        Make(L"archive.dll", 2500, FILE_ATTRIBUTE_ARCHIVE);
        Make(L"hidden.dll", 10, FILE_ATTRIBUTE_HIDDEN);
        Make(L"system.dll", 10, FILE_ATTRIBUTE_SYSTEM);
        Make(L"hiddenreadonly.dll", 10, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
        Make(L"UPPER.DLL", 3000, FILE_ATTRIBUTE_NORMAL);
        Make(L"lower.ocx", 3500, FILE_ATTRIBUTE_NORMAL);
        Make(L"A long server name.ocx", 4000, FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(CreateDirectoryW(folder.File(L"Sub").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(folder.File(L"Hidden Sub").c_str(), nullptr));
        ASSERT_TRUE(SetFileAttributesW(folder.File(L"Hidden Sub").c_str(), FILE_ATTRIBUTE_HIDDEN));
        Make(L"Sub\\inner.dll", 5000, FILE_ATTRIBUTE_NORMAL);
    }

    void Make(const std::wstring& name, std::size_t bytes, DWORD attributes) {
        const std::wstring path = folder.WriteFile(name, std::string(bytes, 'b'));
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << GetLastError();
    }

    // Both answers, which must agree, and the lengths they give.
    bool Check(FileExistenceCache& cache, const std::wstring& path) {
        std::uint64_t cachedLength = 0, searchedLength = 0;
        const bool cached = cache.IsOrdinaryFile(path, &cachedLength);
        const bool searched = OrdinaryFileExists(path, &searchedLength);
        EXPECT_EQ(cached, searched) << WideToUtf8(path);
        if (cached && searched) {
            EXPECT_EQ(cachedLength, searchedLength) << WideToUtf8(path);
        }
        return cached;
    }

    TempFolder folder;
};

TEST_F(MixedFolder, OrdinaryFilesAreFoundInAnyLetterCase) {
    FileExistenceCache cache;
    for (const wchar_t* name :
         {L"Normal.dll", L"NORMAL.DLL", L"normal.dll", L"readonly.dll", L"ReadOnly.DLL", L"archive.dll", L"UPPER.DLL",
          L"upper.dll", L"Upper.Dll", L"lower.ocx", L"LOWER.OCX", L"A long server name.ocx", L"a LONG server NAME.OCX",
          L"Sub\\inner.dll", L"sub\\INNER.dll"}) {
        EXPECT_TRUE(Check(cache, folder.File(name))) << WideToUtf8(name);
    }
    std::uint64_t length = 0;
    ASSERT_TRUE(cache.IsOrdinaryFile(folder.File(L"readonly.dll"), &length));
    EXPECT_EQ(length, 1500u);
}

TEST_F(MixedFolder, HiddenSystemFoldersAndMissingNamesAreNotFound) {
    FileExistenceCache cache;
    for (const wchar_t* name :
         {L"hidden.dll", L"HIDDEN.DLL", L"system.dll", L"hiddenreadonly.dll", L"Sub", L"sub", L"Sub\\", L"Hidden Sub",
          L"missing.dll", L"Normal.dl", L"Normal.dll.bak", L"Sub\\missing.dll", L"No Such Folder\\Normal.dll",
          L"Normal.dll\\inner.dll", L"Hidden Sub\\anything.dll"}) {
        EXPECT_FALSE(Check(cache, folder.File(name))) << WideToUtf8(name);
    }
}

TEST_F(MixedFolder, PatternsNeverMatchEvenWhereTheyWould) {
    FileExistenceCache cache;
    for (const wchar_t* name :
         {L"Normal.dl?", L"Norm*.dll", L"*", L"*.*", L"Su?\\inner.dll", L"Normal<", L"Normal.dll\""}) {
        EXPECT_FALSE(Check(cache, folder.File(name))) << WideToUtf8(name);
    }
}

TEST_F(MixedFolder, ShortNamesRelativePathsAndDotsResolveAlike) {
    FileExistenceCache cache;
    wchar_t shortName[MAX_PATH] = {};
    const std::wstring longName = folder.File(L"A long server name.ocx");
    if (GetShortPathNameW(longName.c_str(), shortName, MAX_PATH) != 0 && longName != shortName) {
        EXPECT_TRUE(Check(cache, shortName)) << WideToUtf8(shortName);
    }
    EXPECT_TRUE(Check(cache, folder.File(L"Sub\\..\\Normal.dll")));
    EXPECT_TRUE(Check(cache, folder.File(L".\\Sub\\.\\inner.dll")));
    EXPECT_FALSE(Check(cache, folder.File(L"Sub\\..\\hidden.dll")));
    EXPECT_TRUE(Check(cache, folder.File(L"Normal.dll.")));
    EXPECT_TRUE(Check(cache, L"\\\\?\\" + folder.File(L"Normal.dll")));

    CurrentFolder here(folder.File(L"Sub"));
    EXPECT_TRUE(Check(cache, L"inner.dll"));
    EXPECT_TRUE(Check(cache, L"..\\Normal.dll"));
    EXPECT_FALSE(Check(cache, L"Normal.dll"));
    EXPECT_FALSE(Check(cache, L"..\\system.dll"));
}

TEST_F(MixedFolder, EachFolderIsListedOnceUntilCleared) {
    FileExistenceCache cache;
    for (int round = 0; round < 3; ++round) {
        for (const wchar_t* name : {L"Normal.dll", L"missing1.dll", L"missing2.dll", L"HIDDEN.dll", L"Sub"}) {
            cache.IsOrdinaryFile(folder.File(name));
        }
    }
    EXPECT_EQ(cache.FolderListings(), 1u);
    // The same folder spelt in another case is the same folder.
    cache.IsOrdinaryFile(ToUpperText(folder.File(L"missing3.dll")));
    EXPECT_EQ(cache.FolderListings(), 1u);
    cache.IsOrdinaryFile(folder.File(L"Sub\\inner.dll"));
    cache.IsOrdinaryFile(folder.File(L"Sub\\missing.dll"));
    EXPECT_EQ(cache.FolderListings(), 2u);

    // The answers are those of the first listing; a file made later is seen after Clear.
    folder.WriteFile(L"later.dll", "x");
    EXPECT_FALSE(cache.IsOrdinaryFile(folder.File(L"later.dll")));
    cache.Clear();
    EXPECT_TRUE(cache.IsOrdinaryFile(folder.File(L"later.dll")));
    EXPECT_EQ(cache.FolderListings(), 1u);
}

TEST(FileExistenceCache, TheSystemFolderAgreesWithTheDirectorySearch) {
    FileExistenceCache cache;
    const std::wstring system = QuerySystemDirectory();
    for (const wchar_t* name : {L"kernel32.dll", L"KERNEL32.DLL", L"ole32.dll", L"comctl32.dll", L"oleaut32.dll",
                                L"no-such-server.ocx", L"drivers", L"kernel3?.dll"}) {
        const std::wstring path = system + L"\\" + name;
        std::uint64_t cachedLength = 0, searchedLength = 0;
        EXPECT_EQ(cache.IsOrdinaryFile(path, &cachedLength), OrdinaryFileExists(path, &searchedLength))
            << WideToUtf8(path);
        EXPECT_EQ(cachedLength, searchedLength) << WideToUtf8(path);
    }
    EXPECT_TRUE(cache.IsOrdinaryFile(system + L"\\Kernel32.dll"));
    EXPECT_FALSE(cache.IsOrdinaryFile(system + L"\\drivers"));
    EXPECT_EQ(cache.FolderListings(), 1u);
}

} // namespace
} // namespace nivex
