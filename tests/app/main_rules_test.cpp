// The main window's portable rules: command states, Find in List order and recent texts, layout, version line.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/catalogue.h"
#include "app/command_rules.h"
#include "app/find_order.h"
#include "app/main_layout.h"
#include "app/resource.h"
#include "app/version_text.h"

namespace nivex {
namespace {

bool StateOf(const std::vector<CommandState>& states, int id, bool* found = nullptr) {
    for (const auto& s : states)
        if (s.id == id) {
            if (found) *found = true;
            return s.enabled;
        }
    if (found) *found = false;
    return false;
}

TEST(CommandRules, LaterCommandsAreNeverEnabledByAnyRule) {
    for (bool enable : {false, true}) {
        for (const auto& s : MainControlStates(enable, 3)) {
            if (!CommandAvailable(s.id)) {
                EXPECT_FALSE(s.enabled) << s.id;
            }
        }
    }
    for (bool missing : {false, true}) {
        for (const auto& s : MissingFileStates(missing)) {
            if (!CommandAvailable(s.id)) {
                EXPECT_FALSE(s.enabled) << s.id;
            }
        }
    }
    // The commands of this build are available; the register family and the dialogs of later work are not.
    for (int id : {mnuExplore, mnuPropertyPages, mnuCopyData, mnuExpandAll, mnuCollapseAll, mnuRefresh, mnuRegEdit,
                   mnuFindInList, mnuExit, mnuToolbar, mnuShowStatusbar, mnuControls0, mnuControls1,
                   mnuSaveToolboxBitmap, mnuToolboxBitmapPreview, tbRefresh, tbProperties, mnuTrayOpenNivex, mnuTrayExit})
        EXPECT_TRUE(CommandAvailable(id)) << id;
    for (int id : {mnuRegisterControl, mnuUnregisterControl, mnuSearchForFile, mnuRemoveRegistryKeys, mnuEditInformation,
                   mnuTestInBrowser, mnuReports, mnuCompareFiles, mnuDependency, mnuOptions, mnuHelpContents,
                   mnuHelpWithThis, mnuNivexWebsite, mnuBugReport, mnuAbout, mnuTrayRegisterControl, mnuTrayUnregister,
                   mnuTrayAbout, tbRegister, tbUnregister, tbSearchForFile, tbRegistryRemove, tbReports, tbOptions})
        EXPECT_FALSE(CommandAvailable(id)) << id;
}

TEST(CommandRules, MainControlsFollowTheFlagAndMissingControlsNeedMissingFiles) {
    EXPECT_TRUE(StateOf(MainControlStates(true, 2), mnuRefresh));
    EXPECT_TRUE(StateOf(MainControlStates(true, 2), mnuControls1));
    EXPECT_FALSE(StateOf(MainControlStates(true, 0), mnuControls1));
    EXPECT_TRUE(StateOf(MainControlStates(true, 0), mnuControls0));
    for (const auto& s : MainControlStates(false, 5)) EXPECT_FALSE(s.enabled) << s.id;
    // Exactly the listed items: Save Toolbox Bitmap and the Properties button belong to the missing state only.
    bool found = true;
    StateOf(MainControlStates(true, 1), mnuSaveToolboxBitmap, &found);
    EXPECT_FALSE(found);
    StateOf(MainControlStates(true, 1), tbProperties, &found);
    EXPECT_FALSE(found);
    StateOf(MainControlStates(true, 1), mnuExit, &found);
    EXPECT_TRUE(found);
}

TEST(CommandRules, MissingStateSwapsTheFileCommands) {
    const auto present = MissingFileStates(false);
    const auto missing = MissingFileStates(true);
    for (int id : {mnuPropertyPages, tbProperties, mnuSaveToolboxBitmap}) {
        EXPECT_TRUE(StateOf(present, id)) << id;
        EXPECT_FALSE(StateOf(missing, id)) << id;
    }
    bool found = false;
    for (int id : {mnuRemoveRegistryKeys, tbRegistryRemove, mnuSearchForFile, tbSearchForFile, mnuUnregisterControl,
                   tbUnregister, mnuTestInBrowser}) {
        StateOf(missing, id, &found);
        EXPECT_TRUE(found) << id; // listed, though greyed until their work lands
    }
}

TEST(CommandRules, ToolbarButtonsMapToTheirCommandsAndImages) {
    ASSERT_EQ(ToolbarButtons().size(), 8u);
    EXPECT_STREQ(ToolbarButtons().front().key, L"REGISTER");
    EXPECT_STREQ(ToolbarButtons().back().toolTip, L"Program Options");
    EXPECT_EQ(ToolbarCommand(tbRefresh), mnuRefresh);
    EXPECT_EQ(ToolbarCommand(tbProperties), mnuPropertyPages);
    EXPECT_EQ(ToolbarCommand(12345), 0);
    for (const auto& b : ToolbarButtons()) EXPECT_GE(ToolbarImageIndex(b.key), 0) << b.key;
    EXPECT_EQ(ToolbarImageIndex(L"OPTIONS"), 0);
    EXPECT_EQ(ToolbarImageIndex(L"UNREGISTER"), 8);
    EXPECT_EQ(ToolbarImageIndex(L"COMPARE"), 1); // an image without a button
    EXPECT_EQ(ToolbarImageIndex(L"options"), -1);
}

// Libraries and controls as a scan files them: 1 lib A, 2 "Alpha One", 3 lib B, 4 "beta two", 5 "Alpha Three"
// (a later control of library A, inserted after library B).
class FindOrder : public ::testing::Test {
protected:
    void SetUp() override {
        tree.Add(L"", L"{LIBA}", L"Alpha Library", L"Registered.", L"DEFAULT");
        tree.Add(L"{LIBA}", L"{C1}", L"Alpha One", L"{LIBA}", L"COMPONENT");
        tree.Add(L"", L"{LIBB}", L"Beta Library", L"Registered.", L"DEFAULT");
        tree.Add(L"{LIBB}", L"{C2}", L"beta two", L"{LIBB}", L"COMPONENT");
        tree.Add(L"{LIBA}", L"{C3}", L"Alpha Three", L"{LIBA}", L"COMPONENT");
    }
    CatalogueTree tree;
};

TEST_F(FindOrder, ControlsOnlyInInsertionOrderWithoutRegardToCase) {
    // "alpha" matches library 1 too, but only control names are searched.
    EXPECT_EQ(FindNextNode(tree, 1, L"alpha", false, true), 2);
    EXPECT_EQ(FindNextNode(tree, 2, L"alpha", false, true), 5); // by index, not by screen position
    EXPECT_EQ(FindNextNode(tree, 2, L"BETA", false, true), 4);
    EXPECT_EQ(FindNextNode(tree, 2, L"library", false, true), 0);
}

TEST_F(FindOrder, LibrariesOnlyAndBothAndNeither) {
    EXPECT_EQ(FindNextNode(tree, 1, L"library", true, false), 3);
    EXPECT_EQ(FindNextNode(tree, 3, L"library", true, false), 1); // wraps round
    EXPECT_EQ(FindNextNode(tree, 1, L"a", true, true), 2);
    EXPECT_EQ(FindNextNode(tree, 1, L"a", false, false), 0);
}

TEST_F(FindOrder, WrapsFromTheLastNodeAndNeverReturnsTheSelectedOne) {
    EXPECT_EQ(FindNextNode(tree, 5, L"alpha", false, true), 2);
    EXPECT_EQ(FindNextNode(tree, 4, L"two", false, true), 0); // the only match is the selection itself
    EXPECT_EQ(FindNextNode(tree, 2, L"Three", false, true), 5); // the last node, the only match
    EXPECT_EQ(FindNextNode(tree, 0, L"Alpha One", false, true), 2); // nothing selected: from the first node
}

TEST_F(FindOrder, RemovedNodesAreSkippedAndALibraryWithoutControlsCountsAsControl) {
    tree.Remove(4); // beta two: library B has no children now
    EXPECT_EQ(FindNextNode(tree, 1, L"beta", false, true), 3);
    EXPECT_EQ(FindNextNode(tree, 1, L"beta", true, false), 0);
    CatalogueTree empty;
    EXPECT_EQ(FindNextNode(empty, 0, L"x", true, true), 0);
}

TEST(FindText, SubstringWithoutRegardToCase) {
    EXPECT_TRUE(NodeTextMatches(L"Microsoft Script Control", L"SCRIPT"));
    EXPECT_FALSE(NodeTextMatches(L"Script", L"Scripts"));
    EXPECT_TRUE(NodeTextMatches(L"anything", L""));
}

TEST(RecentTexts, SixthTextPushesTheOldestOutAndAListedTextChangesNothing) {
    RecentTexts recent;
    for (const wchar_t* text : {L"one", L"two", L"three", L"four", L"five"}) EXPECT_TRUE(RememberSearchText(recent, text));
    EXPECT_EQ(recent[0], L"five");
    EXPECT_EQ(recent[4], L"one");
    EXPECT_FALSE(RememberSearchText(recent, L"three"));
    EXPECT_EQ(recent[0], L"five"); // re-use does not refresh the order
    EXPECT_TRUE(RememberSearchText(recent, L"six"));
    EXPECT_EQ(recent[0], L"six");
    EXPECT_EQ(recent[4], L"two");
    EXPECT_TRUE(std::find(recent.begin(), recent.end(), L"one") == recent.end());
    EXPECT_TRUE(RememberSearchText(recent, L"SIX")); // exact comparison
}

TEST(RecentTexts, EntriesSkipEmptyTexts) {
    RecentTexts recent{L"a", L"", L"c", L"", L""};
    EXPECT_EQ(RecentListEntries(recent), (std::vector<std::wstring>{L"a", L"c"}));
    EXPECT_TRUE(RememberSearchText(recent, L"b"));
    EXPECT_EQ(RecentListEntries(recent), (std::vector<std::wstring>{L"b", L"a", L"c"}));
}

TEST(MainLayout, ToolbarFrameAndContentInTwips) {
    MainLayoutInput in{9000, 6000, 540, true, 300, true};
    const MainLayout l = ComputeMainLayout(in);
    EXPECT_EQ(l.toolbarFrame.top, -45);
    EXPECT_EQ(l.toolbarFrame.height, 720);
    EXPECT_EQ(l.toolbar.left, 45);
    EXPECT_EQ(l.toolbar.top, 135);
    EXPECT_EQ(l.toolbar.width, 9000 - 90);
    EXPECT_EQ(l.splitTop.top, -45 + 720 + 50);
    EXPECT_EQ(l.splitTop.height, 6000 - 725 - 300);
    in.toolbarVisible = false;
    in.statusBarVisible = false;
    const MainLayout bare = ComputeMainLayout(in);
    EXPECT_EQ(bare.splitTop.top, 0);
    EXPECT_EQ(bare.splitTop.height, 6000);
}

TEST(MainLayout, TinyWindowGivesEmptyRectanglesNotNegativeOnes) {
    const MainLayout l = ComputeMainLayout({60, 100, 540, true, 300, true});
    EXPECT_EQ(l.toolbar.width, 0);
    EXPECT_EQ(l.splitTop.width, 0);
    EXPECT_EQ(l.splitTop.height, 0);
}

TEST(MainLayout, ListsSitBelowTheFrameTitleAndDataTakesTheRest) {
    const InfoListLayout l = ComputeInfoListLayout(6000, 3000, 1650);
    EXPECT_EQ(l.list.left, 50);
    EXPECT_EQ(l.list.top, 310);
    EXPECT_EQ(l.list.width, 5900);
    EXPECT_EQ(l.list.height, 2640);
    EXPECT_EQ(l.dataWidth, 5900 - 1650 - 100);
    EXPECT_EQ(ComputeInfoListLayout(1500, 3000, 1650).dataWidth, 0); // narrower than its first column
}

TEST(VersionText, FourDigitBuild) {
    EXPECT_EQ(SplashVersionLine(1, 0, 12), L"Version 1.0 Build 0012");
    EXPECT_EQ(SplashVersionLine(2, 5, 12345), L"Version 2.5 Build 12345");
}

} // namespace
} // namespace nivex
