// View in Web Browser against the real file system, with the shell call recorded instead of made.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <set>

#include "common/temp_files.h"
#include "catalogue/catalogue.h"
#include "common/error.h"
#include "registry/settings.h"
#include "reports/view_in_browser.h"
#include "reports/browser_page.h"
#include "support/registry_sandbox.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

namespace fs = std::filesystem;

const wchar_t* const kId = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01}";
const wchar_t* const kBrowser = L"C:\\Program Files\\Web Thing\\browse.exe";

class BrowserTest : public ::testing::Test {
protected:
    BrowserTest() {
        fs::create_directory(pages);
        context.tempFolder = pages.wstring();
        context.addTempFile = [this](const std::wstring& path) { temp.Add(path); };
        context.chooseBrowser = [this] { ++chooserOpened; };
    }
    ~BrowserTest() override { temp.DeleteAll(); }

    testing::RegistrySandbox sandbox;
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder;
    fs::path pages = folder.Path() / L"pages with blanks";
    TempFiles temp;
    BrowserViewContext context;
    int chooserOpened = 0;
};

TEST_F(BrowserTest, WithoutABrowserItAsksAndOnYesOpensTheChooserOnly) {
    desktop.answers = {MsgAnswer::No, MsgAnswer::Yes};
    EXPECT_EQ(ViewInBrowser(desktop, {L"Grid", kId}, context), BrowserViewResult::NoBrowser);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, L"No Browser Available");
    EXPECT_EQ(desktop.messages[0].text, L"You have not chosen a test browser.\nWould you like to choose one now?");
    EXPECT_EQ(desktop.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(chooserOpened, 0);
    EXPECT_EQ(ViewInBrowser(desktop, {L"Grid", kId}, context), BrowserViewResult::NoBrowser);
    EXPECT_EQ(chooserOpened, 1);
    EXPECT_TRUE(temp.Files().empty());
    EXPECT_TRUE(fs::is_empty(pages));
    EXPECT_TRUE(desktop.executions.empty());
}

TEST_F(BrowserTest, EachRunWritesItsOwnSafePageOpensItQuotedAndAllIsDeletedAtExit) {
    SaveSetting(kSectionOptions, kKeyTestBrowser, kBrowser);
    const std::wstring name = L"<Grid> \"@C\" {x} \u00e9";
    ASSERT_EQ(ViewInBrowser(desktop, {name, kId}, context), BrowserViewResult::Opened);
    ASSERT_EQ(ViewInBrowser(desktop, {name, kId}, context), BrowserViewResult::Opened);
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages[0].text;

    // Per run: the platform's unique ".tmp" and the page beside it, both listed for deletion.
    ASSERT_EQ(temp.Files().size(), 4u);
    std::set<std::wstring> pagesOpened;
    ASSERT_EQ(desktop.executions.size(), 2u);
    for (int run = 0; run < 2; ++run) {
        const fs::path unique = temp.Files()[run * 2];
        const fs::path page = temp.Files()[run * 2 + 1];
        EXPECT_EQ(unique.extension(), L".tmp");
        EXPECT_EQ(page, fs::path(unique).replace_extension(L".htm"));
        EXPECT_EQ(page.parent_path(), pages);
        EXPECT_EQ(testing::ReadFileBytes(page), *BrowserPageBytes(name, kId));
        const testing::Execution& e = desktop.executions[run];
        EXPECT_EQ(e.verb + L"|" + e.file + L"|" + e.parameters,
                  std::wstring(L"open|") + kBrowser + L"|\"" + page.wstring() + L"\"");
        pagesOpened.insert(page.wstring());
    }
    EXPECT_EQ(pagesOpened.size(), 2u) << "two runs, two files";

    const std::vector<std::wstring> listed = temp.Files();
    temp.DeleteAll();
    for (const auto& file : listed) EXPECT_FALSE(fs::exists(file)) << file;
}

