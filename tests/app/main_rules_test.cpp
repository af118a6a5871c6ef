// The main window's portable rules: command states, Find in List order and recent texts, layout, version line.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/catalogue.h"
#include "app/command_rules.h"
#include "app/command_table.h"
#include "app/window_placement.h"
#include "app/find_order.h"
#include "app/main_layout.h"
#include "app/resource.h"
#include "app/version_text.h"

namespace nivex {
namespace {

TEST(CommandRules, NeedsAreMetOnlyByTheirConditions) {
    const CommandConditions idleMissing{true, true, true, 2};
    const CommandConditions idlePresent{true, true, false, 0};
    const CommandConditions nothingSelected{true, false, false, 3};
    const CommandConditions scanning{false, true, false, 3};
    EXPECT_TRUE(NeedsMet(kNeedsIdle | kNeedsMissingFile, idleMissing));
    EXPECT_FALSE(NeedsMet(kNeedsPresentFile, idleMissing));
    EXPECT_TRUE(NeedsMet(kNeedsPresentFile, idlePresent));
    EXPECT_FALSE(NeedsMet(kNeedsMissingControls, idlePresent));
    // Nothing selected: neither file state holds, whatever the stale missing flag says.
    for (unsigned needs : {kNeedsSelection, kNeedsPresentFile, kNeedsMissingFile})
        EXPECT_FALSE(NeedsMet(needs, nothingSelected)) << needs;
    EXPECT_TRUE(NeedsMet(kNeedsIdle | kNeedsMissingControls, nothingSelected));
    EXPECT_FALSE(NeedsMet(kNeedsIdle, scanning));
    EXPECT_TRUE(NeedsMet(kNeedsNothing, scanning));
}

TEST(CommandTable, ACommandWithoutAnEntryIsGreyedAndAnEnabledOneRunsOnce) {
    CommandTable table;
    int runs = 0;
    bool extra = false;
    table.Add(mnuUnregisterControl, kNeedsIdle | kNeedsPresentFile, [&] { ++runs; });
    table.Add(mnuEditInformation, kNeedsSelection, [&] { ++runs; }, [&] { return extra; });
    const CommandConditions present{true, true, false, 0};
    EXPECT_FALSE(table.Enabled(mnuReports, present));
    EXPECT_FALSE(table.Run(mnuReports, present));
    EXPECT_TRUE(table.Run(mnuUnregisterControl, present));
    EXPECT_FALSE(table.Run(mnuUnregisterControl, CommandConditions{true, true, true, 1}));
    EXPECT_FALSE(table.Run(mnuEditInformation, present)) << "its own rule says no";
    extra = true;
    EXPECT_TRUE(table.Run(mnuEditInformation, present));
    EXPECT_EQ(runs, 2);
    // A toolbar button runs its menu command; a command without a button has none.
    EXPECT_EQ(ToolbarCommand(tbUnregister), mnuUnregisterControl);
    EXPECT_EQ(ToolbarButtonOf(mnuUnregisterControl), tbUnregister);
    EXPECT_EQ(ToolbarButtonOf(mnuExit), 0);
}

TEST(WindowPlacement, StoredTextsBecomeAPlanAndAWindowBecomesTexts) {
    PlacementPlan plan = PlanPlacement({L"0", L" 1500 ", L"300.5", L"x", L"7000"});
    EXPECT_TRUE(plan.applyRect);
    EXPECT_EQ(plan.rect.top, 1500);
    EXPECT_EQ(plan.rect.left, 300);
    EXPECT_EQ(plan.rect.width, 8000) << "an unreadable width keeps the default";
    EXPECT_EQ(plan.unreadable, std::vector<std::wstring>{L"WindowWidth"});
    plan = PlanPlacement({L"2", L"x", L"x", L"x", L"x"});
    EXPECT_EQ(plan.state, 2);
    EXPECT_FALSE(plan.applyRect);
    EXPECT_TRUE(plan.unreadable.empty()) << "a maximised window ignores the stored place";
    EXPECT_EQ(PlanPlacement({L"7", L"1", L"2", L"3", L"4"}).state, 0);

    StoredPlacementTexts texts = PlacementToStore(false, false, TwipsRect{15, 30, 9000, 6600});
    EXPECT_EQ(texts.state + L"|" + texts.left + L"|" + texts.top + L"|" + texts.width + L"|" + texts.height,
              L"0|15|30|9000|6600");
    texts = PlacementToStore(true, false, TwipsRect{15, 30, 9000, 6600});
    EXPECT_EQ(texts.state, L"2");
    EXPECT_TRUE(texts.top.empty()) << "a maximised window keeps the last normal place";
    double value = 0;
    EXPECT_FALSE(ParseTwips(L"", value));
    EXPECT_FALSE(ParseTwips(L"1e9", value));
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
    EXPECT_FALSE(NodeTextMatches(L"Script", L"Scripts"));
}

TEST_F(FindOrder, LibrariesOnlyBothAndNeitherAndTheWrapRound) {
    EXPECT_EQ(FindNextNode(tree, 1, L"library", true, false), 3);
    EXPECT_EQ(FindNextNode(tree, 3, L"library", true, false), 1); // wraps round
    EXPECT_EQ(FindNextNode(tree, 1, L"a", true, true), 2);
    EXPECT_EQ(FindNextNode(tree, 1, L"a", false, false), 0);
    EXPECT_EQ(FindNextNode(tree, 4, L"two", false, true), 0); // the only match is the selection itself
    EXPECT_EQ(FindNextNode(tree, 2, L"Three", false, true), 5); // the last node, the only match
    EXPECT_EQ(FindNextNode(tree, 0, L"Alpha One", false, true), 2); // nothing selected: from the first node
}

TEST_F(FindOrder, RemovedNodesAreSkippedAndALibraryWithoutControlsCountsAsControl) {
    tree.Remove(4); // beta two: library B has no children now
    EXPECT_EQ(FindNextNode(tree, 1, L"beta", false, true), 3);
    EXPECT_EQ(FindNextNode(tree, 1, L"beta", true, false), 0);
    EXPECT_EQ(FindNextNode(CatalogueTree(), 0, L"x", true, true), 0);
}

TEST(RecentTexts, SixthTextPushesTheOldestOutAndAListedTextChangesNothing) {
    RecentTexts recent{L"", L"", L"", L"", L""};
    for (const wchar_t* text : {L"one", L"two", L"three", L"four", L"five"}) EXPECT_TRUE(RememberSearchText(recent, text));
    EXPECT_FALSE(RememberSearchText(recent, L"three"));
    EXPECT_EQ(recent[0], L"five"); // re-use does not refresh the order
    EXPECT_TRUE(RememberSearchText(recent, L"six"));
    EXPECT_EQ(recent[0], L"six");
    EXPECT_EQ(recent[4], L"two");
    EXPECT_TRUE(RememberSearchText(recent, L"SIX")); // exact comparison
    RecentTexts gaps{L"a", L"", L"c", L"", L""};
    EXPECT_EQ(RecentListEntries(gaps), (std::vector<std::wstring>{L"a", L"c"}));
}

TEST(MainLayout, ToolbarFrameContentAndListsInTwips) {
    MainLayoutInput in{9000, 6000, 540, true, 300, true};
    const MainLayout l = ComputeMainLayout(in);
    EXPECT_EQ(l.toolbarFrame.top, -45);
    EXPECT_EQ(l.toolbarFrame.height, 720);
    EXPECT_EQ(l.toolbar.width, 9000 - 90);
    EXPECT_EQ(l.splitTop.top, -45 + 720 + 50);
    EXPECT_EQ(l.splitTop.height, 6000 - 725 - 300);
    in.toolbarVisible = in.statusBarVisible = false;
    EXPECT_EQ(ComputeMainLayout(in).splitTop.top, 0);
    EXPECT_EQ(ComputeMainLayout(in).splitTop.height, 6000);
    // A tiny window gives empty rectangles, not negative ones.
    EXPECT_EQ(ComputeMainLayout({60, 100, 540, true, 300, true}).splitTop.height, 0);
    const InfoListLayout list = ComputeInfoListLayout(6000, 3000, 1650);
    EXPECT_EQ(list.list.height, 2640);
    EXPECT_EQ(list.dataWidth, 5900 - 1650 - 100);
    EXPECT_EQ(ComputeInfoListLayout(1500, 3000, 1650).dataWidth, 0); // narrower than its first column
}

TEST(VersionText, FourDigitBuild) {
    EXPECT_EQ(SplashVersionLine(1, 0, 12), L"Version 1.0 Build 0012");
    EXPECT_EQ(SplashVersionLine(2, 5, 12345), L"Version 2.5 Build 12345");
}

} // namespace
} // namespace nivex
