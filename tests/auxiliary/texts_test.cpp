// The tips file's lines and the random choice among them; the help identifiers and pop-up texts, the help
// file's path and the About box's lines.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "auxiliary/about_text.h"
#include "auxiliary/help_ids.h"
#include "auxiliary/tips.h"
#include "common/text.h"

namespace nivex {
namespace {

using Lines = std::vector<std::wstring>;

TEST(Tips, EveryLineEndEndsALineOnlyTheLastAddsNothingTheBitnessIsFilledInAndEachTipIsEquallyLikely) {
    const Lines three = {L"First tip", L"Second tip", L"Third tip"};
    const std::pair<const wchar_t*, Lines> cases[] = {
        {L"First tip\nSecond tip\nThird tip\n", three}, // a checkout that converted them
        {L"First tip\rSecond tip\rThird tip\r", three}, // old Macintosh line ends
        {L"First tip\r\nSecond tip\nThird tip", three}, // mixed, no final line end
        {L"", {}},
        {L"Only one", {L"Only one"}},
        {L"a\r\n\r\nb\r\n", {L"a", L"", L"b"}},
        {L"\r\n", {L""}},
        {L"\r\r", {L"", L""}},
        {L"a\n\rb", {L"a", L"", L"b"}}, // a CR LF pair is one line end, but LF CR is two
    };
    for (const auto& [text, lines] : cases) EXPECT_EQ(SplitTipLines(text), lines) << WideToUtf8(text);
    // A tip names the bitness of the program that shows it.
    const wchar_t* const tip = L"A %OTHER_BITS-bit control cannot be registered by the %BITS-bit Nivex.";
    EXPECT_EQ(TipForProgram(tip, 64), L"A 32-bit control cannot be registered by the 64-bit Nivex.");
    EXPECT_EQ(TipForProgram(tip, 32), L"A 64-bit control cannot be registered by the 32-bit Nivex.");
    const std::tuple<double, std::size_t, long> choices[] = { // random, count, chosen
                 {0.0, 4, 1}, {0.2499, 4, 1}, {0.25, 4, 2}, {0.75, 4, 4}, {std::nextafter(1.0, 0.0), 4, 4},
                 {std::nextafter(1.0, 0.0), 1u << 30, 1L << 30}, {0.999, 1, 1}, {0.5, 0, 0}, {-0.1, 3, 1},
                 {std::nan(""), 3, 1}};
    for (const auto& [random, count, chosen] : choices) EXPECT_EQ(ChooseTipNumber(random, count), chosen) << random << " of " << count;
}

TEST(HelpEntries, IdentifiersAreUniqueAndEveryTextIsOneTheHelpBuildCanUse) {
    std::set<unsigned long> ids;
    std::set<std::wstring> windowPages;
    for (const auto& entry : HelpEntries()) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(ids.insert(entry.id).second) << "number used twice";
        const std::wstring text = entry.text;
        EXPECT_TRUE(text.size() >= 10u && text.size() <= 400u) << "a pop-up is a sentence or two";
        for (wchar_t ch : text)
            EXPECT_TRUE(ch >= 0x20 && ch < 0x7F && ch != L';' && ch != L'[' && ch != L']')
                << "the help build carries plain ASCII without ; [ ]";
        // The help file maps one identifier per page: two windows cannot share one.
        EXPECT_TRUE(!entry.window || windowPages.insert(entry.page).second) << "page of two windows";
        EXPECT_EQ(FindHelpEntry(entry.id), &entry);
    }
    EXPECT_EQ(FindHelpEntry(1), nullptr);
}

TEST(HelpTexts, OneBackslashBeforeTheHelpFileAlsoAtADriveRootAndTheAboutLines) {
    EXPECT_EQ(HelpFilePath(L"C:\\Program Files\\Nivex"), L"C:\\Program Files\\Nivex\\Nivex.chm");
    EXPECT_EQ(HelpFilePath(L"D:\\"), L"D:\\Nivex.chm");
    EXPECT_EQ(HelpPopupPath(L"D:\\"), L"D:\\Nivex.chm::/popups.txt");

    EXPECT_EQ(AboutVersionLine(1, 0, 12), L"Version 1.0 (Build 0012)");
    EXPECT_EQ(AboutVersionLine(2, 13, 12345), L"Version 2.13 (Build 12345)");
    EXPECT_EQ(MakerLine(2026), L"Copyright \u00A9 2002-2026 Velmora Software");
    EXPECT_EQ(MakerLine(2002), L"Copyright \u00A9 2002 Velmora Software");
}

} // namespace
} // namespace nivex
