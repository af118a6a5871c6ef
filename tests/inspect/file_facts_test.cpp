#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <vector>
#include <tuple>

#include "common/error.h"
#include "common/handles.h"
#include "common/text.h"
#include "inspect/file_facts.h"
#include "inspect/version_block.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

std::wstring Fixture(const std::wstring& variant) {
    return testing::FixturePath(L"fixture_version_" + variant + L".dll");
}

void SetAttributes(const std::wstring& path, DWORD attributes) {
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << GetLastError();
}

TEST(VersionField, TheChosenTranslationsTextOrNotAvailable) {
    const struct {
        const wchar_t *variant, *field, *text;
    } cases[] = {
        {L"german_first", L"FileDescription", L"English description"}, // U.S. English wherever it is listed
        {L"german_only", L"FileVersion", L"5.6.7.8 (deutsch)"},        // the only listed one, not the unlisted English
        {L"no_translation", L"FileDescription", L"Neutral code page"},
        {L"empty_field", L"filedescription", L"Has empty fields"}, // names without regard to case
        {L"empty_field", L"Comments", L"N/A"},                     // present but empty
        {L"odd_translation", L"FileDescription", L"Ganzes Paar"},  // the half pair is not read
        {L"none", L"FileDescription", L""},
        {L"oversized", L"FileDescription", L"Before the cap"}, // a resource past the cap is read up to it
        {L"oversized", L"LegalCopyright", L"N/A"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetFileVersionField(Fixture(c.variant), c.field), c.text) << WideToUtf8(c.variant);
}

// The one-open read (with the dates asked of the file or taken from a folder listing) gives exactly what the
// single-fact calls give, file by file.
TEST(ReportFacts, EqualTheSingleFactsOfEachFile) {
    testing::TempFolder folder;
    const std::vector<std::wstring> fields = {L"FileDescription", L"FileVersion", L"LegalCopyright", L"Comments"};
    std::vector<std::wstring> files;
    for (const wchar_t* variant : {L"german_first", L"german_only", L"no_translation", L"empty_field",
                                   L"odd_translation", L"none", L"oversized"})
        files.push_back(Fixture(variant));
    files.push_back(folder.WriteFile(L"plain.ocx", std::string(3000, 'x')));
    files.push_back(folder.WriteFile(L"short.ocx", "M"));
    files.push_back(folder.WriteFile(L"headless.ocx", "MZ not really an image"));
    files.push_back(folder.WriteFile(L"dated.ocx", "d")); // its times differ from one another
    {
        const SYSTEMTIME accessed{1999, 12, 6, 25, 12, 0, 0, 0}, written{2002, 3, 4, 7, 12, 0, 0, 0};
        FILETIME access{}, write{};
        FileHandle file(
            CreateFileW(files.back().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SystemTimeToFileTime(&accessed, &access) && SystemTimeToFileTime(&written, &write));
        ASSERT_TRUE(file && SetFileTime(file.Get(), nullptr, &access, &write));
    }
    // A file open for writing: no dates, even where the listing has them, but its version text is still read.
    const std::wstring locked = folder.File(L"locked.dll");
    ASSERT_TRUE(CopyFileW(Fixture(L"german_first").c_str(), locked.c_str(), FALSE));
    FileHandle writer(CreateFileW(locked.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    files.push_back(locked);
    for (const std::wstring& path : files) {
        for (const bool fromListing : {true, false}) {
            // Reading a file's bytes moves its access time: what to expect is taken right before.
            FileExistenceCache cache;
            ListedFile listed;
            ASSERT_TRUE(cache.IsOrdinaryFile(path, &listed)) << WideToUtf8(path);
            const std::wstring dates = GetFileDate(path, L"create") + L"|" + GetFileDate(path, L"access") + L"|" +
                                       GetFileDate(path, L"modify");
            const FileReportFacts facts = ReadFileReportFacts(path, fields, fromListing ? &listed : nullptr);
            EXPECT_EQ(facts.dates.created + L"|" + facts.dates.accessed + L"|" + facts.dates.modified, dates)
                << WideToUtf8(path);
            ASSERT_EQ(facts.fields.size(), fields.size());
            for (size_t i = 0; i < fields.size(); ++i)
                EXPECT_EQ(facts.fields[i], GetFileVersionField(path, fields[i])) << WideToUtf8(path + L" " + fields[i]);
        }
    }
    EXPECT_EQ(GetFileDate(locked, L"modify"), L"Unknown");
    EXPECT_EQ(GetFileVersionField(locked, L"FileDescription"), L"English description");
}

// The version text as the platform's own reader gives it (the translation chosen as GetFileVersionField does).
std::wstring PlatformField(const std::wstring& path, const std::wstring& field) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return L"";
    std::vector<std::uint8_t> block(size + 4, 0);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return L"";
    void* table = nullptr;
    UINT tableSize = 0;
    std::optional<std::span<const std::uint8_t>> translation;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &table, &tableSize))
        translation = std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(table), tableSize);
    void* value = nullptr;
    UINT length = 0;
    const std::wstring sub = L"\\StringFileInfo\\" + ChooseTranslationKey(translation) + L"\\" + field;
    if (!VerQueryValueW(block.data(), sub.c_str(), &value, &length) || !value) return L"N/A";
    const std::wstring text = CutAtNul(std::wstring(static_cast<const wchar_t*>(value), length));
    return text.empty() ? L"N/A" : text;
}

