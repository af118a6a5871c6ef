// The outcome texts and exit codes, the backup file format, and the rules of the repair commands.
#include <gtest/gtest.h>

#include <algorithm>

#include "registration/reg_file.h"
#include "registration/reg_outcome.h"
#include "registration/repair_rules.h"

namespace nivex {
namespace {

TEST(OutcomeTexts, EntryPointAndLoadFailuresAndExitCodes) {
    EXPECT_EQ(EntryPointFailureText(kModeUnregister, static_cast<std::int32_t>(0x8000FFFF), L""),
              L"DllUnregisterServer returned error 0x8000FFFF");
    EXPECT_EQ(EntryPointFailureText(kModeRegister, static_cast<std::int32_t>(0x80040200), L""),
              L"DllRegisterServer returned error 0x80040200: The type library could not be registered.");
    EXPECT_EQ(LoadFailureText(L"", L""), L"Unable to Load File");
    // Only Completed is zero; none clashes with failed (1) or bad usage (2). Outcomes from Cancelled (-1) to Crashed.
    const int codes[] = {3, 10, 11, 12, 13, 0, 15, 16, 17};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(OutcomeExitCode(static_cast<RegOutcome>(i - 1)), codes[i]) << i;
}

std::vector<std::uint8_t> Utf16z(const std::wstring& text) {
    std::vector<std::uint8_t> bytes = EncodeUtf16Le(text + std::wstring(1, L'\0'));
    return std::vector<std::uint8_t>(bytes.begin() + 2, bytes.end()); // without the byte-order mark
}

TEST(RegFile, EveryValueComesBackByteForByteInLinesTheRegistryEditorReads) {
    RegFileKey key{L"HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}", {}, false};
    key.values = {
        {L"", 1, Utf16z(L"Dial \"Pro\" C:\\x"), false},
        {L"Count", 4, {0x2A, 0, 0, 0x80}, false},
        {L"Path", 2, Utf16z(L"%SystemRoot%\\a.ocx"), false},
        {L"Multi", 7, Utf16z(std::wstring(L"one\0two\0", 8)), false},
        {L"Big", 11, {1, 2, 3, 4, 5, 6, 7, 8}, false},
        {L"Blob", 3, std::vector<std::uint8_t>(60, 0xAB), false}, // over several lines
        {L"Empty", 3, {}, false},
        {L"None", 0, {}, false},
        {L"Two lines", 1, Utf16z(L"a\r\nb"), false}, // the quoted form cannot carry it
        {L"No NUL", 1, {0x41, 0x00, 0x42}, false},   // odd length, no terminator
        {L"Short dword", 4, {1, 2}, false},
        {L"Greek \u03A9 and \U0001F600", 1, Utf16z(L"\u00E9\U0001F600"), false},
        {L"@", 1, Utf16z(L"a value named at"), false},
    };
    const std::wstring text = FormatRegFile({key});
    EXPECT_EQ(text.substr(0, 40), L"Windows Registry Editor Version 5.00\r\n\r\n");
    EXPECT_NE(text.find(L"@=\"Dial \\\"Pro\\\" C:\\\\x\"\r\n\"Count\"=dword:8000002a\r\n"), std::wstring::npos) << text;
    for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);

