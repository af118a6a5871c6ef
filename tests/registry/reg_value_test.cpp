#include <gtest/gtest.h>

#include "registry/reg_value.h"
#include "support/reg_value_cases.h"

namespace nivex {
namespace {

std::wstring FakeExpand(const std::wstring& text) {
    const std::wstring reference = L"%" + std::wstring(testing::kCaseVariable) + L"%";
    std::wstring out = text;
    if (const size_t at = out.find(reference); at != std::wstring::npos)
        out.replace(at, reference.size(), testing::kCaseVariableValue);
    return out;
}

// The readers' own tests (value_readers_test) read the same table through the registry.
TEST(RegValue, EveryTypeDecodesToOneTextWithExpansionAndBytesAsChosen) {
    for (const testing::RegValueCase& c : testing::RegValueCases()) {
        const std::string what = std::to_string(c.type) + " " + ::testing::PrintToString(c.data);
        EXPECT_EQ(RegValueText(c.type, c.data, {}, FakeExpand), c.text) << what;
        EXPECT_EQ(RegValueText(c.type, c.data, {.expand = false}, FakeExpand), c.asStored) << what;
        const auto withoutBytes = RegValueText(c.type, c.data, {.expand = true, .keepBytes = false}, FakeExpand);
        EXPECT_EQ(withoutBytes.has_value(), !c.textless) << what;
    }
    // Numbers are values, not texts, for cRegistry's callers.
    EXPECT_EQ(DecodeRegValue(kRegDwordBigEndian, std::vector<std::uint8_t>{0, 0, 1, 2}),
              RegVariant(std::uint32_t{258}));
}

TEST(RegValue, EnvironmentReferenceNeedsTextBetweenPercentSigns) {
    for (const wchar_t* reference : {L"%a%", L"%%a%", L"x%PATH%y"})
        EXPECT_TRUE(HoldsEnvironmentReference(reference)) << reference;
    for (const wchar_t* plain : {L"100%", L"%%", L"%", L""})
        EXPECT_FALSE(HoldsEnvironmentReference(plain)) << plain;
}

} // namespace
} // namespace nivex
