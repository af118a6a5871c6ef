// Registry backup text, identifier checks, confirmation texts, recent folders and the search's file tests.
#include <gtest/gtest.h>

#include "registration/reg_file.h"
#include "registration/repair_rules.h"

namespace nivex {
namespace {

std::vector<std::uint8_t> Utf16z(const std::wstring& text) {
    std::vector<std::uint8_t> bytes = EncodeUtf16Le(text + std::wstring(1, L'\0'));
    return std::vector<std::uint8_t>(bytes.begin() + 2, bytes.end()); // without the byte-order mark
}

RegFileValue Value(const std::wstring& name, std::uint32_t type, std::vector<std::uint8_t> data) {
    RegFileValue v;
    v.name = name;
    v.type = type;
    v.data = std::move(data);
    return v;
}

TEST(RegFile, WritesTheEditorsFormatAndReadsEveryTypeBackByteForByte) {
    RegFileKey key;
    key.path = L"HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}";
    key.values = {
        Value(L"", 1, Utf16z(L"Dial \"Pro\" C:\\x")),
        Value(L"Count", 4, {0x2A, 0, 0, 0x80}),
        Value(L"Path", 2, Utf16z(L"%SystemRoot%\\a.ocx")),
        Value(L"Multi", 7, Utf16z(std::wstring(L"one\0two\0", 8))),
        Value(L"Big", 11, {1, 2, 3, 4, 5, 6, 7, 8}),
        Value(L"Blob", 3, std::vector<std::uint8_t>(60, 0xAB)), // wraps over several lines
        Value(L"Empty", 3, {}),
        Value(L"None", 0, {}),
        Value(L"Two lines", 1, Utf16z(L"a\r\nb")), // the quoted form cannot carry it
        Value(L"No NUL", 1, {0x41, 0x00, 0x42}),   // odd length, no terminator
        Value(L"Short dword", 4, {1, 2}),
        Value(L"Greek \u03A9 and \U0001F600", 1, Utf16z(L"\u00E9\U0001F600")),
    };
    RegFileKey child;
    child.path = key.path + L"\\InProcServer32";
    child.values = {Value(L"@", 1, Utf16z(L"a value named at"))};

    const std::wstring text = FormatRegFile({key, child});
    EXPECT_EQ(text.substr(0, 40), L"Windows Registry Editor Version 5.00\r\n\r\n");
    EXPECT_NE(text.find(L"@=\"Dial \\\"Pro\\\" C:\\\\x\"\r\n"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"\"Count\"=dword:8000002a\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"Path\"=hex(2):25,00,53,00"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"Big\"=hex(b):01,02"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"Empty\"=hex:\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"Two lines\"=hex(1):"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"Short dword\"=hex(4):01,02\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\"@\"=\"a value named at\""), std::wstring::npos);
    EXPECT_NE(text.find(L",\\\r\n  ab,"), std::wstring::npos) << "long hex lines go on indented";
    for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);

    const std::vector<std::uint8_t> bytes = EncodeUtf16Le(text);
    ASSERT_EQ(bytes[0], 0xFF);
    ASSERT_EQ(bytes[1], 0xFE);
    const RegFileParse back = ParseRegFile(bytes);
    ASSERT_EQ(back.error, L"");
    ASSERT_EQ(back.keys.size(), 2u);
    EXPECT_EQ(back.keys[0].path, key.path);
    ASSERT_EQ(back.keys[0].values.size(), key.values.size());
    for (size_t i = 0; i < key.values.size(); ++i) {
        EXPECT_EQ(back.keys[0].values[i].name, key.values[i].name) << i;
        EXPECT_EQ(back.keys[0].values[i].type, key.values[i].type) << i;
        EXPECT_EQ(back.keys[0].values[i].data, key.values[i].data) << i;
    }
    EXPECT_EQ(back.keys[1].values[0].name, L"@");
}

TEST(RegFile, ReadsWhatOtherEditorsWriteAndRefusesWhatItDoesNotUnderstand) {
    // UTF-8 with blanks, comments, upper-case hex, deletions and a trailing comma.
    const std::string utf8 = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n; a comment\n"
                             "[HKEY_CLASSES_ROOT\\A]\n@ = \"x\"\n\"B\"=HEX:0A, 0B,\\\n   0C\n\"C\"=-\n"
                             "[-HKEY_CLASSES_ROOT\\Gone]\n";
    const RegFileParse parsed =
        ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
    ASSERT_EQ(parsed.error, L"");
    ASSERT_EQ(parsed.keys.size(), 2u);
    ASSERT_EQ(parsed.keys[0].values.size(), 3u);
    EXPECT_EQ(parsed.keys[0].values[1].data, (std::vector<std::uint8_t>{0x0A, 0x0B, 0x0C}));
    EXPECT_TRUE(parsed.keys[0].values[2].remove);
    EXPECT_TRUE(parsed.keys[1].remove);
    EXPECT_EQ(parsed.keys[1].path, L"HKEY_CLASSES_ROOT\\Gone");

    const std::wstring head = L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\K]\r\n";
    const std::pair<std::wstring, std::wstring> bad[] = {
        {L"REGEDIT4\r\n", L"does not start"},
        {head + L"\"a\"=\"open", L"Line 4"},
        {head + L"\"a\"=\"bad \\n escape\"", L"escape"},
        {head + L"\"a\"=dword:123456789", L"dword"},
        {head + L"\"a\"=dword:xyz", L"dword"},
        {head + L"\"a\"=hex:1,2", L"bytes"},
        {head + L"\"a\"=hex(z):00", L"hex(N)"},
        {head + L"\"a\"=hex:00,\\", L"past the end"},
        {head + L"\"a\" \"b\"", L"\"=\""},
        {head + L"plain text", L"neither"},
        {head + L"[HKEY_CLASSES_ROOT\\open", L"must end"},
        {L"Windows Registry Editor Version 5.00\r\n@=\"x\"", L"before any key"},
    };
    for (const auto& [text, expected] : bad) {
        const RegFileParse p = ParseRegFileText(text);
        EXPECT_NE(p.error.find(expected), std::wstring::npos) << text << " -> " << p.error;
    }
    const std::uint8_t odd[] = {0xFF, 0xFE, 0x57};
    EXPECT_FALSE(ParseRegFile(odd).error.empty());
    const std::uint8_t latin1[] = {'W', 0xE9, 'x'};
    EXPECT_NE(ParseRegFile(latin1).error.find(L"neither"), std::wstring::npos);
}