TEST_F(BrowserTest, FailuresAreSaidAndNothingIsStartedOrLeftUnlisted) {
    SaveSetting(kSectionOptions, kKeyTestBrowser, kBrowser);
    // An identifier that is no GUID never reaches a page.
    EXPECT_EQ(ViewInBrowser(desktop, {L"Odd", L"{A1}"}, context), BrowserViewResult::Refused);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, NotAGuidMessage(L"{A1}"));
    EXPECT_TRUE(fs::is_empty(pages));

    // A temporary folder that does not exist.
    BrowserViewContext lost = context;
    lost.tempFolder = (folder.Path() / L"gone").wstring();
    EXPECT_EQ(ViewInBrowser(desktop, {L"Grid", kId}, lost), BrowserViewResult::Failed);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].text.rfind(L"Error in mnuTestInBrowser_Click()\r\nError ", 0), 0u) << desktop.messages[1].text;
    EXPECT_EQ(desktop.messages[1].icon, MsgIcon::Critical);

    // The shell cannot start the browser: said, and the page written is still deleted at exit.
    desktop.executeResult = SE_ERR_FNF;
    EXPECT_EQ(ViewInBrowser(desktop, {L"Grid", kId}, context), BrowserViewResult::Failed);
    ASSERT_EQ(desktop.messages.size(), 3u);
    EXPECT_NE(desktop.messages[2].text.find(L"\"" + std::wstring(kBrowser) + L"\" could not be started"), std::wstring::npos);
    EXPECT_EQ(desktop.executions.size(), 1u);
    EXPECT_EQ(temp.Files().size(), 2u);
    EXPECT_TRUE(desktop.executions.size() == 1 && fs::exists(temp.Files()[1]));
}

TEST_F(BrowserTest, APageNeverReplacesAFileOfItsName) {
    const std::string bytes = *BrowserPageBytes(L"Grid", kId);
    const std::wstring unique = folder.WriteFile(L"Niv1F.tmp", "");
    const std::wstring stale = folder.WriteFile(L"Niv1F.htm", "stale");
    EXPECT_EQ(WritePageBeside(unique, bytes), L"") << "taken: the caller moves on to the next unique name";
    EXPECT_EQ(testing::ReadFileBytes(stale), "stale");
    DeleteFileW(stale.c_str());
    EXPECT_EQ(WritePageBeside(unique, bytes), stale);
    EXPECT_EQ(testing::ReadFileBytes(stale), bytes);
    // Only a file name's own extension is replaced, never a dot of its folder.
    const std::wstring bare = folder.WriteFile(L"dotted.folder\\Niv20", "");
    EXPECT_EQ(WritePageBeside(bare, bytes), folder.File(L"dotted.folder\\Niv20.htm"));
    EXPECT_THROW(WritePageBeside(folder.File(L"gone\\Niv21.tmp"), bytes), Error);
}

TEST(PickBrowserControl, ALibraryStandsForItsFirstControl) {
    Catalogue catalogue;
    ControlRecord r;
    r.TypeLibId = L"{LIB}";
    r.Status = kStatusRegistered;
    for (const wchar_t* id : {L"{C1}", L"{C2}"}) {
        r.ClassId = id;
        r.DisplayName = std::wstring(L"Name ") + id;
        catalogue.AddControlToList(r);
    }
    const CatalogueTree& tree = catalogue.Tree(Catalogue::kAll);
    const auto library = PickBrowserControl(tree, tree.FindByKey(L"{LIB}"));
    ASSERT_TRUE(library.has_value());
    EXPECT_EQ(library->classId + L"|" + library->name, L"{C1}|Name {C1}");
    const auto control = PickBrowserControl(tree, tree.FindByKey(L"{C2}"));
    ASSERT_TRUE(control.has_value());
    EXPECT_EQ(control->classId, L"{C2}");
    EXPECT_FALSE(PickBrowserControl(tree, 0).has_value());
}

} // namespace
} // namespace nivex
