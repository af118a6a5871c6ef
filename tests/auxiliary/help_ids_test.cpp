// The help identifiers and pop-up texts, the About box's version line and the help file's path.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "auxiliary/about_text.h"
#include "auxiliary/help_ids.h"

namespace nivex {
namespace {

TEST(HelpEntries, IdentifiersAreUniqueAndEveryTextIsOneTheHelpBuildCanUse) {
    std::set<unsigned long> ids;
    std::set<std::wstring> windowPages;
    for (const auto& entry : HelpEntries()) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(ids.insert(entry.id).second) << "number used twice";
        EXPECT_GE(entry.id, 7000u);
        EXPECT_LE(entry.id, 7999u);
        const std::wstring text = entry.text;
        const std::wstring page = entry.page;
        EXPECT_GE(text.size(), 10u);
        EXPECT_LE(text.size(), 400u) << "a pop-up is a sentence or two";
        for (wchar_t ch : text) {
            EXPECT_TRUE(ch >= 0x20 && ch < 0x7F) << "pop-up texts are plain ASCII";
            EXPECT_TRUE(ch != L';' && ch != L'[' && ch != L']') << "the help build cannot carry this character";
        }
        ASSERT_GT(page.size(), 4u);
        EXPECT_EQ(page.substr(page.size() - 4), L".htm");
        // The help file maps one identifier per page: two windows cannot share one.
        if (entry.window) {
            EXPECT_TRUE(windowPages.insert(page).second) << "page of two windows";
        }
        EXPECT_EQ(FindHelpEntry(entry.id), &entry);
    }
    EXPECT_EQ(FindHelpEntry(1), nullptr);
    // Every window of the program has its page.
    for (unsigned long id : {IDH_MAIN_WINDOW, IDH_OPTIONS, IDH_REGSTATUS, IDH_FINDINLIST, IDH_FINDFILE, IDH_EDITDATA,
                             IDH_COMPARE, IDH_DEPENDENCY, IDH_REPORTS, IDH_PREVIEW, IDH_TIP, IDH_ABOUT})
        ASSERT_NE(FindHelpEntry(id), nullptr) << id;
}

TEST(HelpPaths, OneBackslashBeforeTheHelpFileAlsoAtADriveRoot) {
    EXPECT_EQ(HelpFilePath(L"C:\\Program Files\\Nivex"), L"C:\\Program Files\\Nivex\\Nivex.chm");
    EXPECT_EQ(HelpFilePath(L"D:\\"), L"D:\\Nivex.chm");
    EXPECT_EQ(HelpPopupPath(L"D:\\"), L"D:\\Nivex.chm::/popups.txt");
    EXPECT_EQ(HelpPopupPath(L"C:\\Nivex"), L"C:\\Nivex\\Nivex.chm::/popups.txt");
}

TEST(AboutTexts, VersionLineHasAFourDigitBuild) {
    EXPECT_EQ(AboutVersionLine(1, 0, 12), L"Version 1.0 (Build 0012)");
    EXPECT_EQ(AboutVersionLine(1, 0, 210), L"Version 1.0 (Build 0210)");
    EXPECT_EQ(AboutVersionLine(2, 13, 12345), L"Version 2.13 (Build 12345)");
    EXPECT_EQ(MakerLine(2026), L"Copyright \u00A9 2002-2026 Velmora Software");
    EXPECT_EQ(MakerLine(2002), L"Copyright \u00A9 2002 Velmora Software");
}

} // namespace
} // namespace nivex
