// The application's portable rules: the command line, command states, Find in List order and recent texts,
// the window's layout and place, the splash's version line.
#include <gtest/gtest.h>

#include <tuple>

#include "app/command_line.h"
#include "app/command_rules.h"
#include "app/command_table.h"
#include "app/find_order.h"
#include "app/main_layout.h"
#include "app/resource.h"
#include "app/version_text.h"
#include "app/window_placement.h"
#include "catalogue/catalogue.h"
#include "common/text.h"

namespace nivex {
namespace {

TEST(CommandLine, ArgumentsAfterTheProgramThenASwitchInAnyCaseAndOneSkippedCharacterElseInteractive) {
    EXPECT_EQ((std::vector<std::wstring>{ArgumentsOf(L"\"C:\\Program Files\\Nivex\\nivex.exe\" /U \"C:\\x y\\a.ocx\""),
                                        ArgumentsOf(L"nivex.exe"), ArgumentsOf(L"nivex.exe   /R x")}),
              (std::vector<std::wstring>{L"/U \"C:\\x y\\a.ocx\"", L"", L"  /R x"}));
    const std::pair<const wchar_t*, StartRequest> cases[] = {
        {L"/r C:\\a.ocx", {RunMode::Register, L"C:\\a.ocx"}},
        {L"/UC:\\a.ocx", {RunMode::Unregister, L":\\a.ocx"}}, // exactly one character is skipped, whatever it is
        {L"/U \"C:\\x y\\a.ocx\" ", {RunMode::Unregister, L"\"C:\\x y\\a.ocx\" "}}, // nothing trimmed
        {L"/R", {RunMode::Register, L""}},   {L"", {}}, {L" /R x", {}}, {L"/X x", {}}, {L"-R x", {}}};
    for (const auto& [arguments, expected] : cases) {
        const StartRequest request = ParseStartRequest(arguments);
        EXPECT_TRUE(request.mode == expected.mode && request.path == expected.path) << WideToUtf8(arguments);
    }
    EXPECT_EQ((std::vector<std::wstring>{UnquotePath(L"\"C:\\x y\\a.ocx\""), UnquotePath(L"C:\\a.ocx"), UnquotePath(L"\""),
                                        UnquotePath(L"\"\"a\"\"")}),
              (std::vector<std::wstring>{L"C:\\x y\\a.ocx", L"C:\\a.ocx", L"\"", L"\"a\""}));
}

TEST(CommandRules, NeedsAreMetOnlyByTheirConditionsAndATableRunsOnlyEnabledEntries) {
    const CommandConditions idleMissing{true, true, true, 2}, idlePresent{true, true, false, 0},
        nothingSelected{true, false, false, 3}, scanning{false, true, false, 3};
    const std::tuple<unsigned, CommandConditions, bool> cases[] = { // needs, conditions, met
                 {kNeedsIdle | kNeedsMissingFile, idleMissing, true}, {kNeedsPresentFile, idleMissing, false},
                 {kNeedsPresentFile, idlePresent, true}, {kNeedsMissingControls, idlePresent, false},
                 // Nothing selected: neither file state holds, whatever the stale missing flag says.
                 {kNeedsSelection, nothingSelected, false}, {kNeedsPresentFile, nothingSelected, false},
                 {kNeedsMissingFile, nothingSelected, false}, {kNeedsIdle | kNeedsMissingControls, nothingSelected, true},
                 {kNeedsIdle, scanning, false}, {kNeedsNothing, scanning, true}};
    for (const auto& [needs, conditions, met] : cases) EXPECT_EQ(NeedsMet(needs, conditions), met) << needs;

    CommandTable table;
    int runs = 0;
    bool extra = false;
    table.Add(mnuUnregisterControl, kNeedsIdle | kNeedsPresentFile, [&] { ++runs; });
    table.Add(mnuEditInformation, kNeedsSelection, [&] { ++runs; }, [&] { return extra; });
    EXPECT_FALSE(table.Run(mnuReports, idlePresent)) << "no entry";
    EXPECT_TRUE(table.Run(mnuUnregisterControl, idlePresent));
    EXPECT_FALSE(table.Run(mnuUnregisterControl, idleMissing));
    EXPECT_FALSE(table.Run(mnuEditInformation, idlePresent)) << "its own rule says no";
    extra = true;
    EXPECT_TRUE(table.Run(mnuEditInformation, idlePresent));
    EXPECT_EQ(runs, 2);
}

// Libraries and controls as a scan files them: 1 lib A, 2 "Alpha One", 3 lib B, 4 "beta two", 5 "Alpha Three"
// (a later control of library A, inserted after library B).
TEST(FindOrder, InsertionOrderWithoutRegardToCaseInTheChosenKindsWithTheWrapRound) {
    CatalogueTree tree;
    tree.Add(L"", L"{LIBA}", L"Alpha Library", L"Registered.", L"DEFAULT");
    tree.Add(L"{LIBA}", L"{C1}", L"Alpha One", L"{LIBA}", L"COMPONENT");
    tree.Add(L"", L"{LIBB}", L"Beta Library", L"Registered.", L"DEFAULT");
    tree.Add(L"{LIBB}", L"{C2}", L"beta two", L"{LIBB}", L"COMPONENT");
    tree.Add(L"{LIBA}", L"{C3}", L"Alpha Three", L"{LIBA}", L"COMPONENT");
    const std::tuple<int, const wchar_t*, bool, bool, int> cases[] = { // selected, text, libraries, controls, found
        {1, L"alpha", false, true, 2}, // library 1 matches too, but only control names are searched
        {2, L"alpha", false, true, 5}, // by index, not by screen position
        {2, L"BETA", false, true, 4},     {2, L"library", false, true, 0}, {1, L"library", true, false, 3},
        {3, L"library", true, false, 1},  // wraps round
        {1, L"a", true, true, 2},         {1, L"a", false, false, 0},
        {4, L"two", false, true, 0},      // the only match is the selection itself
        {2, L"Three", false, true, 5},    // the last node, the only match
        {0, L"Alpha One", false, true, 2}, // nothing selected: from the first node
    };
    for (const auto& [selected, find, typeLib, control, found] : cases)
        EXPECT_EQ(FindNextNode(tree, selected, find, typeLib, control), found) << selected << WideToUtf8(find) << typeLib << control;
    tree.Remove(4); // beta two: library B has no children now, so it counts as a control
    EXPECT_EQ(FindNextNode(tree, 1, L"beta", false, true), 3);
    EXPECT_EQ(FindNextNode(tree, 1, L"beta", true, false), 0);
}

TEST(RecentTexts, SixthTextPushesTheOldestOutAndAListedTextChangesNothing) {
    RecentTexts recent{L"", L"", L"", L"", L""};
    for (const wchar_t* text : {L"one", L"two", L"three", L"four", L"five"}) EXPECT_TRUE(RememberSearchText(recent, text));
    EXPECT_FALSE(RememberSearchText(recent, L"three"));
    EXPECT_EQ(recent[0], L"five"); // re-use does not refresh the order
    EXPECT_TRUE(RememberSearchText(recent, L"six"));
    EXPECT_EQ(recent, (RecentTexts{L"six", L"five", L"four", L"three", L"two"}));
    EXPECT_TRUE(RememberSearchText(recent, L"SIX")); // exact comparison
    RecentTexts gaps{L"a", L"", L"c", L"", L""};
    EXPECT_EQ(RecentListEntries(gaps), (std::vector<std::wstring>{L"a", L"c"}));
}

TEST(MainLayout, ToolbarFrameContentAndListsInTwipsTheStoredPlaceAndTheSplashVersionLine) {
    // What the window makes of the stored texts (the window's own tests apply and store them).
    const PlacementPlan plan = PlanPlacement({L"0", L" 1500 ", L"300.5", L"x", L"7000"});
    EXPECT_EQ((std::vector<int>{plan.applyRect, plan.rect.top, plan.rect.left, plan.rect.width, plan.rect.height}),
              (std::vector<int>{true, 1500, 300, 8000, 7000}));
    EXPECT_EQ(plan.unreadable, std::vector<std::wstring>{L"WindowWidth"});
    EXPECT_EQ(PlanPlacement({L"7", L"1", L"2", L"3", L"4"}).state, 0);
    double value = 0;
    EXPECT_FALSE(ParseTwips(L"", value) || ParseTwips(L"1e9", value));

    MainLayoutInput in{9000, 6000, 540, true, 300, true};
    const MainLayout l = ComputeMainLayout(in);
    EXPECT_EQ((std::vector<int>{l.toolbarFrame.top, l.toolbarFrame.height, l.toolbar.width, l.splitTop.top, l.splitTop.height}),
              (std::vector<int>{-45, 720, 9000 - 90, -45 + 720 + 50, 6000 - 725 - 300}));
    in.toolbarVisible = in.statusBarVisible = false;
    EXPECT_EQ(std::make_pair(ComputeMainLayout(in).splitTop.top, ComputeMainLayout(in).splitTop.height), std::make_pair(0, 6000));
    // A tiny window gives empty rectangles, not negative ones.
    EXPECT_EQ(ComputeMainLayout({60, 100, 540, true, 300, true}).splitTop.height, 0);
    const InfoListLayout list = ComputeInfoListLayout(6000, 3000, 1650);
    EXPECT_EQ(std::make_pair(list.list.height, list.dataWidth), std::make_pair(2640, 5900 - 1650 - 100));
    EXPECT_EQ(ComputeInfoListLayout(1500, 3000, 1650).dataWidth, 0); // narrower than its first column

    EXPECT_EQ(SplashVersionLine(1, 0, 12), L"Version 1.0 Build 0012");
    EXPECT_EQ(SplashVersionLine(2, 5, 12345), L"Version 2.5 Build 12345");
}

} // namespace
} // namespace nivex
