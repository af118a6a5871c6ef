#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "common/handles.h"
#include "common/text.h"
#include "common/winutil.h"
#include "inspect/file_facts.h"
#include "inspect/version_block.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using testing::FixturePath;
using testing::TempFolder;

std::wstring Fixture(const std::wstring& variant) {
    return FixturePath(L"fixture_version_" + variant + L".dll");
}

// A copy of a fixture in the test's own folder, where its attributes may be changed.
std::wstring CopyFixture(const TempFolder& folder, const std::wstring& variant, const std::wstring& name) {
    const std::wstring copy = folder.File(name);
    EXPECT_TRUE(CopyFileW(Fixture(variant).c_str(), copy.c_str(), FALSE)) << GetLastError();
    return copy;
}

void SetAttributes(const std::wstring& path, DWORD attributes) {
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << GetLastError();
    constexpr DWORD kTold = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_EQ(GetFileAttributesW(path.c_str()) & kTold, attributes & kTold);
}

// The field as the ANSI functions read it, with the first listed translation: an independent reading
// for files that list a single translation.
std::wstring AnsiReading(const std::wstring& path, const std::string& field) {
    const std::string file = WideToAnsi(path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    std::vector<char> block(size + 2);
    if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return L"(unreadable)";
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4) return L"(none)";
    const WORD* pair = static_cast<const WORD*>(value);
    char key[16];
    wsprintfA(key, "%04X%04X", pair[0], pair[1]);
    const std::string sub = std::string("\\StringFileInfo\\") + key + "\\" + field;
    if (!VerQueryValueA(block.data(), sub.c_str(), &value, &length)) return L"(missing)";
    return AnsiToWide(std::string(static_cast<const char*>(value), length).c_str());
}

TEST(VersionField, UsEnglishIsReadWhereverItIsListed) {
    const std::wstring path = Fixture(L"german_first");
    EXPECT_EQ(GetFileVersionField(path, L"FileDescription"), L"English description");
    EXPECT_EQ(GetFileVersionField(path, L"FileVersion"), L"1.2.3.4 (English)");
    EXPECT_EQ(GetFileVersionField(path, L"LegalCopyright"), L"Copyright Example");
}

TEST(VersionField, TheOnlyListedTranslationIsRead) {
    const std::wstring path = Fixture(L"german_only");
    EXPECT_EQ(GetFileVersionField(path, L"FileDescription"), L"Nur deutsch");
    EXPECT_EQ(GetFileVersionField(path, L"FileVersion"), L"5.6.7.8 (deutsch)");
    EXPECT_EQ(AnsiReading(path, "FileDescription"), L"Nur deutsch");
}

TEST(VersionField, WithoutATranslationTableTheNeutralCodePageIsRead) {
    const std::wstring path = Fixture(L"no_translation");
    EXPECT_EQ(GetFileVersionField(path, L"FileDescription"), L"Neutral code page");
    EXPECT_EQ(GetFileVersionField(path, L"FileVersion"), L"9.0.0.1");
    EXPECT_EQ(GetFileVersionField(path, L"LegalCopyright"), L"N/A");
}

TEST(VersionField, EmptyAndMissingFieldsAreNotAvailable) {
    const std::wstring path = Fixture(L"empty_field");
    EXPECT_EQ(GetFileVersionField(path, L"FileDescription"), L"Has empty fields");
    EXPECT_EQ(GetFileVersionField(path, L"Comments"), L"N/A");
    EXPECT_EQ(GetFileVersionField(path, L"LegalCopyright"), L"N/A");
    EXPECT_EQ(GetFileVersionField(path, L"SpecialBuild"), L"N/A");
    // Field names are looked up without regard to case, as the platform's query does.
    EXPECT_EQ(GetFileVersionField(path, L"filedescription"), L"Has empty fields");
}

TEST(VersionField, AStrayHalfPairInTheTranslationIsNotRead) {
    EXPECT_EQ(GetFileVersionField(Fixture(L"odd_translation"), L"FileDescription"), L"Ganzes Paar");
}