TEST(RegFile, OnlyKeysBelowTheClassesRootAreAccepted) {
    EXPECT_EQ(PathBelowClassesRoot(L"hkey_classes_root\\CLSID\\{x}"), L"CLSID\\{x}");
    for (const wchar_t* outside : {L"HKEY_CLASSES_ROOT", L"HKEY_CLASSES_ROOT\\", L"HKEY_LOCAL_MACHINE\\Software",
                                   L"HKEY_CLASSES_ROOTX\\a", L"HKEY_CLASSES_ROOT\\a\\\\b", L"HKEY_CLASSES_ROOT\\a\\"})
        EXPECT_EQ(PathBelowClassesRoot(outside), L"") << outside;
    RegFileKey a, b, c;
    a.path = L"HKEY_CLASSES_ROOT\\TypeLib\\{x}";
    b.path = L"HKEY_CURRENT_USER\\Software";
    c.path = L"HKEY_LOCAL_MACHINE\\x";
    EXPECT_EQ(FirstKeyOutsideClassesRoot({a, b, c}), b.path);
    EXPECT_EQ(FirstKeyOutsideClassesRoot({a}), L"");
}

TEST(RepairRules, IdentifiersMustBeBracedGuids) {
    EXPECT_TRUE(IsBracedGuid(L"{00028C00-0000-0000-abcd-0000000000Ff}"));
    for (const wchar_t* bad :
         {L"", L"{}", L"00028C00-0000-0000-0000-000000000000", L"{00028C00-0000-0000-0000-00000000000}",
          L"{00028C00-0000-0000-0000-0000000000000}", L"{00028C00_0000-0000-0000-000000000000}",
          L"{00028C00-0000-0000-0000-00000000000G}", L"{..\\..\\0000-0000-0000-000000000000}"})
        EXPECT_FALSE(IsBracedGuid(bad)) << bad;
}

TEST(RepairRules, TheQuestionListsEveryKeyUpToALimitAndFailuresAreCutTheSameWay) {
    const std::vector<std::wstring> keys = KeysToRemove(L"{L}", {L"{A}", L"{B}", L"{C}"});
    EXPECT_EQ(DeleteKeysQuestion(keys),
              L"Nivex will now delete the following registry keys, values, and all subkeys.\nAre you sure this is what "
              L"you want to do?\n\nHKEY_CLASSES_ROOT\\TypeLib\\{L}\nHKEY_CLASSES_ROOT\\CLSID\\{A}\n"
              L"HKEY_CLASSES_ROOT\\CLSID\\{B}\nHKEY_CLASSES_ROOT\\CLSID\\{C}\n");

    const std::wstring exact =
        DeleteKeysQuestion(KeysToRemove(L"{L}", std::vector<std::wstring>(kMaxListedKeys - 1, L"{X}")));
    EXPECT_EQ(exact.find(L"more"), std::wstring::npos) << "exactly the limit is shown whole";
    const std::wstring cut = DeleteKeysQuestion(KeysToRemove(L"{L}", std::vector<std::wstring>(40, L"{X}")));
    EXPECT_NE(cut.find(L"\n... and 17 more\n"), std::wstring::npos);
    size_t lines = 0;
    for (wchar_t c : cut)
        lines += c == L'\n';
    EXPECT_EQ(lines, 3u + kMaxListedKeys);

    const std::wstring failures = DeletionFailureText({{L"HKEY_CLASSES_ROOT\\CLSID\\{A}", 5, L"Access is denied."}});
    EXPECT_NE(failures.find(L"HKEY_CLASSES_ROOT\\CLSID\\{A}: 5 - Access is denied.\n"), std::wstring::npos);
}

