// The system side of Faultnote: version query, ANSI check, and the real clipboard under contention.
#include "faultnote/report_store.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "common/win32_desktop.h"
#include "support/temp_folder.h"

namespace faultnote {
namespace {

TEST(OsQuery, ReportsANamedNtSystem) {
    const OsVersionRecord record = QueryOsVersion();
    ASSERT_TRUE(record.valid);
    EXPECT_EQ(record.family, OsFamily::NT);
    // Every version this platform can be set to has a name in the table.
    EXPECT_FALSE(GetOsName(record).empty()) << record.major << "." << record.minor << "." << record.build;
    EXPECT_EQ(OsText(record).find(L" (Version: " + std::to_wstring(record.major) + L"."), GetOsName(record).size());
}

TEST(LosslessAnsi, OnlyWhenEveryCharacterSurvives) {
    EXPECT_EQ(LosslessAnsi(L"Caf\u00E9 \u20AC\r\n", 1252), std::optional<std::string>("Caf\xE9 \x80\r\n"));
    EXPECT_EQ(LosslessAnsi(L"", 1252), std::optional<std::string>(""));
    EXPECT_FALSE(LosslessAnsi(L"\u0418\u0432\u0430\u043D", 1252).has_value());
    // Best fit would quietly turn these into "a" and "?"; that is a loss too.
    EXPECT_FALSE(LosslessAnsi(L"\u0101", 1252).has_value());
    EXPECT_FALSE(LosslessAnsi(L"\U0001F41E", 1252).has_value());
    EXPECT_TRUE(LosslessAnsi(L"\u0418\u0432\u0430\u043D", 1251).has_value());
    EXPECT_EQ(LosslessAnsi(L"\u0418", CP_UTF8), std::optional<std::string>("\xD0\x98"));
}

TEST(ReportFile, TheProgramFolderKeepsOneReportTheDocumentsFolderLosesNoFileAndNoPieceIsEverLeft) {
    nivex::testing::TempFolder program, documents;
    const std::wstring inProgram = program.File(L"Bug_Report.txt");
    EXPECT_EQ(SaveReportFile(L"first", program.Text(), documents.Text(), 1252).path, inProgram);
    SaveOutcome saved = SaveReportFile(L"second", program.Text(), documents.Text(), 1252);
    EXPECT_TRUE(saved.saved && saved.path == inProgram) << "replaced";
    EXPECT_EQ(nivex::testing::ReadFileBytes(inProgram), "second\r\n");

    // The Documents folder holds the user's own files: the report takes the next free name there.
    documents.WriteFile(L"Bug_Report.txt", "mine");
    documents.WriteFile(L"Bug_Report (2).txt", "mine too");
    saved = SaveReportFile(L"third", L"", documents.Text(), 1252);
    EXPECT_TRUE(saved.saved);
    EXPECT_EQ(saved.path, documents.File(L"Bug_Report (3).txt"));
    EXPECT_EQ(nivex::testing::ReadFileBytes(saved.path), "third\r\n");
    EXPECT_EQ(nivex::testing::ReadFileBytes(documents.File(L"Bug_Report.txt")), "mine");
    EXPECT_EQ(nivex::testing::ReadFileBytes(documents.File(L"Bug_Report (2).txt")), "mine too");

    // Another program has the report open and lets nobody replace it: the report goes to Documents, and the
    // program folder keeps the last report and no piece of the new one.
    HANDLE holder = CreateFileW(inProgram.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    saved = SaveReportFile(L"fourth", program.Text(), documents.Text(), 1252);
    CloseHandle(holder);
    EXPECT_EQ(saved.path, documents.File(L"Bug_Report (4).txt"));
    EXPECT_EQ(nivex::testing::ReadFileBytes(inProgram), "second\r\n");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(program.Path())) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u);
}

std::wstring ClipboardUnicodeText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<not opened>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Another thread of this process holds the clipboard open for a while with a window of its own, as another
// program would.
class ClipboardHolder {
public:
    explicit ClipboardHolder(DWORD holdMs) : thread_([this, holdMs] {
          HWND window = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
          opened_ = OpenClipboard(window) != FALSE;
          ready_ = true;
          Sleep(holdMs);
          if (opened_) CloseClipboard();
          DestroyWindow(window);
      }) {
        while (!ready_) Sleep(1);
    }
    ~ClipboardHolder() { thread_.join(); }
    bool Opened() const { return opened_; }

private:
    std::atomic<bool> ready_{false};
    std::atomic<bool> opened_{false};
    std::thread thread_;
};

TEST(Clipboard, UnicodeTextWaitsBrieflyForAnotherHolder) {
    velmora::Win32Desktop desktop;
    const std::wstring report = L"R\u00E9sum\u00E9 \u0418\u0432\u0430\u043D\r\nline two\r\n";
    ASSERT_TRUE(desktop.SetClipboardText(nullptr, L"before"));
    {
        ClipboardHolder holder(120);
        ASSERT_TRUE(holder.Opened());
        EXPECT_TRUE(desktop.SetClipboardText(nullptr, report));
    }
    EXPECT_EQ(ClipboardUnicodeText(), report);
    {
        ClipboardHolder holder(2000);
        ASSERT_TRUE(holder.Opened());
        EXPECT_FALSE(desktop.SetClipboardText(nullptr, L"lost"));
    }
    EXPECT_EQ(ClipboardUnicodeText(), report);
}

} // namespace
} // namespace faultnote