// The images of the system folder, read from their own bytes, say what the platform's reader says.
TEST(VersionField, SystemImagesReadAsThePlatformReadsThem) {
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW((std::wstring(system) + L"\\*.dll").c_str(), &data));
    ASSERT_TRUE(find);
    int compared = 0;
    do {
        const std::wstring path = std::wstring(system) + L"\\" + data.cFileName;
        for (const wchar_t* field : {L"FileDescription", L"FileVersion", L"LegalCopyright"})
            EXPECT_EQ(GetFileVersionField(path, field), PlatformField(path, field)) << WideToUtf8(path);
    } while (++compared < 60 && FindNextFileW(find.Get(), &data));
    EXPECT_EQ(compared, 60);
}

TEST(FileDate, TheTimeIsChosenByItsExactNameAndUnreadableFilesAreUnknown) {
    testing::TempFolder folder;
    const std::wstring path = folder.WriteFile(L"dated.txt", "x");
    {
        // Noon UTC stays on the same calendar day in every time zone but the farthest.
        const SYSTEMTIME accessed{1999, 12, 6, 25, 12, 0, 0, 0}, written{2002, 3, 4, 7, 12, 0, 0, 0};
        FILETIME access{}, write{};
        FileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SystemTimeToFileTime(&accessed, &access) && SystemTimeToFileTime(&written, &write));
        ASSERT_TRUE(file && SetFileTime(file.Get(), nullptr, &access, &write));
    }
    EXPECT_EQ(GetFileDate(path, L"access"), L"12/25/1999");
    // Any other text chooses no time, so the last-write date stands in.
    for (const wchar_t* which : {L"modify", L"Create", L"ACCESS", L"modify ", L""})
        EXPECT_EQ(GetFileDate(path, which), L"03/07/2002") << WideToUtf8(which);

    for (const std::wstring& other : {folder.Text(), folder.File(L"missing.txt"), std::wstring()})
        EXPECT_EQ(GetFileDate(other, L"modify"), L"Unknown") << WideToUtf8(other);
    // Open for writing without read sharing: the date cannot be read meanwhile.
    FileHandle writer(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(GetFileDate(path, L"modify"), L"Unknown");
}

TEST(FileSize, KilobytesRoundHalfToEvenPastFourGigabytesAndAnUnreadableLengthIsError53) {
    testing::TempFolder folder;
    for (const auto& [bytes, text] :
         {std::pair{512, L"0 KB"}, std::pair{513, L"1 KB"}, std::pair{1536, L"2 KB"}, std::pair{2560, L"2 KB"}}) {
        const std::wstring path = folder.WriteFile(std::to_wstring(bytes) + L".bin", std::string(bytes, 'z'));
        EXPECT_EQ(FileSizeText(path), text) << bytes;
    }
    for (const std::wstring& path :
         {folder.File(L"missing.bin"), folder.Text(), folder.File(L"*.bin"), std::wstring()}) {
        try {
            FileSizeText(path);
            ADD_FAILURE() << "no error for " << WideToUtf8(path);
        } catch (const Error& error) {
            EXPECT_EQ(error.Number(), 53);
            EXPECT_EQ(error.Description(), L"File not found");
        }
    }

    // Lengths past four gigabytes are exact.
    const std::wstring path = folder.File(L"sparse.bin");
    const std::uint64_t length = 5ull * 1024 * 1024 * 1024 + 1536;
    {
        FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD ignored = 0;
        // Sparse where the platform can say so; a Linux file system makes holes on its own.
        DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(length);
        if (!SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get()))
            GTEST_SKIP() << "this file system cannot hold a 5 GB file";
    }
    EXPECT_EQ(FileSizeText(path), L"5242882 KB");
    std::uint64_t found = 0, cached = 0;
    EXPECT_TRUE(OrdinaryFileExists(path, &found));
    EXPECT_EQ(found, length);
    EXPECT_TRUE(FileExistenceCache().IsOrdinaryFile(path, &cached));
    EXPECT_EQ(cached, length);
}