TEST(VersionField, NoVersionResourceGivesEmpty) {
    const std::wstring path = Fixture(L"none");
    ASSERT_TRUE(OrdinaryFileExists(path));
    EXPECT_EQ(GetFileVersionField(path, L"FileDescription"), L"");
    EXPECT_EQ(GetFileVersionField(path, L"FileVersion"), L"");
}

TEST(VersionField, AResourcePastTheCapIsReadUpToIt) {
    const std::wstring path = Fixture(L"oversized");
    {
        Module data(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(data);
        HRSRC resource = FindResourceW(data.Get(), MAKEINTRESOURCEW(1), RT_VERSION);
        ASSERT_NE(resource, nullptr);
        ASSERT_GT(SizeofResource(data.Get(), resource), kVersionBlockCap) << "the fixture no longer passes the cap";
    }
    EXPECT_EQ(GetFileVersionField(path, L"FileDescription"), L"Before the cap");
    EXPECT_EQ(GetFileVersionField(path, L"Filler10").substr(0, 10), L"0123456789");
    EXPECT_EQ(GetFileVersionField(path, L"LegalCopyright"), L"N/A");
}

TEST(VersionField, OnlyOrdinaryFilesAreRead) {
    TempFolder folder;
    const std::wstring copy = CopyFixture(folder, L"german_first", L"Server Copy.dll");
    EXPECT_EQ(GetFileVersionField(copy, L"FileDescription"), L"English description");
    EXPECT_EQ(GetFileVersionField(folder.File(L"SERVER COPY.DLL"), L"FileDescription"), L"English description");

    SetAttributes(copy, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(GetFileVersionField(copy, L"FileDescription"), L"English description");
    SetAttributes(copy, FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(GetFileVersionField(copy, L"FileDescription"), L"");
    SetAttributes(copy, FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(GetFileVersionField(copy, L"FileDescription"), L"");
    SetAttributes(copy, FILE_ATTRIBUTE_NORMAL);

    // A pattern would match the copy, but it names no file.
    EXPECT_EQ(GetFileVersionField(folder.File(L"Server Cop?.dll"), L"FileDescription"), L"");
    EXPECT_EQ(GetFileVersionField(folder.File(L"*.dll"), L"FileDescription"), L"");
    EXPECT_EQ(GetFileVersionField(folder.File(L"missing.dll"), L"FileDescription"), L"");
    EXPECT_EQ(GetFileVersionField(folder.Text(), L"FileDescription"), L"");
    EXPECT_EQ(GetFileVersionField(L"", L"FileDescription"), L"");
}

TEST(VersionField, SystemFilesOfThePrefixHaveTheirTexts) {
    const std::wstring kernel = QuerySystemDirectory() + L"\\kernel32.dll";
    const std::wstring description = GetFileVersionField(kernel, L"FileDescription");
    const std::wstring version = GetFileVersionField(kernel, L"FileVersion");
    EXPECT_FALSE(description.empty());
    EXPECT_NE(description, L"N/A");
    EXPECT_FALSE(version.empty());
    EXPECT_NE(version, L"N/A");
    // The wide reading gives the texts the ANSI functions give.
    EXPECT_EQ(description, AnsiReading(kernel, "FileDescription"));
    EXPECT_EQ(version, AnsiReading(kernel, "FileVersion"));
}

void SetTimes(const std::wstring& path, const SYSTEMTIME* accessed, const SYSTEMTIME* written) {
    FileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << GetLastError();
    FILETIME access{}, write{};
    if (accessed) {
        ASSERT_TRUE(SystemTimeToFileTime(accessed, &access));
    }
    if (written) {
        ASSERT_TRUE(SystemTimeToFileTime(written, &write));
    }
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, accessed ? &access : nullptr, written ? &write : nullptr));
}

std::wstring LocalToday() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t text[16];
    wsprintfW(text, L"%02u/%02u/%04u", now.wMonth, now.wDay, now.wYear);
    return text;
}

// Noon UTC stays on the same calendar day in every time zone but the farthest.
const SYSTEMTIME kWritten{2002, 3, 4, 7, 12, 0, 0, 0};
const SYSTEMTIME kAccessed{1999, 12, 6, 25, 12, 0, 0, 0};

TEST(FileDate, TheTimeIsChosenByItsExactName) {
    TempFolder folder;
    const std::wstring before = LocalToday();
    const std::wstring path = folder.WriteFile(L"dated.txt", "x");
    SetTimes(path, &kAccessed, &kWritten);
    const std::wstring after = LocalToday();

    EXPECT_EQ(GetFileDate(path, L"modify"), L"03/07/2002");
    EXPECT_EQ(GetFileDate(path, L"access"), L"12/25/1999");
    // The file was made today; Wine reports the last-write time as the creation time.
    const std::wstring created = GetFileDate(path, L"create");
    EXPECT_TRUE(created == before || created == after || created == L"03/07/2002") << WideToUtf8(created);
    // Any other text chooses no time, so the last-write date stands in.
    for (const wchar_t* other : {L"Create", L"ACCESS", L"modify ", L"", L"written"}) {
        EXPECT_EQ(GetFileDate(path, other), L"03/07/2002") << other;
    }
}

TEST(FileDate, FilesThatCannotBeOpenedForReadingAreUnknown) {
    TempFolder folder;
    const std::wstring path = folder.WriteFile(L"locked.txt", "x");
    SetTimes(path, nullptr, &kWritten);
    EXPECT_EQ(GetFileDate(folder.Text(), L"modify"), L"Unknown");
    EXPECT_EQ(GetFileDate(folder.File(L"missing.txt"), L"modify"), L"Unknown");
    EXPECT_EQ(GetFileDate(L"", L"modify"), L"Unknown");
    {
        // Open for writing without read sharing: the date cannot be read meanwhile.
        FileHandle writer(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer);
        EXPECT_EQ(GetFileDate(path, L"modify"), L"Unknown");
    }
    EXPECT_EQ(GetFileDate(path, L"modify"), L"03/07/2002");
    // Hidden and read-only files are read all the same.
    SetAttributes(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(GetFileDate(path, L"modify"), L"03/07/2002");
    SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
}

TEST(FileSize, KilobytesRoundHalfToEven) {
    TempFolder folder;
    const struct {
        std::size_t bytes;
        const wchar_t* text;
    } cases[] = {{0, L"0 KB"},    {511, L"0 KB"},  {512, L"0 KB"},  {513, L"1 KB"},
                 {1024, L"1 KB"}, {1536, L"2 KB"}, {2560, L"2 KB"}, {3584, L"4 KB"}};
    for (const auto& c : cases) {
        const std::wstring path =
            folder.WriteFile(L"size" + std::to_wstring(c.bytes) + L".bin", std::string(c.bytes, 'z'));
        EXPECT_EQ(FileSizeText(path), c.text) << c.bytes;
        EXPECT_EQ(FileLength(path), c.bytes);
    }
}

TEST(FileSize, AnUnreadableLengthRaisesFileNotFound) {
    TempFolder folder;
    for (const std::wstring& path : {folder.File(L"missing.bin"), folder.Text(), std::wstring(L"")}) {
        try {
            FileSizeText(path);
            ADD_FAILURE() << "no error for " << WideToUtf8(path);
        } catch (const Error& error) {
            EXPECT_EQ(error.Number(), 53);
            EXPECT_EQ(error.Description(), L"File not found");
        }
    }
}

TEST(FileSize, LengthsPastFourGigabytesAreExact) {
    TempFolder folder;
    const std::wstring path = folder.File(L"sparse.bin");
    const std::uint64_t length = 5ull * 1024 * 1024 * 1024 + 1536;
    {
        FileHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD ignored = 0;
        // Sparse where the platform can say so; a Linux file system makes holes on its own.
        DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(length);
        if (!SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get())) {
            GTEST_SKIP() << "this file system cannot hold a 5 GB file; SizeKbText covers large numbers";
        }
    }
    EXPECT_EQ(FileLength(path), length);
    EXPECT_EQ(FileSizeText(path), L"5242882 KB");
    std::uint64_t found = 0;
    ASSERT_TRUE(OrdinaryFileExists(path, &found));
    EXPECT_EQ(found, length);
    FileExistenceCache cache;
    found = 0;
    ASSERT_TRUE(cache.IsOrdinaryFile(path, &found));
    EXPECT_EQ(found, length);
}

} // namespace
} // namespace nivex
