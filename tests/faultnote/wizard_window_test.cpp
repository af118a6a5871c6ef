// The wizard driven in-process (pages and buttons, Exit, Finish by clipboard and by file) and the system side
// of Faultnote: version query, ANSI check, and the real clipboard under contention.
#include "faultnote/wizard_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "common/handles.h"
#include "common/text.h"
#include "common/win32_desktop.h"
#include "common/ui/toolkit.h"
#include "faultnote/faultnote_resource.h"
#include "faultnote/report_store.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace faultnote {
namespace {

using nivex::testing::ReadFileBytes;
using velmora::MsgAnswer;
using velmora::MsgIcon;
using velmora::ui::WindowText;

const std::wstring kOs = L"Microsoft Windows 10 (Version: 10.0.19045)";

class WizardTest : public ::testing::Test {
protected:
    void Open(ProductInfo product = {L"Velmora Control Manager", L"1.0", L"0001"}) {
        wizard =
            std::make_unique<WizardWindow>(WizardSetup{std::move(product), kOs, program.Text(), documents.Text(), 1252,
                                                       [] { return std::wstring(L"12/7/2026"); }, [this] { ++ended; }});
        ASSERT_TRUE(wizard->Show());
    }
    HWND Wizard() const { return wizard->Handle(); }
    HWND Item(int id) const { return GetDlgItem(Wizard(), id); }
    HWND Field(int page, int id) const { return GetDlgItem(wizard->Page(page), id); }
    void Click(int id) {
        SendMessageW(Wizard(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    }
    void Set(int page, int id, const std::wstring& text) { SetWindowTextW(Field(page, id), text.c_str()); }
    bool Checked(int id) const { return SendMessageW(Field(3, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Check(int id, bool on) { SendMessageW(Field(3, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    // Goes to the last page and chooses the file (else the clipboard), the viewer and the mail program.
    void Choose(bool file, bool view, bool mail) {
        for (int i = 0; i < 3; ++i)
            Click(cmdNavigate0);
        Check(optEmail0, !file);
        Check(optEmail1, file);
        Check(Check1_1, view);
        Check(Check1_0, mail);
    }
    COLORREF StepColour(int index) {
        const velmora::MemoryDc dc(CreateCompatibleDC(nullptr));
        SendMessageW(Wizard(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                     reinterpret_cast<LPARAM>(Item(lblNumber0 + index)));
        return GetTextColor(dc.Get());
    }
    // Page, markers, step colours and buttons agree with the current page.
    void ExpectShowing(int page) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(IsWindowVisible(wizard->Page(i)) != FALSE, i == page) << "page " << i;
            EXPECT_EQ(IsWindowVisible(Item(imgBug0 + i)) != FALSE, i == page) << "marker " << i;
            EXPECT_EQ(StepColour(i), i == page ? RGB(0, 0, 0) : RGB(192, 192, 192)) << "step " << i;
        }
        EXPECT_EQ(IsWindowEnabled(Item(cmdNavigate1)) != FALSE, page > 0);
        EXPECT_EQ(WindowText(Item(cmdNavigate0)), page == 3 ? L"Finish" : L"Next >>");
    }
    // The message shown i-th; asking for one not shown fails the test.
    const nivex::testing::AskedMessage& Said(size_t i) const { return desktop.messages.at(i); }

    nivex::testing::ScriptedDesktop desktop;
    nivex::testing::TempFolder program, documents;
    std::unique_ptr<WizardWindow> wizard;
    int ended = 0;
};

TEST_F(WizardTest, OpensFilledOnTheFirstPageWalksThePagesAndEndsOnExitOrClose) {
    Open();
    EXPECT_EQ(WindowText(Wizard()), L"Velmora Bug Report Wizard");
    EXPECT_EQ(GetWindow(Wizard(), GW_OWNER), nullptr);
    EXPECT_EQ(WindowText(Field(0, txtAppInfo0)) + L"|" + WindowText(Field(0, txtAppInfo1)) + L"|" +
                  WindowText(Field(0, txtAppInfo2)),
              L"Velmora Control Manager|1.0|0001");
    EXPECT_EQ(WindowText(Field(1, lblWinVer)), kOs);
    EXPECT_EQ(WindowText(Field(3, lblMailbox)), kBugMailbox);
    EXPECT_TRUE(Checked(optEmail0) && !Checked(optEmail1) && Checked(Check1_0) && !Checked(Check1_1));
    Click(cmdNavigate1); // disabled in the window; pressed anyway it stays on page 0
    ExpectShowing(0);
    for (int page = 1; page <= 3; ++page) {
        Click(cmdNavigate0);
        ExpectShowing(page);
    }
    Click(cmdNavigate1);
    ExpectShowing(2);

    // Exit asks and ends only on Yes; closing the window ends without a question.
    desktop.answers = {MsgAnswer::No, MsgAnswer::Yes};
    Click(cmdNavigate2);
    EXPECT_EQ(Said(0).text + L"|" + Said(0).title, L"Are you sure you want to exit Velmora Bug Report Wizard?|Exit?");
    EXPECT_EQ(std::pair(Said(0).buttons, Said(0).icon), std::pair(velmora::MsgButtons::YesNo, MsgIcon::Question));
    EXPECT_EQ(ended, 0);
    Click(cmdNavigate2);
    EXPECT_EQ(wizard->Handle(), nullptr);
    EXPECT_EQ(ended, 1);

    Open();
    SendMessageW(Wizard(), WM_COMMAND, IDCANCEL, 0); // Escape is not a way out
    EXPECT_NE(wizard->Handle(), nullptr);
    SendMessageW(Wizard(), WM_CLOSE, 0, 0);
    EXPECT_EQ(wizard->Handle(), nullptr);
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(desktop.messages.size(), 2u);
}

TEST_F(WizardTest, FinishCopiesTheEditedReportViewsItAndOpensMail) {
    Open();
    const ReportFields f{{L"Edited", L"1.0", L"0042"}, kOs, L"Ada", L"ada@x.org", L"One\r\nTwo", L"Cause", L"What"};
    Set(0, txtAppInfo0, f.product.name);
    Set(0, txtAppInfo2, f.product.build);
    Set(1, txtUserInfo0, f.userName);
    Set(1, txtUserInfo1, f.email);
    Set(2, txtErrors0, f.errorMessages);
    Set(2, txtErrors1, f.cause);
    Set(2, txtErrors2, f.description);
    Choose(false, true, true);
    Click(cmdNavigate0);
    const std::wstring report = wizard->LastReport();
    EXPECT_EQ(report, BuildReportText(f, L"12/7/2026"));
    EXPECT_EQ(desktop.clipboard, report);
    EXPECT_EQ(Said(0).text + L"|" + Said(0).title, L"Copied Report to Windows Clipboard|Saved Report");
    EXPECT_EQ(Said(0).icon, MsgIcon::Information);
    ASSERT_EQ(desktop.executions.size(), 1u);
    EXPECT_EQ(desktop.executions[0].verb + L" " + desktop.executions[0].file + L" " + desktop.executions[0].parameters,
              L"open mailto:" + std::wstring(kBugMailbox) + L" ");
    // The viewer: owned by the wizard, the path label and the report in Courier New.
    const HWND viewer = wizard->ViewerHandle();
    EXPECT_TRUE(IsWindowVisible(viewer));
    EXPECT_EQ(GetWindow(viewer, GW_OWNER), Wizard());
    EXPECT_EQ(WindowText(viewer) + L"|" + WindowText(GetDlgItem(viewer, lblPath)), L"View Report|Clipboard Data:");
    EXPECT_EQ(WindowText(GetDlgItem(viewer, txtView)), report);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(viewer, txtView, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, L"Courier New");
    ExpectShowing(3);
    EXPECT_TRUE(std::filesystem::is_empty(program.Path())); // no file for the clipboard choice

    // A busy clipboard is reported, and without the data neither the viewer nor the mail program opens, not
    // even on a retry.
    SendMessageW(viewer, WM_CLOSE, 0, 0);
    desktop.clipboardBusy = true;
    desktop.executeResult = 31; // no association for mailto:
    Click(cmdNavigate0);
    Click(cmdNavigate0); // the retry
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_EQ(Said(1).icon, MsgIcon::Exclamation);
    EXPECT_EQ(desktop.executions.size(), 1u);
    EXPECT_EQ(wizard->ViewerHandle(), nullptr) << "no \"Clipboard Data:\" without the data";
    // Once the clipboard is free a mail program that cannot start is reported, not passed over.
    desktop.clipboardBusy = false;
    Click(cmdNavigate0);
    EXPECT_EQ(Said(3).text, L"Copied Report to Windows Clipboard");
    EXPECT_NE(Said(4).text.find(kBugMailbox), std::wstring::npos);
}

TEST_F(WizardTest, FinishRewritesTheFileThenFallsBackToDocumentsThenReportsTheFailure) {
    Open();
    Set(2, txtErrors0, L"A first description, longer than the second report's");
    Choose(true, true, false);
    Click(cmdNavigate0);
    const std::wstring path = program.File(L"Bug_Report.txt");
    EXPECT_EQ(Said(0).text + L"|" + Said(0).title, L"Saved report to " + path + L"|Saved Report");
    EXPECT_EQ(WindowText(GetDlgItem(wizard->ViewerHandle(), lblPath)), path);
    // Finish again replaces the file: the report in the ANSI code page and one more line break.
    Set(1, txtUserInfo0, L"Jos\u00E9");
    Set(2, txtErrors0, L"");
    Click(cmdNavigate0);
    EXPECT_EQ(ReadFileBytes(path), *LosslessAnsi(wizard->LastReport(), 1252) + "\r\n");

    // A folder in the way of the file makes the program folder unwritable for it, as for a normal user.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    Set(1, txtUserInfo0, L"\u0418\u0432\u0430\u043D"); // not in code page 1252
    Click(cmdNavigate0);
    const std::wstring fallback = documents.File(L"Bug_Report.txt");
    EXPECT_EQ(Said(2).text, L"Saved report to " + fallback);
    EXPECT_EQ(ReadFileBytes(fallback), "\xEF\xBB\xBF" + velmora::WideToUtf8(wizard->LastReport()) + "\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(program.Path()), {}), 1) << "no piece left behind";
    // Documents holds the user's own files: the next report takes a free name there.
    documents.WriteFile(L"Bug_Report.txt", "mine");
    Click(cmdNavigate0);
    EXPECT_EQ(Said(3).text, L"Saved report to " + documents.File(L"Bug_Report (2).txt"));
    EXPECT_EQ(ReadFileBytes(fallback), "mine");

    std::filesystem::remove_all(documents.Path()); // nowhere left to write
    Click(cmdNavigate0);
    EXPECT_NE(Said(4).text.find(fallback), std::wstring::npos) << Said(4).text;
    EXPECT_EQ(Said(4).icon, MsgIcon::Critical);
    // The report stays at hand in the viewer.
    EXPECT_EQ(WindowText(GetDlgItem(wizard->ViewerHandle(), txtView)), wizard->LastReport());
    EXPECT_TRUE(desktop.executions.empty());
}

TEST(OsQuery, ReportsANamedNtSystem) {
    const OsVersionRecord record = QueryOsVersion();
    EXPECT_EQ(record.family, OsFamily::NT);
    // Every version this platform can be set to has a name in the table.
    EXPECT_FALSE(GetOsName(record).empty()) << record.major << "." << record.minor << "." << record.build;
}

TEST(LosslessAnsi, OnlyWhenEveryCharacterSurvives) {
    EXPECT_EQ(LosslessAnsi(L"Caf\u00E9 \u20AC\r\n", 1252), std::optional<std::string>("Caf\xE9 \x80\r\n"));
    EXPECT_EQ(LosslessAnsi(L"", 1252), std::optional<std::string>(""));
    // Best fit would quietly turn the second and third into "a" and "?"; that is a loss too.
    for (const wchar_t* lost : {L"\u0418\u0432\u0430\u043D", L"\u0101", L"\U0001F41E"})
        EXPECT_FALSE(LosslessAnsi(lost, 1252).has_value()) << velmora::WideToUtf8(lost);
    EXPECT_TRUE(LosslessAnsi(L"\u0418\u0432\u0430\u043D", 1251).has_value());
    EXPECT_EQ(LosslessAnsi(L"\u0418", CP_UTF8), std::optional<std::string>("\xD0\x98"));
}

TEST(Clipboard, UnicodeTextWaitsBrieflyForAnotherHolder) {
    velmora::Win32Desktop desktop;
    const std::wstring report = L"R\u00E9sum\u00E9 \u0418\u0432\u0430\u043D\r\nline two\r\n";
    for (const DWORD holdMs : {120, 2000}) {
        // Another thread holds the clipboard open with a window of its own, as another program would.
        const velmora::KernelHandle opened(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        std::thread holder([&] {
            HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            const bool held = OpenClipboard(window) != FALSE;
            SetEvent(opened.Get());
            Sleep(holdMs);
            if (held) CloseClipboard();
            DestroyWindow(window);
        });
        WaitForSingleObject(opened.Get(), INFINITE);
        EXPECT_EQ(desktop.SetClipboardText(nullptr, holdMs == 120 ? report : L"lost"), holdMs == 120) << holdMs;
        holder.join();
    }
    ASSERT_TRUE(OpenClipboard(nullptr));
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    EXPECT_EQ(chars ? std::wstring(chars) : L"<no text>", report);
    if (chars) GlobalUnlock(data);
    CloseClipboard();
}

} // namespace
} // namespace faultnote