// A folder holding every kind of entry the existence test tells apart.
class MixedFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const std::tuple<const wchar_t*, std::size_t, DWORD> files[] = {
            {L"Normal.dll", 1000, FILE_ATTRIBUTE_NORMAL},
            {L"readonly.dll", 1500, FILE_ATTRIBUTE_READONLY},
            {L"hiddenro.dll", 10, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY},
            {L"A long server name.ocx", 4000, FILE_ATTRIBUTE_NORMAL},
            {L"Sub\\inner.dll", 5000, FILE_ATTRIBUTE_NORMAL}};
        ASSERT_TRUE(CreateDirectoryW(folder.File(L"Sub").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(folder.File(L"Hidden Sub").c_str(), nullptr));
        SetAttributes(folder.File(L"Hidden Sub"), FILE_ATTRIBUTE_HIDDEN);
        // Hidden and system files with a version resource, which is not read either.
        for (const auto& [name, hiding] :
             {std::pair{L"hidden.dll", FILE_ATTRIBUTE_HIDDEN}, std::pair{L"system.dll", FILE_ATTRIBUTE_SYSTEM}}) {
            ASSERT_TRUE(CopyFileW(Fixture(L"german_first").c_str(), folder.File(name).c_str(), FALSE));
            SetAttributes(folder.File(name), hiding);
        }
        for (const auto& [name, bytes, attributes] : files)
            SetAttributes(folder.WriteFile(name, std::string(bytes, 'b')), attributes);
    }
    // Both answers, which must agree, and the lengths they give.
    bool Check(const std::wstring& path) {
        std::uint64_t cachedLength = 0, searchedLength = 0;
        const bool cached = cache.IsOrdinaryFile(path, &cachedLength);
        EXPECT_EQ(cached, OrdinaryFileExists(path, &searchedLength)) << WideToUtf8(path);
        EXPECT_EQ(cachedLength, searchedLength) << WideToUtf8(path);
        return cached;
    }
    testing::TempFolder folder;
    FileExistenceCache cache;
};

TEST_F(MixedFolder, OrdinaryFilesAreFoundUnderAnyNameThatReachesThemAndNothingElseIs) {
    for (const wchar_t* name :
         {L"NORMAL.DLL", L"normal.dll", L"ReadOnly.DLL", L"a LONG server NAME.OCX", L"sub\\INNER.dll", L"Normal.dll."})
        EXPECT_TRUE(Check(folder.File(name))) << WideToUtf8(name);

    for (const wchar_t* name :
         {L"HIDDEN.DLL", L"system.dll", L"hiddenro.dll", L"Sub", L"Sub\\", L"Hidden Sub", L"missing.dll", L"Normal.dl",
          L"Normal.dll.bak", L"No Such Folder\\Normal.dll", L"Normal.dll\\inner.dll", L"Hidden Sub\\anything.dll",
          L"Normal.dl?", L"Norm*.dll", L"*", L"Su?\\inner.dll", L"Normal<"})
        EXPECT_FALSE(Check(folder.File(name))) << WideToUtf8(name);
    for (const wchar_t* name : {L"hidden.dll", L"system.dll"})
        EXPECT_EQ(GetFileVersionField(folder.File(name), L"FileDescription"), L"") << WideToUtf8(name);

    // Short names, relative paths and dots resolve as the directory search resolves them.
    wchar_t shortName[MAX_PATH] = {};
    const std::wstring longName = folder.File(L"A long server name.ocx");
    if (GetShortPathNameW(longName.c_str(), shortName, MAX_PATH) != 0 && longName != shortName) {
        EXPECT_TRUE(Check(shortName)) << WideToUtf8(shortName);
    }
    EXPECT_TRUE(Check(folder.File(L"Sub\\..\\Normal.dll")));

    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.File(L"Sub").c_str()));
    EXPECT_TRUE(Check(L"inner.dll"));
    EXPECT_TRUE(Check(L"..\\Normal.dll"));
    SetCurrentDirectoryW(previous);
}

TEST_F(MixedFolder, EachFolderIsListedOnceUntilCleared) {
    for (int round = 0; round < 2; ++round)
        for (const wchar_t* name : {L"Normal.dll", L"missing1.dll", L"HIDDEN.dll", L"Sub"})
            cache.IsOrdinaryFile(folder.File(name));
    // The same folder spelt in another case is the same folder.
    cache.IsOrdinaryFile(ToUpperText(folder.File(L"missing3.dll")));
    EXPECT_EQ(cache.FolderListings(), 1u);

    // The answers are those of the first listing; a file made later is seen after Clear.
    folder.WriteFile(L"later.dll", "x");
    EXPECT_FALSE(cache.IsOrdinaryFile(folder.File(L"later.dll")));
    cache.Clear();
    EXPECT_TRUE(cache.IsOrdinaryFile(folder.File(L"later.dll")));
    EXPECT_EQ(cache.FolderListings(), 1u);
}

} // namespace
} // namespace nivex