TEST(RepairRules, BackupNamesAndEditedKeys) {
    EXPECT_EQ(BackupFileName(2026, 12, 7, 3, 5, 9, L"{ABC}"), L"2026-12-07 030509 {ABC}.reg");
    EXPECT_EQ(BackupFileName(2026, 1, 2, 3, 4, 5, L"a\\b:c"), L"2026-01-02 030405 a_b_c.reg");

    const std::wstring id = L"{11111111-2222-3333-4444-555555555555}";
    EXPECT_EQ(EditDataKeyPath(L"Control Name", id), L"CLSID\\" + id);
    EXPECT_EQ(EditDataKeyPath(L"Toolbox Bitmap", id), L"CLSID\\" + id + L"\\ToolboxBitmap32");
    EXPECT_EQ(EditDataKeyPath(L"TypeLib", id), L"CLSID\\" + id + L"\\TypeLib");
    EXPECT_FALSE(EditDataKeyPath(L"Status", id));
    EXPECT_FALSE(EditDataKeyPath(L"CLSID", id));
    EXPECT_FALSE(EditDataKeyPath(L"typelib", id)) << "element names are the rows' own texts";
}

TEST(RepairRules, RecentFoldersKeepABackslashIgnoreCaseAndDropTheOldest) {
    RecentFolders recent{};
    EXPECT_TRUE(AddRecentFolder(recent, L"C:\\One"));
    EXPECT_EQ(recent[0], L"C:\\One\\");
    EXPECT_FALSE(AddRecentFolder(recent, L"c:\\ONE\\")) << "the same folder in other letters";
    for (const wchar_t* f : {L"C:\\2\\", L"C:\\3", L"C:\\4", L"C:\\5"})
        EXPECT_TRUE(AddRecentFolder(recent, f));
    EXPECT_EQ(recent[4], L"C:\\One\\");
    EXPECT_TRUE(AddRecentFolder(recent, L"D:\\"));
    EXPECT_EQ(recent, (RecentFolders{L"D:\\", L"C:\\5\\", L"C:\\4\\", L"C:\\3\\", L"C:\\2\\"}));
    EXPECT_FALSE(RecentContains(recent, L"C:\\One"));
    EXPECT_FALSE(AddRecentFolder(recent, L""));
    EXPECT_EQ(FolderWithBackslash(L"C:\\a\\\\"), L"C:\\a\\");
}

TEST(RepairRules, TheSearchEntersEveryRealFolderAndListsOnlyOrdinaryFiles) {
    EXPECT_TRUE(ShouldDescend(kAttrDirectory, L"sub"));
    EXPECT_TRUE(ShouldDescend(kAttrDirectory | kAttrReadOnly | kAttrSystem | 0x20 | 0x800, L"Fonts"));
    EXPECT_FALSE(ShouldDescend(kAttrDirectory | kAttrReparsePoint, L"link"));
    EXPECT_FALSE(ShouldDescend(kAttrDirectory, L"."));
    EXPECT_FALSE(ShouldDescend(kAttrDirectory, L".."));
    EXPECT_FALSE(ShouldDescend(0x20, L"file.ocx"));

    EXPECT_TRUE(IsWantedFile(0x20 | kAttrReadOnly, L"Dial.ocx", L"", L"DIAL.OCX"));
    EXPECT_FALSE(IsWantedFile(kAttrDirectory, L"dial.ocx", L"", L"dial.ocx")) << "a folder of that name";
    EXPECT_FALSE(IsWantedFile(kAttrHidden, L"dial.ocx", L"", L"dial.ocx"));
    EXPECT_FALSE(IsWantedFile(kAttrSystem, L"dial.ocx", L"", L"dial.ocx"));
    EXPECT_TRUE(IsWantedFile(0, L"Long Control Name.ocx", L"LONGCO~1.OCX", L"longco~1.ocx"));
    EXPECT_FALSE(IsWantedFile(0, L"dial.ocx", L"", L""));
    EXPECT_TRUE(WantsShortNames(L"LONGCO~1.OCX"));
    EXPECT_FALSE(WantsShortNames(L"dial.ocx"));
}

} // namespace
} // namespace nivex