    const std::vector<std::uint8_t> bytes = EncodeUtf16Le(text);
    const RegFileParse back = ParseRegFile(bytes);
    EXPECT_EQ(back.error, L"");
    EXPECT_TRUE(SameKeys(back.keys, {key}));
}

TEST(RegFile, ReadsWhatOtherEditorsWriteAndRefusesWhatItDoesNotUnderstand) {
    // UTF-8 with blanks, comments, upper-case hex, deletions and a trailing comma.
    const std::string utf8 = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n; a comment\n"
                             "[HKEY_CLASSES_ROOT\\A]\n@ = \"x\"\n\"B\"=HEX:0A, 0B,\\\n   0C\n\"C\"=-\n"
                             "[-HKEY_CLASSES_ROOT\\Gone]\n";
    const RegFileParse parsed = ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
    EXPECT_EQ(parsed.error, L"");
    const RegFileValue values[] = {
        {L"", 1, Utf16z(L"x"), false}, {L"B", 3, {0x0A, 0x0B, 0x0C}, false}, {L"C", 0, {}, true}};
    EXPECT_TRUE(SameKeys(parsed.keys, {{L"HKEY_CLASSES_ROOT\\A", {std::begin(values), std::end(values)}, false},
                                       {L"HKEY_CLASSES_ROOT\\Gone", {}, true}}));

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
    const std::uint8_t odd[] = {0xFF, 0xFE, 0x57}, latin1[] = {'W', 0xE9, 'x'};
    EXPECT_FALSE(ParseRegFile(odd).error.empty());
    EXPECT_NE(ParseRegFile(latin1).error.find(L"neither"), std::wstring::npos);

    // Only keys below the classes root are accepted.
    EXPECT_EQ(PathBelowClassesRoot(L"hkey_classes_root\\CLSID\\{x}"), L"CLSID\\{x}");
    for (const wchar_t* outside : {L"HKEY_CLASSES_ROOT", L"HKEY_CLASSES_ROOT\\", L"HKEY_LOCAL_MACHINE\\Software",
                                   L"HKEY_CLASSES_ROOTX\\a", L"HKEY_CLASSES_ROOT\\a\\\\b", L"HKEY_CLASSES_ROOT\\a\\"})
        EXPECT_EQ(PathBelowClassesRoot(outside), L"") << outside;
    const RegFileKey inside{L"HKEY_CLASSES_ROOT\\TypeLib\\{x}", {}, false}, user{L"HKEY_CURRENT_USER\\Software", {}, false};
    EXPECT_EQ(FirstKeyOutsideClassesRoot({inside, user, {L"HKEY_LOCAL_MACHINE\\x", {}, false}}), user.path);
    EXPECT_EQ(FirstKeyOutsideClassesRoot({inside}), L"");
}

TEST(RepairRules, TheQuestionListsEveryKeyUpToALimitAndFailuresAreCutTheSameWay) {
    EXPECT_EQ(DeleteKeysQuestion(KeysToRemove(L"{L}", {L"{A}", L"{B}", L"{C}"})),
              L"Nivex will now delete the following registry keys, values, and all subkeys.\nAre you sure this is what "
              L"you want to do?\n\nHKEY_CLASSES_ROOT\\TypeLib\\{L}\nHKEY_CLASSES_ROOT\\CLSID\\{A}\n"
              L"HKEY_CLASSES_ROOT\\CLSID\\{B}\nHKEY_CLASSES_ROOT\\CLSID\\{C}\n");
    const std::wstring exact = DeleteKeysQuestion(KeysToRemove(L"{L}", std::vector<std::wstring>(kMaxListedKeys - 1, L"{X}")));
    EXPECT_EQ(exact.find(L"more"), std::wstring::npos) << "exactly the limit is shown whole";
    const std::wstring cut = DeleteKeysQuestion(KeysToRemove(L"{L}", std::vector<std::wstring>(40, L"{X}")));
    EXPECT_NE(cut.find(L"\n... and 17 more\n"), std::wstring::npos);
    EXPECT_EQ(std::count(cut.begin(), cut.end(), L'\n'), static_cast<std::ptrdiff_t>(3 + kMaxListedKeys));
    EXPECT_NE(DeletionFailureText({{L"HKEY_CLASSES_ROOT\\CLSID\\{A}", 5, L"Access is denied."}})
                  .find(L"HKEY_CLASSES_ROOT\\CLSID\\{A}: 5 - Access is denied.\n"),
              std::wstring::npos);
}

TEST(RepairRules, BackupNamesEditedKeysAndTheFilesTheSearchLists) {
    EXPECT_EQ(BackupFileName(2026, 1, 2, 3, 4, 5, L"a\\b:c"), L"2026-01-02 030405 a_b_c.reg");
    for (const auto& [element, key] : {std::pair{L"Control Name", L""}, {L"Version", L"\\Version"}, {L"ProgID", L"\\ProgID"},
                                       {L"TypeLib", L"\\TypeLib"}, {L"Toolbox Bitmap", L"\\ToolboxBitmap32"}})
        EXPECT_EQ(EditDataKeyPath(element, L"{C}"), L"CLSID\\{C}" + std::wstring(key));
    for (const wchar_t* element : {L"Status", L"CLSID", L"typelib"}) // the rows' own texts only
        EXPECT_FALSE(EditDataKeyPath(element, L"{C}")) << element;

    // Every folder is entered but links, "." and ".."; only ordinary files are listed, by long or short name.
    EXPECT_TRUE(ShouldDescend(kAttrDirectory | kAttrReadOnly | kAttrSystem | 0x20 | 0x800, L"Fonts"));
    EXPECT_FALSE(ShouldDescend(kAttrDirectory | kAttrReparsePoint, L"link"));
    EXPECT_FALSE(ShouldDescend(kAttrDirectory, L".."));
    EXPECT_FALSE(ShouldDescend(0x20, L"file.ocx"));
    EXPECT_TRUE(IsWantedFile(0x20 | kAttrReadOnly, L"Dial.ocx", L"", L"DIAL.OCX"));
    EXPECT_TRUE(IsWantedFile(0, L"Long Control Name.ocx", L"LONGCO~1.OCX", L"longco~1.ocx"));
    for (const std::uint32_t attributes : {kAttrDirectory, kAttrHidden, kAttrSystem})
        EXPECT_FALSE(IsWantedFile(attributes, L"dial.ocx", L"", L"dial.ocx")) << attributes;
    EXPECT_FALSE(IsWantedFile(0, L"dial.ocx", L"", L""));
    EXPECT_TRUE(WantsShortNames(L"LONGCO~1.OCX"));
    EXPECT_FALSE(WantsShortNames(L"dial.ocx"));
}

} // namespace
} // namespace nivex
