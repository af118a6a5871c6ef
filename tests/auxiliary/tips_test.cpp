// The tips file's lines and the random choice among them.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "auxiliary/tips.h"

namespace nivex {
namespace {

using Lines = std::vector<std::wstring>;

TEST(TipLines, EveryLineEndEndsALineAndOnlyTheLastOneAddsNothing) {
    const Lines three = {L"First tip", L"Second tip", L"Third tip"};
    EXPECT_EQ(SplitTipLines(L"First tip\r\nSecond tip\r\nThird tip\r\n"), three);
    EXPECT_EQ(SplitTipLines(L"First tip\nSecond tip\nThird tip\n"), three);  // a checkout that converted them
    EXPECT_EQ(SplitTipLines(L"First tip\rSecond tip\rThird tip\r"), three);  // old Macintosh line ends
    EXPECT_EQ(SplitTipLines(L"First tip\r\nSecond tip\nThird tip"), three);   // mixed, no final line end
    EXPECT_EQ(SplitTipLines(L""), Lines{});
    EXPECT_EQ(SplitTipLines(L"Only one"), Lines{L"Only one"});
}

TEST(TipLines, EmptyLinesAreTipsOfTheirOwn) {
    EXPECT_EQ(SplitTipLines(L"a\r\n\r\nb\r\n"), (Lines{L"a", L"", L"b"}));
    EXPECT_EQ(SplitTipLines(L"a\n\nb"), (Lines{L"a", L"", L"b"}));
    EXPECT_EQ(SplitTipLines(L"\r\n"), Lines{L""});
    EXPECT_EQ(SplitTipLines(L"\r\r"), (Lines{L"", L""}));
    // A CR LF pair is one line end, but LF CR is two.
    EXPECT_EQ(SplitTipLines(L"a\n\rb"), (Lines{L"a", L"", L"b"}));
}

TEST(TipLines, TheProgramsBitnessIsNamedAsItRuns) {
    const wchar_t* const tip = L"A %OTHER_BITS-bit control cannot be registered by the %BITS-bit Nivex.";
    EXPECT_EQ(TipForProgram(tip, 64), L"A 32-bit control cannot be registered by the 64-bit Nivex.");
    EXPECT_EQ(TipForProgram(tip, 32), L"A 64-bit control cannot be registered by the 32-bit Nivex.");
}

TEST(TipChoice, EachTipIsEquallyLikelyAndTheNumberStaysInRange) {
    EXPECT_EQ(ChooseTipNumber(0.0, 4), 1);
    EXPECT_EQ(ChooseTipNumber(0.2499, 4), 1);
    EXPECT_EQ(ChooseTipNumber(0.25, 4), 2);
    EXPECT_EQ(ChooseTipNumber(0.75, 4), 4);
    EXPECT_EQ(ChooseTipNumber(std::nextafter(1.0, 0.0), 4), 4);
    EXPECT_EQ(ChooseTipNumber(std::nextafter(1.0, 0.0), 1u << 30), 1L << 30);
    EXPECT_EQ(ChooseTipNumber(0.999, 1), 1);
    EXPECT_EQ(ChooseTipNumber(0.5, 0), 0);
    EXPECT_EQ(ChooseTipNumber(-0.1, 3), 1);
    EXPECT_EQ(ChooseTipNumber(std::nan(""), 3), 1);

    // Evenly spread random numbers hit every tip equally often.
    std::map<long, int> hits;
    for (int i = 0; i < 700; ++i) ++hits[ChooseTipNumber((i + 0.5) / 700.0, 7)];
    ASSERT_EQ(hits.size(), 7u);
    for (const auto& [tip, count] : hits) EXPECT_EQ(count, 100) << "tip " << tip;
}

TEST(TipList, ShowsTheChosenTipAndNothingWhileEmpty) {
    TipList list;
    EXPECT_EQ(list.CurrentText(), nullptr);
    list.Next(0.3);
    EXPECT_EQ(list.CurrentTip(), 0);
    EXPECT_EQ(list.CurrentText(), nullptr);

    list.Assign({L"one", L"", L"three"});
    EXPECT_EQ(list.Next(0.9), 3);
    ASSERT_NE(list.CurrentText(), nullptr);
    EXPECT_EQ(*list.CurrentText(), L"three");
    list.Next(0.4);
    ASSERT_NE(list.CurrentText(), nullptr);
    EXPECT_EQ(*list.CurrentText(), L""); // an empty line shows as an empty text
    list.Assign({L"solo"});
    EXPECT_EQ(list.CurrentText(), nullptr); // a new list starts without a choice
    for (double r : {0.0, 0.5, 0.99}) {
        list.Next(r);
        EXPECT_EQ(*list.CurrentText(), L"solo"); // one line always shows that line
    }
}

TEST(TipList, NotFoundTextNamesTheFile) { EXPECT_EQ(TipsNotFoundText(), L"nivex_10.tod file was not found!"); }

} // namespace
} // namespace nivex
